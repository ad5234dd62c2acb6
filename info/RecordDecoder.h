#pragma once

#include "state/SharedState.h"

#include <QStringView>
#include <cstdint>

// Byte offsets of the fields in the gauge's 400-byte data record ("probe" and "factory").
namespace RecordLayout
{
constexpr int HeaderByteA = 0;
constexpr int HeaderByteB = 1;
constexpr int HeaderWord = 2;
constexpr int SerialNumber = 4;
constexpr int DeviceType = 8;
constexpr int StartupOptions = 9;
constexpr int HeaderText = 10;
constexpr int HeaderTextSize = 6;
constexpr int MenuLevel = 16;
constexpr int LanguageText = 18;
constexpr int LanguageTextSize = 4;
constexpr int MemoryText = 22;
constexpr int UnitsSetting = 23;
constexpr int BeepSetting = 24;
constexpr int ContrastSetting = 25;
constexpr int SwitchOffTime = 26;
constexpr int UseBleSetting = 27;
constexpr int ProbeType = 32;
constexpr int UserProbeType = 33;
constexpr int CurveTableAFe = 36;
constexpr int CurveTableBFe = 96;
constexpr int CurveTableANfe = 156;
constexpr int CurveTableBNfe = 216;
constexpr int CurvePoints = 15;
constexpr int FeBlock = 276;
constexpr int NfeBlock = 304;
// Inside a probe block.
constexpr int OffsetVoltage = 0;
constexpr int ProbeScale = 4;
constexpr int ValueAir = 8;
constexpr int CurrentAir = 12;
constexpr int MaxRange = 16;
constexpr int FeAdcOffset = 20;
constexpr int FeDraftLimitCoarse = 22;
constexpr int FeDraftLimitFine = 24;
constexpr int FeTemperatureCorrection = 26;
constexpr int NfeDraftLimitCoarse = 20;
constexpr int NfeDraftLimitFine = 22;
// Tail.
constexpr int ZeroTolerance = 332;
constexpr int FoilValue = 336;
constexpr int RecordSize = 400;
} // namespace RecordLayout

// Outcome of a record decode: ok, or the first field that could not be decoded.
struct RecordDecodeResult {
    bool ok = true;
    const char* failedField = nullptr; // field name, e.g. "FoilValue"
    int failedOffset = -1;             // byte offset of that field (of the point for curves)
    explicit operator bool() const { return ok; }
};

// Decodes the record's fields from its hex text (two digits per byte, any case) in ascending
// offset order. Stops at the first field that fails; the fields before it keep their new values.
// A field cut short by the end of the text decodes from the digits present; bytes beyond the
// foil value are not examined. Total on any text.
RecordDecodeResult decodeRecord(QStringView fileHex, DeviceRecordValues& out);

// Zeroes the fields a new read starts from; the other fields keep their values.
void ClearRecordValues(DeviceRecordValues& values);
