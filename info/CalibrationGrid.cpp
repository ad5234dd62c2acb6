#include "info/CalibrationGrid.h"

#include "info/CalibrationRows.h"

#include <QHeaderView>
#include <QTableWidget>

namespace CalibrationGrid
{

int twipsToPixels(int twips, qreal logicalDpi)
{
    return qRound(twips * logicalDpi / TwipsPerInch);
}

QStringList rowLabels()
{
    return CalibrationRows::labels();
}

namespace
{
QTableWidgetItem* cell(QTableWidget& grid, int row, int column)
{
    QTableWidgetItem* item = grid.item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid.setItem(row, column, item);
    }
    return item;
}

void setBackground(QTableWidget& grid, int row, int column, const QColor& colour)
{
    cell(grid, row, column)->setBackground(colour);
}

void shade(QTableWidget& grid)
{
    // The header row is a fixed row in the light grey.
    for (int c = 0; c < Columns; ++c)
        setBackground(grid, 0, c, lightShade());
    for (int r = 0; r < Rows; ++r) {
        setBackground(grid, r, 0, lightShade());
        if (r >= UserSettingsFirstRow) {
            for (int c = 0; c < Columns; ++c)
                setBackground(grid, r, c, darkShade());
        }
    }
    for (int c = 0; c < Columns; ++c)
        setBackground(grid, 1, c, lightShade());
}
} // namespace

void format(QTableWidget& grid, qreal logicalDpi)
{
    grid.setColumnCount(Columns);
    grid.setRowCount(Rows);
    grid.horizontalHeader()->hide();
    grid.verticalHeader()->hide();
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setFixedSize(twipsToPixels(WidthTwips, logicalDpi),
                      twipsToPixels(HeightTwips, logicalDpi));
    const int rowHeight =
        qMax(twipsToPixels(RowTwips, logicalDpi), grid.fontMetrics().height() + 2);
    grid.verticalHeader()->setMinimumSectionSize(1);
    grid.verticalHeader()->setDefaultSectionSize(rowHeight);
    for (int r = 0; r < Rows; ++r)
        grid.setRowHeight(r, rowHeight);
    grid.setColumnWidth(0, twipsToPixels(LabelColumnTwips, logicalDpi));
    grid.setColumnWidth(1, twipsToPixels(ValueColumnTwips, logicalDpi));
    grid.setColumnWidth(2, twipsToPixels(ValueColumnTwips, logicalDpi));
    for (int r = 0; r < Rows; ++r) {
        for (int c = 0; c < Columns; ++c)
            cell(grid, r, c);
    }
    cell(grid, 0, 1)->setText(CalibrationRows::feHeader());
    cell(grid, 0, 2)->setText(CalibrationRows::nfeHeader());
    const QStringList labels = rowLabels();
    for (int r = 1; r <= 17; ++r)
        cell(grid, r, 0)->setText(labels.value(r));
    // The header row is fixed: shown, never selected.
    for (int c = 0; c < Columns; ++c)
        cell(grid, 0, c)->setFlags(Qt::ItemIsEnabled);
    shade(grid);
}

void fill(QTableWidget& grid, const QList<CellText>& cells)
{
    for (const CellText& c : cells) {
        if (c.row < 0 || c.row >= grid.rowCount() || c.column < 0 || c.column >= grid.columnCount())
            continue;
        cell(grid, c.row, c.column)->setText(c.text);
    }
}

void clearValues(QTableWidget& grid, const QString& topLeft)
{
    QList<CellText> cells{{0, 0, topLeft}};
    for (int r = FirstValueRow; r <= LastValueRow; ++r) {
        for (int c = FirstValueColumn; c < Columns; ++c)
            cells.append({r, c, QString()});
    }
    fill(grid, cells);
}

void markCells(QTableWidget& grid, const QList<CellPosition>& cells, const QString& hint)
{
    for (int r = FirstValueRow; r <= LastValueRow; ++r) {
        for (int c = FirstValueColumn; c < Columns; ++c) {
            QTableWidgetItem* item = grid.item(r, c);
            if (!item)
                continue;
            const bool marked = cells.contains(CellPosition{r, c});
            QFont font = grid.font();
            font.setBold(marked);
            item->setFont(font);
            item->setToolTip(marked ? hint : QString());
        }
    }
}

} // namespace CalibrationGrid
