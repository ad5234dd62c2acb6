#pragma once

#include "info/RecordCellTexts.h"

#include <QList>
#include <QLocale>
#include <QMap>

// A cell of the calibration table, row and column counted from 0.
struct CellPosition {
    int row = 0;
    int column = 0;
    bool operator==(const CellPosition& other) const
    {
        return row == other.row && column == other.column;
    }
    bool operator<(const CellPosition& other) const
    {
        return row != other.row ? row < other.row : column < other.column;
    }
};

// Which value cells of the calibration table differ between two records.
namespace RecordComparison
{
// The texts of the value cells by their position (the top-left cell, the file's name, left out).
QMap<CellPosition, QString> textsByCell(const QList<CellText>& cells);
// The cells whose texts differ between the two lists of cell texts (as recordCellTexts gives
// them), in row and column order. The top-left cell (the file's name) is not compared; a cell
// that only one list holds differs.
QList<CellPosition> differingCells(const QList<CellText>& first, const QList<CellText>& second);
// The cells whose texts (recordCellTexts in this locale) differ between two decoded records.
QList<CellPosition> differingCells(const DeviceRecordValues& first,
                                   const DeviceRecordValues& second, const QLocale& locale);
} // namespace RecordComparison
