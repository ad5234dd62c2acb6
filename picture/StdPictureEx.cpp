#include "picture/StdPictureEx.h"

#include "picture/BmpDecoder.h"
#include "picture/GifFrames.h"
#include "picture/IconDirectory.h"
#include "picture/ImageDecoder.h"

#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

namespace
{
constexpr int kIconSideModulus = 4096;
constexpr int kRequiredBitmap = 1;
constexpr int kRequiredIcon = 3;
constexpr qint64 kMaxFileBytes = 256 * 1024 * 1024;
constexpr int kIconTypeAt = 2;
const QByteArray kPngSignature("\x89PNG", 4);

std::optional<QByteArray> readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    if (size <= 0 || size > kMaxFileBytes)
        return std::nullopt;
    QByteArray data = file.read(size);
    if (data.size() != size)
        return std::nullopt;
    return data;
}

QByteArray formatOf(PictureKind kind)
{
    switch (kind) {
    case PictureKind::Bitmap:
        return "bmp";
    case PictureKind::Gif:
        return "gif";
    case PictureKind::Png:
        return "png";
    case PictureKind::Tiff:
        return "tiff";
    case PictureKind::Icon:
    case PictureKind::Cursor:
        return "ico";
    default:
        return {};
    }
}

QImage flatten(const QImage& image, const QColor& background)
{
    QImage plain(image.size(), QImage::Format_RGB32);
    plain.fill(background);
    QPainter painter(&plain);
    painter.drawImage(0, 0, image);
    return plain;
}

QByteArray writeFormatFor(PictureKind kind, bool alwaysBitmap)
{
    const QByteArray format = formatOf(kind);
    if (alwaysBitmap || format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format))
        return "bmp";
    return format;
}
} // namespace

LoadOptions StdPictureEx::normaliseOptions(LoadOptions o)
{
    o.rememberedKeepOriginal = false;
    if (o.requiredFormat == kRequiredBitmap) {
        o.keepOriginalFormat = false;
    } else if (o.requiredFormat == kRequiredIcon) {
        o.rememberedKeepOriginal = o.keepOriginalFormat;
        o.keepOriginalFormat = false;
    } else {
        o.requiredFormat = 0;
    }
    o.desiredIconCx = qMax(0, o.desiredIconCx % kIconSideModulus);
    o.desiredIconCy = qMax(0, o.desiredIconCy % kIconSideModulus);
    o.iconColorDepth = qMax(0, o.iconColorDepth);
    return o;
}

PictureKind StdPictureEx::recognise(const QByteArray& data)
{
    if (data.startsWith("BM"))
        return PictureKind::Bitmap;
    if (data.startsWith("GIF"))
        return PictureKind::Gif;
    if (data.startsWith(kPngSignature))
        return PictureKind::Png;
    if (data.startsWith("II") || data.startsWith("MM"))
        return PictureKind::Tiff;
    if (data.startsWith(QByteArray("\0\0\1\0", 4)))
        return PictureKind::Icon;
    if (data.startsWith(QByteArray("\0\0\2\0", 4)))
        return PictureKind::Cursor;
    return PictureKind::Other;
}

std::optional<Picture> StdPictureEx::LoadPicture(const ImageSource& imageSource, int iconSize,
                                                 int iconColorDepth, int desiredIconCx,
                                                 int desiredIconCy, bool keepOriginalFormat,
                                                 int requiredFormat) const
{
    const LoadOptions options =
        normaliseOptions({iconSize, iconColorDepth, desiredIconCx, desiredIconCy,
                          keepOriginalFormat, requiredFormat, false});
    std::optional<Picture> picture;
    if (const auto* path = std::get_if<QString>(&imageSource)) {
        if (path->isEmpty())
            return std::nullopt;
        if (const auto data = readWholeFile(*path))
            picture = fromBytes(*data, options);
    } else if (const auto* bytes = std::get_if<QByteArray>(&imageSource)) {
        if (bytes->size() >= 2)
            picture = fromBytes(*bytes, options);
    } else if (const auto* existing = std::get_if<Picture>(&imageSource)) {
        if (!existing->isNull())
            picture = *existing;
    }
    if (!picture)
        return std::nullopt;
    return convert(*picture, options);
}

std::optional<Picture> StdPictureEx::fromBytes(const QByteArray& data,
                                               const LoadOptions& options) const
{
    const PictureKind kind = recognise(data);
    std::optional<Picture> picture = decodeKind(kind, data, options);
    // The bitmap header checks are final, and unrecognised bytes have had the generic decoder.
    if (!picture && kind != PictureKind::Bitmap && kind != PictureKind::Other) {
        if (const auto image = ImageDecoder::decode(data, {}))
            picture = Picture(*image, PictureKind::Other);
    }
    if (!picture)
        return std::nullopt;
    const bool keep = options.keepOriginalFormat || options.rememberedKeepOriginal;
    if (keep || picture->subImageCount() > 1 || kind == PictureKind::Gif)
        picture->setSourceData(data, keep);
    return picture;
}

