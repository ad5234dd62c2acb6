#include "cli/SnapshotDiff.h"

#include "history/HistoryTypes.h"
#include "info/CalibrationRows.h"
#include "info/RecordCellTexts.h"
#include "info/RecordComparison.h"
#include "info/RecordDecoder.h"

#include <QMap>

namespace
{
QList<CellText> cellsOf(const HistorySnapshot& snapshot, const QLocale& locale)
{
    DeviceRecordValues values;
    decodeRecord(snapshot.hex, values);
    return recordCellTexts(values, snapshot.file, locale);
}

QMap<CellPosition, QString> byPosition(const QList<CellText>& cells)
{
    QMap<CellPosition, QString> map;
    for (const CellText& c : cells)
        map.insert({c.row, c.column}, c.text);
    return map;
}

// FE or NFE for a row with a value per probe kind; nothing for a setting in one column.
QString columnName(const CellPosition& cell, const QMap<CellPosition, QString>& a,
                   const QMap<CellPosition, QString>& b)
{
    const CellPosition nfe{cell.row, 2};
    if (!a.contains(nfe) && !b.contains(nfe))
        return QString();
    return cell.column == 1 ? CalibrationRows::feHeader() : CalibrationRows::nfeHeader();
}
} // namespace

namespace SnapshotDiff
{

QList<FieldChange> changes(const HistorySnapshot& before, const HistorySnapshot& after,
                           const QLocale& locale)
{
    const QList<CellText> first = cellsOf(before, locale);
    const QList<CellText> second = cellsOf(after, locale);
    const QMap<CellPosition, QString> a = byPosition(first);
    const QMap<CellPosition, QString> b = byPosition(second);
    const QStringList labels = CalibrationRows::labels();
    QList<FieldChange> list;
    for (const CellPosition& cell : RecordComparison::differingCells(first, second))
        list.append({labels.value(cell.row), columnName(cell, a, b), a.value(cell), b.value(cell)});
    return list;
}

} // namespace SnapshotDiff
