#include "info/CurvePoints.h"

#include "info/RecordDecoder.h"

#include <cmath>

namespace CurvePoints
{

QList<QPointF> of(const DeviceRecordValues& values, int kind)
{
    QList<QPointF> points;
    if (kind < 0 || kind >= KindCount)
        return points;
    const auto k = size_t(kind);
    for (int i = 0; i < RecordLayout::CurvePoints; ++i) {
        const float reading = values.CurveTableB[k][size_t(i)];
        const float thickness = values.CurveTableA[k][size_t(i)];
        if (std::isfinite(reading) && std::isfinite(thickness))
            points.append(QPointF(double(reading), double(thickness)));
    }
    return points;
}

std::optional<DeviceRecordValues> decoded(const QString& fileHex)
{
    if (fileHex.isEmpty())
        return std::nullopt;
    DeviceRecordValues values;
    if (!decodeRecord(fileHex, values))
        return std::nullopt;
    return values;
}

} // namespace CurvePoints
