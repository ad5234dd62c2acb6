// Loads arbitrary bytes as a picture, then asks for its sub-images and its animation delays the
// way a caller would after a successful load.
#include "picture/StdPictureEx.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImageReader>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
constexpr int kAllocationLimitMb = 16;
constexpr int kZeroDurationAdjustment = 10;
constexpr int kRequiredBitmap = 1;
constexpr int kMaxSubImagesVisited = 4;
constexpr int kDesiredSides[] = {0, 16, 32, 48};
constexpr int kRequiredFormats[] = {0, 1, 3, 0};

// Load options taken from the last byte, which none of the formats needs: bits 0-2 the icon size
// (1-3 standard sides, 4 the desired side, the rest out of range), bit 3 the original-format flag,
// bits 4-5 the required format, bits 6-7 the desired side.
struct Options {
    int iconSize = 0;
    bool keepOriginal = false;
    int requiredFormat = 0;
    int desiredSide = 0;
    explicit Options(uint8_t b)
        : iconSize(b & 7), keepOriginal((b >> 3) & 1),
          requiredFormat(kRequiredFormats[(b >> 4) & 3]), desiredSide(kDesiredSides[(b >> 6) & 3])
    {
    }
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Image plugins (GIF, ICO, TIFF) are found through the application object.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // A header of a few bytes can ask for an image just below Qt's limit of 128 MB, which takes
    // over a second under the sanitizers and says nothing more about the parsing than a small
    // one: the fuzzer keeps to 16 MB (larger images are refused as they are above the limit).
    QImageReader::setAllocationLimit(kAllocationLimitMb);
    // The image plugins warn about every damaged picture; the fuzzer only wants findings.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const StdPictureEx loader;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Options o(size > 0 ? data[size - 1] : 0);
    const auto picture = loader.LoadPicture(bytes, o.iconSize, 0, o.desiredSide, o.desiredSide,
                                            o.keepOriginal, o.requiredFormat);
    if (!picture)
        return 0;
    if (picture->isNull())
        std::abort(); // a load that succeeds gives an image

    const int count = loader.SubImageCount(*picture);
    if (count < 1)
        std::abort();
    for (int index = 1; index < qMin(count, kMaxSubImagesVisited); ++index)
        (void)loader.SubImage(*picture, index);
    if (count > 1)
        (void)loader.SubImage(*picture, count - 1);
    QList<int> durations;
    const int frames = loader.GetGIFAnimationInfo(*picture, durations, kZeroDurationAdjustment);
    if (frames != durations.size())
        std::abort();
    for (const int d : durations) {
        if (d <= 0)
            std::abort(); // zero delays take the adjustment
    }
    // The loaded picture converted as a bitmap, as the program's windows ask for it.
    (void)loader.LoadPicture(*picture, 0, 0, 0, 0, false, kRequiredBitmap);
    return 0;
}
