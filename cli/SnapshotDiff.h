#pragma once

#include <QList>
#include <QLocale>
#include <QString>

struct HistorySnapshot;

// One calibration-table cell whose text differs between two snapshots of a record file.
struct FieldChange {
    QString field;  // the row label, e.g. "Offsetspannung"
    QString column; // "FE", "NFE", or empty for the settings in one column
    QString before;
    QString after;
};

// The field-by-field difference of two snapshots as the calibration table shows them (decoded
// record, the table's cell texts in locale); empty when the shown values are the same.
namespace SnapshotDiff
{
QList<FieldChange> changes(const HistorySnapshot& before, const HistorySnapshot& after,
                           const QLocale& locale);
} // namespace SnapshotDiff
