#pragma once

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QtEndian>

// Image files built in memory for the picture loader's tests.
class TestImages
{
public:
    static QByteArray encode(const QImage& image, const QByteArray& format)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        return writer.write(image) ? bytes : QByteArray();
    }

    static QImage filled(int w, int h, QRgb argb, QImage::Format f = QImage::Format_ARGB32)
    {
        QImage image(w, h, f);
        image.fill(argb);
        return image;
    }

    // A bottom-up 32-bit bitmap with a 40-byte info header and uncompressed pixels.
    static QByteArray bmp32(int w, int h, quint32 argb)
    {
        QByteArray b(54 + 4 * w * h, '\0');
        b[0] = 'B', b[1] = 'M';
        put32(b, 2, b.size()), put32(b, 10, 54), put32(b, 14, 40);
        put32(b, 18, w), put32(b, 22, h), put16(b, 26, 1), put16(b, 28, 32);
        for (int i = 0; i < w * h; ++i)
            put32(b, 54 + 4 * i, argb);
        return b;
    }

    // A GIF of 1x1 frames, one per delay (in hundredths of a second).
    static QByteArray gif(const QList<int>& delays)
    {
        QByteArray b("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00", 19);
        for (int delay : delays) {
            b += QByteArray("\x21\xf9\x04\x00", 4) + char(delay & 0xff) + char(delay >> 8);
            b += QByteArray("\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00", 12);
            b += QByteArray("\x02\x02\x44\x01\x00", 5);
        }
        return b + ';';
    }

    // One icon file holding an entry of each given side (type 2 makes it a cursor).
    static QByteArray icon(const QList<int>& sides, int type = 1)
    {
        QList<QByteArray> images;
        for (int side : sides)
            images.append(encode(filled(side, side, qRgba(side, 0, 0, 255)), "ico").mid(22));
        QByteArray b(6 + 16 * sides.size(), '\0');
        put16(b, 2, type), put16(b, 4, sides.size());
        int offset = b.size();
        for (int i = 0; i < sides.size(); ++i) {
            b[6 + 16 * i] = char(sides[i] & 0xff);
            b[7 + 16 * i] = char(sides[i] & 0xff);
            put16(b, 10 + 16 * i, 32);
            put32(b, 14 + 16 * i, images[i].size()), put32(b, 18 + 16 * i, offset);
            offset += images[i].size();
        }
        for (const QByteArray& image : images)
            b += image;
        return b;
    }

    // The bytes with one little-endian field replaced.
    static QByteArray with32(QByteArray b, int at, quint32 v)
    {
        qToLittleEndian(v, b.data() + at);
        return b;
    }
    static QByteArray with16(QByteArray b, int at, quint16 v)
    {
        qToLittleEndian(v, b.data() + at);
        return b;
    }

private:
    static void put32(QByteArray& b, int at, quint32 v) { qToLittleEndian(v, b.data() + at); }
    static void put16(QByteArray& b, int at, quint16 v) { qToLittleEndian(v, b.data() + at); }
};
