#include "picture/ImageDecoder.h"

#include <QBuffer>
#include <QImageReader>

namespace
{
bool withinLimits(const QSize& size)
{
    return size.width() <= ImageDecoder::kMaxSide && size.height() <= ImageDecoder::kMaxSide;
}

// A reader over a private copy of the bytes; the copy shares the data without copying.
struct Reader {
    Reader(const QByteArray& data, const QByteArray& format) : bytes(data), buffer(&bytes)
    {
        buffer.open(QIODevice::ReadOnly);
        reader.setDevice(&buffer);
        if (!format.isEmpty()) {
            reader.setFormat(format);
            reader.setAutoDetectImageFormat(false);
        }
    }
    std::optional<QImage> next()
    {
        if (!withinLimits(reader.size()))
            return std::nullopt;
        QImage image;
        if (!reader.read(&image) || image.isNull() || !withinLimits(image.size()))
            return std::nullopt;
        return image;
    }
    QByteArray bytes;
    QBuffer buffer;
    QImageReader reader;
};
} // namespace

std::optional<QImage> ImageDecoder::decode(const QByteArray& data, const QByteArray& format,
                                           int index)
{
    if (data.isEmpty() || index < 0 || index >= kMaxFrames)
        return std::nullopt;
    Reader r(data, format);
    if (index > 0 && r.reader.jumpToImage(index))
        return r.next();
    for (int i = 0; i < index; ++i) {
        if (!r.next())
            return std::nullopt;
    }
    return r.next();
}

int ImageDecoder::imageCount(const QByteArray& data, const QByteArray& format)
{
    if (data.isEmpty())
        return 0;
    Reader r(data, format);
    if (!r.reader.canRead())
        return 0;
    return qBound(1, r.reader.imageCount(), kMaxFrames);
}
