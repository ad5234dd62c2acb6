#pragma once

#include "state/SharedState.h"

#include <QList>
#include <QLocale>
#include <QString>

// One value cell of the calibration table: row and column counted from 0.
struct CellText {
    int row = 0;
    int column = 0;
    QString text;
    bool operator==(const CellText& other) const
    {
        return row == other.row && column == other.column && text == other.text;
    }
};

// The cell texts the calibration table shows for a decoded record, in the order they are
// written: the top-left cell (the device file's name) first, then per probe kind (FE column 1,
// NFE column 2) rows 1-5 and 6-7, then the single and paired settings of rows 8 to 17.
QList<CellText> recordCellTexts(const DeviceRecordValues& values, const QString& currentFileName,
                                const QLocale& locale);
