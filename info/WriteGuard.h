#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// The check before calibration data go into a gauge: do the data belong to this gauge? The
// serial number (record offset 4) and the probe type (record offset 32) of the data to write are
// compared with those of the gauge's current file. A field is compared only when both texts hold
// it completely; a text too short to hold it carries no such value.
namespace WriteGuard
{
struct Marks {
    std::optional<qint32> serialNumber;
    std::optional<int> probeType;
};

struct Check {
    Marks data;  // of the data to write
    Marks gauge; // of the gauge's current file
    bool serialDiffers = false;
    bool probeTypeDiffers = false;
    bool ok() const { return !serialDiffers && !probeTypeDiffers; }
};

// The marks a record's hex text carries. Total on any text.
Marks marksOf(QStringView hex);

// Compares the data to write with the gauge's current file.
Check compare(QStringView dataHex, QStringView gaugeHex);

// "1 (FE)", "3 (FE/NFE)", other numbers plain.
QString probeTypeText(int probeType);
} // namespace WriteGuard
