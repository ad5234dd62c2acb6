#include "picture/BmpDecoder.h"

#include "picture/ImageDecoder.h"

#include <QtEndian>

namespace
{
constexpr qsizetype kPixelOffsetAt = 10;
constexpr int kBytesPerPixel = 4;

quint32 pixelAt(const QByteArray& data, qint64 offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}
} // namespace

BmpDecoder::Alpha BmpDecoder::classifyAlpha(const QByteArray& data, const BmpHeader& header)
{
    if (header.bitCount != 32 || header.compression != BmpHeader::kRgb)
        return Alpha::None;
    bool anyTransparent = false;
    bool anyVisible = false;
    bool colourAboveAlpha = false;
    const qint64 end = header.pixelOffset + header.stride() * header.rows();
    for (qint64 at = header.pixelOffset; at + kBytesPerPixel <= end; at += kBytesPerPixel) {
        const quint32 argb = pixelAt(data, at);
        const int a = qAlpha(argb);
        anyTransparent |= a != 255;
        anyVisible |= a != 0;
        colourAboveAlpha |= qRed(argb) > a || qGreen(argb) > a || qBlue(argb) > a;
    }
    if (!anyVisible || !anyTransparent)
        return Alpha::None; // alpha unused or all opaque
    return colourAboveAlpha ? Alpha::Straight : Alpha::Premultiplied;
}

QImage BmpDecoder::fromRawPixels(const QByteArray& data, const BmpHeader& header, Alpha alpha)
{
    const auto format =
        alpha == Alpha::Straight ? QImage::Format_ARGB32 : QImage::Format_ARGB32_Premultiplied;
    QImage image(header.width, header.rows(), format);
    if (image.isNull())
        return image;
    for (int y = 0; y < header.rows(); ++y) {
        const int sourceRow = header.topDown() ? y : header.rows() - 1 - y;
        const qint64 rowStart = header.pixelOffset + header.stride() * sourceRow;
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < header.width; ++x)
            line[x] = pixelAt(data, rowStart + qint64(x) * kBytesPerPixel);
    }
    return image;
}

std::optional<BmpDecoder::Result> BmpDecoder::decode(const QByteArray& data,
                                                     const BmpHeader& header)
{
    const Alpha alpha = classifyAlpha(data, header);
    if (alpha != Alpha::None) {
        QImage image = fromRawPixels(data, header, alpha);
        if (image.isNull())
            return std::nullopt;
        return Result{image, alpha == Alpha::Premultiplied};
    }
    // Hand the decoder a file whose pixel offset is the one computed from the headers.
    QByteArray file = data;
    qToLittleEndian<quint32>(quint32(header.pixelOffset), file.data() + kPixelOffsetAt);
    const auto image = ImageDecoder::decode(file, "bmp");
    if (!image)
        return std::nullopt;
    return Result{*image, false};
}
