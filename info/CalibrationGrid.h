#pragma once

#include "info/RecordCellTexts.h"
#include "info/RecordComparison.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class QTableWidget;

// Layout and filling of the calibration table (19 rows x 3 columns: label, FE, NFE).
namespace CalibrationGrid
{
constexpr int Columns = 3;
constexpr int Rows = 19;
constexpr int WidthTwips = 8100;
constexpr int HeightTwips = 5500;
constexpr int LabelColumnTwips = 4000;
constexpr int ValueColumnTwips = 2000;
constexpr int UserSettingsFirstRow = 14;
// The value cells: rows 1 to 17, columns 1 (FE) and 2 (NFE).
constexpr int FirstValueRow = 1;
constexpr int LastValueRow = 17;
constexpr int FirstValueColumn = 1;
// Row height of the grid (one line of the default font), so that all 19 rows fit the height.
constexpr int RowTwips = 240;
constexpr int TwipsPerInch = 1440;

// Light grey of the header row and the label column; darker grey of the user-settings band.
inline QColor lightShade()
{
    return QColor(0xC0, 0xC0, 0xC0);
}
inline QColor darkShade()
{
    return QColor(0xA4, 0xA4, 0xA4);
}

// Pixels for a size in twips at the given logical dots per inch.
int twipsToPixels(int twips, qreal logicalDpi);

// The fixed labels of rows 0 to 18, column 0 (row 0 and row 18 empty).
QStringList rowLabels();

// Size, column widths, header texts, row labels and shading; value cells and the top-left cell
// keep their texts. logicalDpi converts the twip sizes.
void format(QTableWidget& grid, qreal logicalDpi);

// Writes the given cell texts (cells outside the table are skipped).
void fill(QTableWidget& grid, const QList<CellText>& cells);

// Empties the value cells and writes topLeft into the top-left cell.
void clearValues(QTableWidget& grid, const QString& topLeft);

// Bold text and the tool tip hint mark the value cells given (rows 1-17, columns 1-2); the other
// value cells show plain text without a tip. The background colours stay as they are.
void markCells(QTableWidget& grid, const QList<CellPosition>& cells, const QString& hint);
} // namespace CalibrationGrid
