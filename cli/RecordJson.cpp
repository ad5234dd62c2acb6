#include "cli/RecordJson.h"

#include <QJsonArray>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace
{
template <typename T, std::size_t N> QJsonArray array(const std::array<T, N>& values)
{
    QJsonArray out;
    for (const T& v : values) {
        if constexpr (std::is_floating_point_v<T>)
            out.append(RecordJson::number(v));
        else
            out.append(qint64(v));
    }
    return out;
}

QJsonArray curves(const std::array<std::array<float, 15>, 2>& table)
{
    return {array(table[0]), array(table[1])};
}
} // namespace

namespace RecordJson
{

QJsonValue number(float value)
{
    if (!std::isfinite(value))
        return QJsonValue(QJsonValue::Null);
    char text[32] = {};
    const auto end = std::to_chars(text, text + sizeof text - 1, value);
    *end.ptr = '\0';
    return std::strtod(text, nullptr);
}

QJsonObject record(const DeviceRecordValues& v)
{
    return {
        {"HeaderByteA", v.HeaderByteA},
        {"HeaderByteB", v.HeaderByteB},
        {"HeaderWord", qint64(v.HeaderWord)},
        {"SerialNumber", qint64(v.SerialNumber)},
        {"DeviceType", number(v.DeviceType)},
        {"StartupOptions", v.StartupOptions},
        {"HeaderText", v.HeaderText},
        {"MenuLevel", number(v.MenuLevel)},
        {"LanguageText", v.LanguageText},
        {"MemoryText", v.MemoryText},
        {"UnitsSetting", v.UnitsSetting},
        {"BeepSetting", v.BeepSetting},
        {"ContrastSetting", v.ContrastSetting},
        {"SwitchOffTime", v.SwitchOffTime},
        {"UseBleSetting", v.UseBleSetting},
        {"ProbeType", v.ProbeType},
        {"UserProbeType", v.UserProbeType},
        {"CurveTableA", curves(v.CurveTableA)},
        {"CurveTableB", curves(v.CurveTableB)},
        {"OffsetVoltage", array(v.OffsetVoltage)},
        {"ProbeScale", array(v.ProbeScale)},
        {"ValueAir", array(v.ValueAir)},
        {"CurrentAir", array(v.CurrentAir)},
        {"MaxRange", array(v.MaxRange)},
        {"DraftLimitCoarse", array(v.DraftLimitCoarse)},
        {"DraftLimitFine", array(v.DraftLimitFine)},
        {"FeAdcOffset", qint64(v.FeAdcOffset)},
        {"FeTemperatureCorrection", v.FeTemperatureCorrection},
        {"ZeroTolerance", number(v.ZeroTolerance)},
        {"FoilValue", number(v.FoilValue)},
    };
}

QJsonObject identity(const IdentityFields& id)
{
    return {{"Hardware", id.Hardware},
            {"Mac", id.Mac},
            {"Controler", id.Controler},
            {"Build", id.Build},
            {"Revision", id.Revision}};
}

} // namespace RecordJson
