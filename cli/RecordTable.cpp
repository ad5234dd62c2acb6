#include "cli/RecordTable.h"

#include "info/CalibrationRows.h"
#include "info/RecordCellTexts.h"
#include "state/RadioText.h"

#include <QVector>

namespace
{
constexpr int Columns = 3;
constexpr int ColumnGap = 2;

using Grid = QVector<QStringList>;

Grid gridOf(const DeviceRecordValues& values, const QString& fileName, const QLocale& locale)
{
    const QStringList labels = CalibrationRows::labels();
    Grid grid(CalibrationRows::RowCount, QStringList(Columns, QString()));
    for (int r = 0; r < grid.size(); ++r)
        grid[r][0] = labels.value(r);
    grid[0][1] = CalibrationRows::feHeader();
    grid[0][2] = CalibrationRows::nfeHeader();
    for (const CellText& c : recordCellTexts(values, fileName, locale)) {
        if (c.row >= 0 && c.row < grid.size() && c.column >= 0 && c.column < Columns)
            grid[c.row][c.column] = c.text;
    }
    return grid;
}
} // namespace

namespace RecordTable
{

QStringList lines(const DeviceRecordValues& values, const QString& fileName, const QLocale& locale)
{
    const Grid grid = gridOf(values, fileName, locale);
    int widths[Columns] = {};
    for (const QStringList& row : grid) {
        for (int c = 0; c < Columns; ++c)
            widths[c] = qMax(widths[c], int(row[c].size()));
    }
    QStringList out;
    for (const QStringList& row : grid) {
        if (row.join(QString()).isEmpty())
            continue;
        if (row[1].isEmpty() && row[2].isEmpty()) {
            out.append(row[0]);
            continue;
        }
        QString line =
            row[0].leftJustified(widths[0] + ColumnGap) + row[1].rightJustified(widths[1]);
        if (!row[2].isEmpty())
            line += QString(ColumnGap, QLatin1Char(' ')) + row[2].rightJustified(widths[2]);
        out.append(line);
    }
    return out;
}

QString identityLines(const IdentityFields& id)
{
    using RadioText::visible;
    return QStringLiteral("Hardware = %1\nMac = %2\nControler = %3\nBuild = %4\nRevision = %5")
        .arg(visible(id.Hardware), visible(id.Mac), visible(id.Controler), visible(id.Build),
             visible(id.Revision));
}

} // namespace RecordTable
