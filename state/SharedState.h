#pragma once

#include "state/ProgramIdentity.h"

#include <QString>
#include <array>
#include <cstdint>

// The variables every window shares, with their start values.
// There is exactly one instance for the whole process (sharedState()); all access happens on the
// user-interface thread. Tests call resetSharedState() to start from the start values again.

// The five identity fields the gauge's identity reply fills ("$naxo00 H:.. V:.. B:.. R:.. M:..").
struct IdentityFields {
    QString Hardware;  // H
    QString Mac;       // M
    QString Controler; // V
    QString Build;     // B
    QString Revision;  // R
};

// Decoded fields of the 400-byte device record (probe kinds: index 0 = FE, 1 = NFE).
struct DeviceRecordValues {
    int16_t HeaderByteA = 0;
    int16_t HeaderByteB = 0;
    int32_t HeaderWord = 0;
    int32_t SerialNumber = 0;
    float DeviceType = 0;
    int16_t StartupOptions = 0;
    QString HeaderText;
    float MenuLevel = 0;
    QString LanguageText;
    QString MemoryText;
    int16_t UnitsSetting = 0;
    int16_t BeepSetting = 0;
    int16_t ContrastSetting = 0;
    int16_t SwitchOffTime = 0;
    int16_t UseBleSetting = 0;
    int16_t ProbeType = 0;
    int16_t UserProbeType = 0;
    // Curve tables: [probe kind][point 0..14] (points 1 to 15).
    std::array<std::array<float, 15>, 2> CurveTableA{};
    std::array<std::array<float, 15>, 2> CurveTableB{};
    std::array<float, 2> OffsetVoltage{};
    std::array<float, 2> ProbeScale{};
    std::array<float, 2> ValueAir{};
    std::array<float, 2> CurrentAir{};
    std::array<float, 2> MaxRange{};
    std::array<int16_t, 2> DraftLimitCoarse{};
    std::array<int16_t, 2> DraftLimitFine{};
    int32_t FeAdcOffset = 0;
    int16_t FeTemperatureCorrection = 0;
    float ZeroTolerance = 0;
    float FoilValue = 0;
};

// Shape of the text catalogue: 3 languages (0 German, 1 English, 2 unused) x 101 entries, the text
// of entry e in language l at element l * TextEntryCount + e.
constexpr int TextLanguageCount = 3;
constexpr int TextEntryCount = 101;
// Shape of the language-file tables: 11 rows, names in 3 columns, row r of column c at element
// c * LanguageRowCount + r.
constexpr int LanguageRowCount = 11;
constexpr int LanguageColumnCount = 3;

struct SharedState {
    // Link and channel
    bool DeviceConnected = false;
    bool ServicesFound = false;
    bool TraceSubscribed = false;
    QString DeviceAddress;
    QString ServiceUuid = QStringLiteral("722383EA-0662-466F-B41F-0FD548267C10");
    QString CommandCharUuid = QStringLiteral("000028CA-0000-1000-8000-00805F9B34FB");
    QString TraceCharUuid = QStringLiteral("CA28ED7B-0662-466F-B41F-0FD548267C10");
    QString ServiceId;
    QString CommandCharId;
    QString TraceCharId;
    QString CommandText;
    QString CommandTerminator = QStringLiteral("!\r\n");
    int16_t ReplyStatus = 0;
    QString ReplyData;
    int16_t FileHandle = 0;
    int32_t FileLength = 0;
    QString IdentityCommand = QStringLiteral("$naxo00");
    double BatteryLevel = 0;
    QString TimeText;
    IdentityFields Identity;

    // Program, texts and log
    QString ProgramTitle = QString::fromUtf16(ProgramIdentity::kTitle);
    QString ProgramVersion = QString::fromUtf16(ProgramIdentity::kVersion);
    QString ProgramFolder;
    int16_t LanguageIndex = 0;
    QString LogFilePath;
    int16_t LogFileNumber = 0;
    std::array<QString, TextLanguageCount * TextEntryCount> MenuTexts;
    std::array<QString, TextLanguageCount * TextEntryCount> MessageTexts;
    std::array<QString, LanguageRowCount> LanguageCodes;
    std::array<QString, LanguageRowCount * LanguageColumnCount> LanguageNames;

    // Device files and records
    QString ProbeFileName = QStringLiteral("probe");
    QString FactoryFileName = QStringLiteral("factory");
    QString CurrentFileName;
    QString FileHex;
    QString ProbeData;
    QString FactoryData;
    int16_t UserSettingsFirstRow = 14;
    DeviceRecordValues Record;
};

// The one instance of the process.
SharedState& sharedState();

// Back to the start values (tests).
void resetSharedState();

// Forgets what was read from the gauge (its identity, the records and their hex texts): they
// hold only for the connection they were read over.
void forgetGaugeData(SharedState& state);
