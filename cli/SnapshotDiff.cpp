#include "cli/SnapshotDiff.h"

#include "history/HistoryTypes.h"
#include "info/CalibrationRows.h"
#include "info/RecordCellTexts.h"
#include "info/RecordComparison.h"
#include "info/RecordDecoder.h"

namespace
{
QList<CellText> cellsOf(const HistorySnapshot& snapshot, const QLocale& locale)
{
    DeviceRecordValues values;
    decodeRecord(snapshot.hex, values);
    return recordCellTexts(values, snapshot.file, locale);
}

constexpr int kLastProbeKindRow = 7; // rows 1-7: one value per probe kind (FE, NFE)

// Below the probe-kind rows a label names the fields of both columns ("Serial Number / Foil
// value"); each column's own half names its field.
FieldChange fieldOf(const CellPosition& cell)
{
    const QString label = CalibrationRows::labels().value(cell.row);
    if (cell.row <= kLastProbeKindRow)
        return {label.trimmed(),
                cell.column == 1 ? CalibrationRows::feHeader() : CalibrationRows::nfeHeader(),
                {},
                {}};
    const QString separator =
        label.contains(QLatin1String(" // ")) ? QStringLiteral(" // ") : QStringLiteral("/");
    const QStringList parts = label.split(separator);
    return {parts.size() == 2 ? parts.at(cell.column == 2 ? 1 : 0).trimmed() : label.trimmed(),
            {},
            {},
            {}};
}
} // namespace

namespace SnapshotDiff
{

QList<FieldChange> changes(const HistorySnapshot& before, const HistorySnapshot& after,
                           const QLocale& locale)
{
    const QList<CellText> first = cellsOf(before, locale);
    const QList<CellText> second = cellsOf(after, locale);
    const QMap<CellPosition, QString> a = RecordComparison::textsByCell(first);
    const QMap<CellPosition, QString> b = RecordComparison::textsByCell(second);
    QList<FieldChange> list;
    for (const CellPosition& cell : RecordComparison::differingCells(first, second)) {
        FieldChange change = fieldOf(cell);
        change.before = a.value(cell);
        change.after = b.value(cell);
        list.append(change);
    }
    return list;
}

} // namespace SnapshotDiff
