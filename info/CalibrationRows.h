#pragma once

#include <QStringList>

// The fixed texts of the calibration table: the row labels of column 0 and the two column
// headers. The window's table and the command-line tool show the same texts.
namespace CalibrationRows
{
constexpr int RowCount = 19;

// The labels of rows 0 to 18 (row 0 and row 18 empty); identical in both languages.
QStringList labels();
// The column headers of row 0: "FE" (column 1) and "NFE" (column 2).
QString feHeader();
QString nfeHeader();
} // namespace CalibrationRows
