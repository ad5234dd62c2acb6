#pragma once

#include "picture/ImageSource.h"
#include "picture/LoadOptions.h"
#include "picture/Picture.h"
#include "picture/PictureKind.h"

#include <QColor>
#include <QList>
#include <optional>

// Loads pictures from files, bytes or other pictures, including PNG, TIFF, GIF, bitmaps with
// alpha, icons and cursors. Every failure gives no picture; nothing is ever shown to the user.
class StdPictureEx
{
public:
    std::optional<Picture> LoadPicture(const ImageSource& imageSource, int iconSize = 0,
                                       int iconColorDepth = 0, int desiredIconCx = 0,
                                       int desiredIconCy = 0, bool keepOriginalFormat = false,
                                       int requiredFormat = 0) const;
    bool SavePicture(const Picture& picture, const QString& destination,
                     bool alwaysSaveAsBitmap = false, bool keepPremultipliedBits = false,
                     const QColor& bitmapBkgColor = Qt::white) const;
    int SubImageCount(const Picture& picture) const { return picture.subImageCount(); }
    int SubImageIndex(const Picture& picture) const { return picture.subImageIndex(); }
    std::optional<Picture> SubImage(const Picture& picture, int newIndex) const;
    void UnManage(Picture& picture) const { picture.dropSourceData(); }
    bool IsManaged(const Picture& picture) const { return picture.isManaged(); }
    PictureKind PictureType(const Picture& picture) const { return picture.type(); }
    int GetGIFAnimationInfo(const Picture& picture, QList<int>& durations,
                            int zeroDurationAdjustment = 0) const;
    bool HasOriginalFormat(const Picture& picture) const { return picture.keepsOriginal(); }

    // The options as the load uses them.
    static LoadOptions normaliseOptions(LoadOptions options);
    // The kind the first bytes announce; Other when none is recognised.
    static PictureKind recognise(const QByteArray& data);

private:
    std::optional<Picture> fromBytes(const QByteArray& data, const LoadOptions& options) const;
    std::optional<Picture> decodeKind(PictureKind kind, const QByteArray& data,
                                      const LoadOptions& options) const;
    std::optional<Picture> decodeBitmap(const QByteArray& data) const;
    std::optional<Picture> decodeFrames(const QByteArray& data, PictureKind type, int index) const;
    std::optional<Picture> decodeIcon(const QByteArray& data, PictureKind type, int index) const;
    static Picture convert(const Picture& picture, const LoadOptions& options);
};
