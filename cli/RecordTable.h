#pragma once

#include "state/SharedState.h"

#include <QLocale>
#include <QStringList>

// The calibration table as text lines: the label column, then FE and NFE, with the window's cell
// texts. Row 0 holds the file name and the column headers; rows without any text are left out.
namespace RecordTable
{
QStringList lines(const DeviceRecordValues& values, const QString& fileName, const QLocale& locale);
// "Hardware = ..." to "Revision = ...", one line each, the gauge's texts with control characters
// spelled out.
QString identityLines(const IdentityFields& id);
} // namespace RecordTable
