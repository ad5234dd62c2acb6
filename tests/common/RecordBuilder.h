#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <bit>
#include <cstring>

// Builds a gauge data record byte by byte (little-endian) and hands it out as hex text.
class RecordBuilder
{
public:
    explicit RecordBuilder(int size = 400) : m_bytes(size, '\0') {}

    RecordBuilder& u8(int offset, quint8 value) { return put(offset, value); }
    RecordBuilder& i16(int offset, qint16 value) { return put(offset, value); }
    RecordBuilder& i32(int offset, qint32 value) { return put(offset, value); }
    RecordBuilder& f32(int offset, float value)
    {
        return put(offset, std::bit_cast<quint32>(value));
    }
    // Bytes given as hex text in file order, e.g. "44455500".
    RecordBuilder& bytes(int offset, const QByteArray& hex)
    {
        const QByteArray data = QByteArray::fromHex(hex);
        return raw(offset, data.constData(), int(data.size()));
    }
    QString hex() const { return QString::fromLatin1(m_bytes.toHex()).toUpper(); }
    QByteArray data() const { return m_bytes; }

private:
    template <typename T> RecordBuilder& put(int offset, T value)
    {
        value = qToLittleEndian(value);
        return raw(offset, &value, int(sizeof value));
    }
    RecordBuilder& raw(int offset, const void* data, int size)
    {
        if (offset >= 0 && offset + size <= m_bytes.size())
            std::memcpy(m_bytes.data() + offset, data, size_t(size));
        return *this;
    }
    QByteArray m_bytes;
};