std::optional<Picture> StdPictureEx::decodeKind(PictureKind kind, const QByteArray& data,
                                                const LoadOptions& options) const
{
    switch (kind) {
    case PictureKind::Bitmap:
        return decodeBitmap(data);
    case PictureKind::Icon:
    case PictureKind::Cursor: {
        const auto dir = IconDirectory::parse(data);
        if (!dir)
            return std::nullopt;
        return decodeIcon(data, kind,
                          dir->choose(options.iconSize, options.desiredIconCx,
                                      options.desiredIconCy, options.iconColorDepth));
    }
    default:
        return decodeFrames(data, kind, 0);
    }
}

std::optional<Picture> StdPictureEx::decodeBitmap(const QByteArray& data) const
{
    const auto header = BmpHeader::parse(data);
    if (!header)
        return std::nullopt;
    const auto bmp = BmpDecoder::decode(data, *header);
    if (!bmp)
        return std::nullopt;
    Picture picture(bmp->image, PictureKind::Bitmap);
    picture.setPremultiplied(bmp->premultiplied);
    return picture;
}

std::optional<Picture> StdPictureEx::decodeFrames(const QByteArray& data, PictureKind type,
                                                  int index) const
{
    const QByteArray format = formatOf(type);
    const auto image = ImageDecoder::decode(data, format, index);
    if (!image)
        return std::nullopt;
    Picture picture(*image, type);
    picture.setSubImages(qMax(index + 1, ImageDecoder::imageCount(data, format)), index);
    return picture;
}

std::optional<Picture> StdPictureEx::decodeIcon(const QByteArray& data, PictureKind type,
                                                int index) const
{
    const auto dir = IconDirectory::parse(data);
    if (!dir || index < 0 || index >= dir->entries().size())
        return std::nullopt;
    const IconDirectory::Entry& entry = dir->entries().at(index);
    std::optional<QImage> image;
    if (entry.png) {
        image = ImageDecoder::decode(data.mid(entry.offset, entry.size), "png");
    } else {
        QByteArray icon = data; // the icon decoder reads cursors given as icons
        icon[kIconTypeAt] = 1;
        image = ImageDecoder::decode(icon, "ico", index);
    }
    if (!image)
        return std::nullopt;
    Picture picture(*image, type);
    picture.setSubImages(dir->entries().size(), index);
    return picture;
}

Picture StdPictureEx::convert(const Picture& picture, const LoadOptions& options)
{
    if (options.requiredFormat == kRequiredBitmap)
        return Picture(flatten(picture.image(), Qt::white), PictureKind::Bitmap);
    if (options.requiredFormat != kRequiredIcon)
        return picture;
    Picture icon(picture.image().convertToFormat(QImage::Format_ARGB32), PictureKind::Icon);
    if (options.rememberedKeepOriginal && picture.isManaged())
        icon.setSourceData(picture.sourceData(), true);
    return icon;
}

std::optional<Picture> StdPictureEx::SubImage(const Picture& picture, int newIndex) const
{
    if (newIndex == picture.subImageIndex() && !picture.isNull())
        return picture;
    if (!picture.isManaged() || newIndex < 0 || newIndex >= picture.subImageCount())
        return std::nullopt;
    const QByteArray& source = picture.sourceData();
    const bool icon = picture.type() == PictureKind::Icon || picture.type() == PictureKind::Cursor;
    auto sub = icon ? decodeIcon(source, picture.type(), newIndex)
                    : decodeFrames(source, picture.type(), newIndex);
    if (sub)
        sub->setSourceData(source, picture.keepsOriginal());
    return sub;
}

int StdPictureEx::GetGIFAnimationInfo(const Picture& picture, QList<int>& durations,
                                      int zeroDurationAdjustment) const
{
    durations.clear();
    if (picture.type() != PictureKind::Gif || !picture.isManaged())
        return 0;
    durations = GifFrames::delays(picture.sourceData());
    for (int& d : durations) {
        if (d <= 0)
            d = qMax(0, zeroDurationAdjustment);
    }
    return durations.size();
}

bool StdPictureEx::SavePicture(const Picture& picture, const QString& destination,
                               bool alwaysSaveAsBitmap, bool keepPremultipliedBits,
                               const QColor& bitmapBkgColor) const
{
    if (picture.isNull() || destination.isEmpty())
        return false;
    QSaveFile file(destination);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    bool written = false;
    if (picture.keepsOriginal() && !alwaysSaveAsBitmap) {
        written = file.write(picture.sourceData()) == picture.sourceData().size();
    } else {
        const QByteArray format = writeFormatFor(picture.type(), alwaysSaveAsBitmap);
        QImage image = picture.image();
        // A bitmap has no alpha: premultiplied bits are the colours over black.
        if (format == "bmp" && image.hasAlphaChannel())
            image = flatten(image, keepPremultipliedBits ? QColor(Qt::black) : bitmapBkgColor);
        written = QImageWriter(&file, format).write(image);
    }
    return written && file.commit();
}
