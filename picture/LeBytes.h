#pragma once

#include <QByteArray>
#include <optional>

// Bounded little-endian reads from a byte array; a read past the end gives no value.
class LeBytes
{
public:
    static std::optional<quint32> u32(const QByteArray& data, qint64 offset)
    {
        if (offset < 0 || offset + 4 > data.size())
            return std::nullopt;
        quint32 value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | quint8(data.at(offset + i));
        return value;
    }

    static std::optional<quint16> u16(const QByteArray& data, qint64 offset)
    {
        if (offset < 0 || offset + 2 > data.size())
            return std::nullopt;
        return quint16(quint8(data.at(offset)) | (quint8(data.at(offset + 1)) << 8));
    }

    static std::optional<qint32> s32(const QByteArray& data, qint64 offset)
    {
        const auto value = u32(data, offset);
        if (!value)
            return std::nullopt;
        return qint32(*value);
    }
};
