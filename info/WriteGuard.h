#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The check before calibration data go into a gauge: do the data belong to this gauge? The
// serial number (record offset 4) and the probe type (record offset 32) of the data to write are
// compared with those of the gauge's current file. A text too short to hold a field carries no
// such value. A field the data carry matches only when the gauge's file carries the same value:
// where the gauge's file does not carry it (no file, or one that could not be opened) there is
// nothing to compare with, and the data are not known to match.
namespace WriteGuard
{
struct Marks {
    std::optional<qint32> serialNumber;
    std::optional<int> probeType;
};

struct Check {
    Marks data;                    // of the data to write
    Marks gauge;                   // of the gauge's current file
    bool serialDiffers = false;    // the data's serial number is not the gauge's, or it has none
    bool probeTypeDiffers = false; // the same for the probe type
    bool ok() const { return !serialDiffers && !probeTypeDiffers; }
    // The gauge's file carries neither field: nothing to compare the data with.
    bool gaugeUnknown() const { return !gauge.serialNumber && !gauge.probeType; }
};

// The marks a record's hex text carries. Total on any text.
Marks marksOf(QStringView hex);

// Compares the data to write with the gauge's current file.
Check compare(QStringView dataHex, QStringView gaugeHex);

// "1 (FE)", "3 (FE/NFE)", other numbers plain.
QString probeTypeText(int probeType);
} // namespace WriteGuard
