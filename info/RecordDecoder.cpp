#include "info/RecordDecoder.h"

#include "info/RecordCodec.h"

namespace L = RecordLayout;

namespace
{

// Reads fields from the hex text by byte offset and remembers the first failure.
class FieldReader
{
public:
    explicit FieldReader(QStringView hex) : m_hex(hex) {}

    // Two digits per byte; empty when the field starts beyond the end, cut short at the end.
    QStringView digits(int offset, int size) const
    {
        const qsizetype start = qsizetype(offset) * 2;
        if (start >= m_hex.size())
            return {};
        return m_hex.mid(start, qMin<qsizetype>(qsizetype(size) * 2, m_hex.size() - start));
    }

    // Unsigned 8-bit (size 1) or signed 16-bit (size 2) integer, stored as int or float.
    template <typename T> bool integer(const char* name, int offset, int size, T& field)
    {
        const auto value = RecordCodec::HexToValue(digits(offset, size), u"");
        return store(name, offset, value, field);
    }

    bool single(const char* name, int offset, float& field)
    {
        const auto value = RecordCodec::HexToValue(digits(offset, 4), u"F");
        return store(name, offset, value, field);
    }

    bool longValue(const char* name, int offset, int size, int32_t& field)
    {
        const auto value = RecordCodec::HexToLong(digits(offset, size));
        return store(name, offset, value, field);
    }

    bool text(const char* name, int offset, int size, QString& field, qsizetype keep = -1)
    {
        const auto value = RecordCodec::HexToText(digits(offset, size));
        return store(name, offset, value ? std::optional(value->left(keep)) : value, field);
    }

    // A zero byte shows as the character "0".
    bool memoryText(const char* name, int offset, QString& field)
    {
        const QStringView raw = digits(offset, 1);
        const auto value = RecordCodec::HexToText(raw == u"00" ? QStringView(u"30") : raw);
        return store(name, offset, value, field);
    }

    RecordDecodeResult result;

private:
    template <typename V, typename T>
    bool store(const char* name, int offset, const std::optional<V>& value, T& field)
    {
        if (!value) {
            result = {false, name, offset};
            return false;
        }
        field = static_cast<T>(*value);
        return true;
    }

    QStringView m_hex;
};

bool decodeHeader(FieldReader& r, DeviceRecordValues& v)
{
    return r.integer("HeaderByteA", L::HeaderByteA, 1, v.HeaderByteA) &&
           r.integer("HeaderByteB", L::HeaderByteB, 1, v.HeaderByteB) &&
           r.integer("HeaderWord", L::HeaderWord, 2, v.HeaderWord) &&
           r.longValue("SerialNumber", L::SerialNumber, 4, v.SerialNumber) &&
           r.integer("DeviceType", L::DeviceType, 1, v.DeviceType) &&
           r.integer("StartupOptions", L::StartupOptions, 1, v.StartupOptions) &&
           r.text("HeaderText", L::HeaderText, L::HeaderTextSize, v.HeaderText) &&
           r.integer("MenuLevel", L::MenuLevel, 1, v.MenuLevel) &&
           r.text("LanguageText", L::LanguageText, L::LanguageTextSize, v.LanguageText, 3) &&
           r.memoryText("MemoryText", L::MemoryText, v.MemoryText) &&
           r.integer("UnitsSetting", L::UnitsSetting, 1, v.UnitsSetting) &&
           r.integer("BeepSetting", L::BeepSetting, 1, v.BeepSetting) &&
           r.integer("ContrastSetting", L::ContrastSetting, 1, v.ContrastSetting) &&
           r.integer("SwitchOffTime", L::SwitchOffTime, 1, v.SwitchOffTime) &&
           r.integer("UseBleSetting", L::UseBleSetting, 1, v.UseBleSetting) &&
           r.integer("ProbeType", L::ProbeType, 1, v.ProbeType) &&
           r.integer("UserProbeType", L::UserProbeType, 1, v.UserProbeType);
}

bool decodeCurve(FieldReader& r, const char* name, int offset, std::array<float, 15>& points)
{
    for (int i = 0; i < L::CurvePoints; ++i) {
        if (!r.single(name, offset + 4 * i, points[size_t(i)]))
            return false;
    }
    return true;
}

bool decodeCurves(FieldReader& r, DeviceRecordValues& v)
{
    return decodeCurve(r, "CurveTableA", L::CurveTableAFe, v.CurveTableA[0]) &&
           decodeCurve(r, "CurveTableB", L::CurveTableBFe, v.CurveTableB[0]) &&
           decodeCurve(r, "CurveTableA", L::CurveTableANfe, v.CurveTableA[1]) &&
           decodeCurve(r, "CurveTableB", L::CurveTableBNfe, v.CurveTableB[1]);
}

// The five floats both probe blocks start with.
bool decodeProbeFloats(FieldReader& r, int block, size_t kind, DeviceRecordValues& v)
{
    return r.single("OffsetVoltage", block + L::OffsetVoltage, v.OffsetVoltage[kind]) &&
           r.single("ProbeScale", block + L::ProbeScale, v.ProbeScale[kind]) &&
           r.single("ValueAir", block + L::ValueAir, v.ValueAir[kind]) &&
           r.single("CurrentAir", block + L::CurrentAir, v.CurrentAir[kind]) &&
           r.single("MaxRange", block + L::MaxRange, v.MaxRange[kind]);
}

bool decodeProbeBlocks(FieldReader& r, DeviceRecordValues& v)
{
    constexpr int fe = L::FeBlock;
    constexpr int nfe = L::NfeBlock;
    return decodeProbeFloats(r, fe, 0, v) &&
           r.longValue("FeAdcOffset", fe + L::FeAdcOffset, 2, v.FeAdcOffset) &&
           r.integer("DraftLimitCoarse", fe + L::FeDraftLimitCoarse, 2, v.DraftLimitCoarse[0]) &&
           r.integer("DraftLimitFine", fe + L::FeDraftLimitFine, 2, v.DraftLimitFine[0]) &&
           r.integer("FeTemperatureCorrection", fe + L::FeTemperatureCorrection, 2,
                     v.FeTemperatureCorrection) &&
           decodeProbeFloats(r, nfe, 1, v) &&
           r.integer("DraftLimitCoarse", nfe + L::NfeDraftLimitCoarse, 2, v.DraftLimitCoarse[1]) &&
           r.integer("DraftLimitFine", nfe + L::NfeDraftLimitFine, 2, v.DraftLimitFine[1]);
}

} // namespace

RecordDecodeResult decodeRecord(QStringView fileHex, DeviceRecordValues& out)
{
    FieldReader r(fileHex);
    const bool ok = decodeHeader(r, out) && decodeCurves(r, out) && decodeProbeBlocks(r, out) &&
                    r.single("ZeroTolerance", L::ZeroTolerance, out.ZeroTolerance) &&
                    r.single("FoilValue", L::FoilValue, out.FoilValue);
    return ok ? RecordDecodeResult{} : r.result;
}

void ClearRecordValues(DeviceRecordValues& v)
{
    v.HeaderByteA = 0;
    v.HeaderByteB = 0;
    v.HeaderWord = 0;
    v.SerialNumber = 0;
    v.ProbeType = 0;
    v.FeAdcOffset = 0;
    v.FoilValue = 0;
    v.OffsetVoltage = {};
    v.ProbeScale = {};
    v.ValueAir = {};
    v.CurrentAir = {};
    v.MaxRange = {};
    v.DraftLimitCoarse = {};
    v.DraftLimitFine = {};
}
