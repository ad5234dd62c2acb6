#include "info/RecordComparison.h"

#include <QMap>
#include <algorithm>

namespace RecordComparison
{
namespace
{
bool isNameCell(const CellText& cell)
{
    return cell.row == 0 && cell.column == 0;
}

} // namespace

QMap<CellPosition, QString> textsByCell(const QList<CellText>& cells)
{
    QMap<CellPosition, QString> map;
    for (const CellText& cell : cells) {
        if (!isNameCell(cell))
            map.insert({cell.row, cell.column}, cell.text);
    }
    return map;
}

QList<CellPosition> differingCells(const QList<CellText>& first, const QList<CellText>& second)
{
    const QMap<CellPosition, QString> a = textsByCell(first);
    const QMap<CellPosition, QString> b = textsByCell(second);
    QList<CellPosition> differing;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const auto other = b.constFind(it.key());
        if (other == b.cend() || other.value() != it.value())
            differing.append(it.key());
    }
    for (auto it = b.cbegin(); it != b.cend(); ++it) {
        if (!a.contains(it.key()))
            differing.append(it.key());
    }
    std::sort(differing.begin(), differing.end());
    return differing;
}

QList<CellPosition> differingCells(const DeviceRecordValues& first,
                                   const DeviceRecordValues& second, const QLocale& locale)
{
    return differingCells(recordCellTexts(first, QString(), locale),
                          recordCellTexts(second, QString(), locale));
}

} // namespace RecordComparison
