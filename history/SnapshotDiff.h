#pragma once

#include <QList>
#include <QLocale>
#include <QString>

struct HistorySnapshot;

// One calibration-table cell with its text in two snapshots of a record file.
struct FieldChange {
    QString field;  // the field's label in the table, e.g. "Offset Voltage", "Foil value"
    QString column; // "FE" or "NFE" for the values per probe kind, else empty
    QString before;
    QString after;
};

// The field-by-field difference of two snapshots as the calibration table shows them (decoded
// record, the table's cell texts in locale); empty when the shown values are the same.
namespace SnapshotDiff
{
QList<FieldChange> changes(const HistorySnapshot& before, const HistorySnapshot& after,
                           const QLocale& locale);
// Every cell of the table, in row and column order, with its text in each snapshot (empty in
// the column of a snapshot without content).
QList<FieldChange> fields(const HistorySnapshot& first, const HistorySnapshot& second,
                          const QLocale& locale);
} // namespace SnapshotDiff
