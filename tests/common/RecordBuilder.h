#pragma once

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstring>

// Builds a gauge data record byte by byte (little-endian) and hands it out as hex text.
class RecordBuilder
{
public:
    explicit RecordBuilder(int size = 400) : m_bytes(size, '\0') {}

    RecordBuilder& u8(int offset, quint8 value) { return raw(offset, &value, 1); }
    RecordBuilder& i16(int offset, qint16 value)
    {
        const qint16 le = qToLittleEndian(value);
        return raw(offset, &le, sizeof le);
    }
    RecordBuilder& i32(int offset, qint32 value)
    {
        const qint32 le = qToLittleEndian(value);
        return raw(offset, &le, sizeof le);
    }
    RecordBuilder& f32(int offset, float value)
    {
        quint32 bits;
        std::memcpy(&bits, &value, sizeof bits);
        bits = qToLittleEndian(bits);
        return raw(offset, &bits, sizeof bits);
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
    RecordBuilder& raw(int offset, const void* data, int size)
    {
        if (offset >= 0 && offset + size <= m_bytes.size())
            std::memcpy(m_bytes.data() + offset, data, size_t(size));
        return *this;
    }
    QByteArray m_bytes;
};
