#pragma once

#include "state/SharedState.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <optional>

// The characteristic curves of a data record as points to draw.
//
// Table A of a probe kind climbs from 0 to the probe's measuring range (a coating thickness),
// table B falls from 1 towards 0 (the probe's reading, normalised to the uncoated base). The gauge
// turns a normalised reading into a thickness along these 15 pairs, so a point is drawn at
// x = CurveTableB (reading), y = CurveTableA (thickness), points 1 to 15 in order.
namespace CurvePoints
{
constexpr int KindFe = 0;
constexpr int KindNfe = 1;
constexpr int KindCount = 2;

// The curve of one probe kind (0 FE, 1 NFE); a pair holding a value that is not finite is left
// out. Any other kind gives no points.
QList<QPointF> of(const DeviceRecordValues& values, int kind);

// The record held in a file's hex text, or nothing when the text is empty or does not decode.
std::optional<DeviceRecordValues> decoded(const QString& fileHex);
} // namespace CurvePoints
