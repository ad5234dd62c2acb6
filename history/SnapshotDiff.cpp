#include "history/SnapshotDiff.h"

#include "history/HistoryTypes.h"
#include "info/CalibrationRows.h"
#include "info/RecordCellTexts.h"
#include "info/RecordComparison.h"
#include "info/RecordDecoder.h"

namespace
{
QList<CellText> cellsOf(const HistorySnapshot& snapshot, const QLocale& locale)
{
    if (snapshot.hex.isEmpty())
        return {};
    DeviceRecordValues values;
    decodeRecord(snapshot.hex, values);
    return recordCellTexts(values, snapshot.file, locale);
}

constexpr int kLastProbeKindRow = 7; // rows 1-7: one value per probe kind (FE, NFE)

// Below the probe-kind rows a label names the fields of both columns ("Serial Number / Foil
// value"); each column's own half names its field.
FieldChange fieldOf(const CellPosition& cell, const QMap<CellPosition, QString>& first,
                    const QMap<CellPosition, QString>& second)
{
    const QString label = CalibrationRows::labels().value(cell.row);
    if (cell.row <= kLastProbeKindRow)
        return {label.trimmed(),
                cell.column == 1 ? CalibrationRows::feHeader() : CalibrationRows::nfeHeader(),
                first.value(cell), second.value(cell)};
    const QString separator =
        label.contains(QLatin1String(" // ")) ? QStringLiteral(" // ") : QStringLiteral("/");
    const QStringList parts = label.split(separator);
    return {parts.size() == 2 ? parts.at(cell.column == 2 ? 1 : 0).trimmed() : label.trimmed(),
            {},
            first.value(cell),
            second.value(cell)};
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
    for (const CellPosition& cell : RecordComparison::differingCells(first, second))
        list.append(fieldOf(cell, a, b));
    return list;
}

QList<FieldChange> fields(const HistorySnapshot& first, const HistorySnapshot& second,
                          const QLocale& locale)
{
    const QMap<CellPosition, QString> a = RecordComparison::textsByCell(cellsOf(first, locale));
    const QMap<CellPosition, QString> b = RecordComparison::textsByCell(cellsOf(second, locale));
    QMap<CellPosition, QString> cells = a;
    cells.insert(b);
    QList<FieldChange> list;
    for (auto it = cells.cbegin(); it != cells.cend(); ++it)
        list.append(fieldOf(it.key(), a, b));
    return list;
}

} // namespace SnapshotDiff
