#include "sim/SimRecords.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace
{
constexpr int kRecordSize = 400;

class RecordBuilder
{
public:
    RecordBuilder() : m_bytes(kRecordSize, '\0') {}
    void u8(int offset, int v) { m_bytes[offset] = char(v & 0xFF); }
    void i16(int offset, int v) { qToLittleEndian<qint16>(qint16(v), ptr(offset)); }
    void i32(int offset, qint32 v) { qToLittleEndian<qint32>(v, ptr(offset)); }
    void f32(int offset, float v)
    {
        quint32 bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        qToLittleEndian<quint32>(bits, ptr(offset));
    }
    void text(int offset, const char* t, int size)
    {
        for (int i = 0; i < size && t[i]; ++i)
            m_bytes[offset + i] = t[i];
    }
    QByteArray bytes() const { return m_bytes; }

private:
    uchar* ptr(int offset) { return reinterpret_cast<uchar*>(m_bytes.data()) + offset; }
    QByteArray m_bytes;
};

struct ProbeBlock {
    float offsetVoltage, scale, valueAir, currentAir, maxRange;
    int w20, w22, w24, w26;
};

void writeBlock(RecordBuilder& r, int base, const ProbeBlock& b)
{
    r.f32(base + 0, b.offsetVoltage);
    r.f32(base + 4, b.scale);
    r.f32(base + 8, b.valueAir);
    r.f32(base + 12, b.currentAir);
    r.f32(base + 16, b.maxRange);
    r.i16(base + 20, b.w20);
    r.i16(base + 22, b.w22);
    r.i16(base + 24, b.w24);
    r.i16(base + 26, b.w26);
}

// Thickness (um) against normalised reading for one probe kind: 15 points each.
void writeCurves(RecordBuilder& r, int tableA, int tableB, float range, float bend)
{
    for (int i = 0; i < 15; ++i) {
        const float t = float(i) / 14.0f;
        r.f32(tableA + 4 * i, std::round(range * t * t * 10.0f) / 10.0f);
        r.f32(tableB + 4 * i, 1.0f - std::pow(t, bend) * 0.92f);
    }
}

QByteArray buildRecord(float drift)
{
    RecordBuilder r;
    r.u8(0, 0x5A);
    r.u8(1, 0x01);
    r.i16(2, kRecordSize);
    r.i32(4, 20261205);
    r.u8(8, 3); // device type
    r.u8(9, 1); // start-up options
    r.text(10, "ZELVO1", 6);
    r.u8(16, 2); // menu level
    r.text(18, "DEU", 4);
    r.u8(22, 0);  // memory setting: zero byte
    r.u8(23, 0);  // units
    r.u8(24, 1);  // beep
    r.u8(25, 5);  // contrast
    r.u8(26, 30); // switch-off time
    r.u8(27, 1);  // Bluetooth LE use
    r.u8(32, 3);  // probe type: combined FE/NFE
    r.u8(33, 3);
    writeCurves(r, 36, 96, 1500.0f, 0.8f);
    writeCurves(r, 156, 216, 1000.0f, 0.7f);
    writeBlock(r, 276, {1.234f + drift, 1234.5f, 2.5f, 0.75f, 1500.0f, -12, 250, 25, -3});
    writeBlock(r, 304, {1.198f + drift, 980.25f, 3.1f, 0.8f, 1000.0f, 300, 30, 0, 0});
    r.f32(332, 0.5f);
    r.f32(336, 50.0f);
    return r.bytes();
}
} // namespace

namespace SimRecords
{
QByteArray defaultProbe()
{
    return buildRecord(0.0f);
}

QByteArray defaultFactory()
{
    return buildRecord(-0.004f);
}
} // namespace SimRecords
