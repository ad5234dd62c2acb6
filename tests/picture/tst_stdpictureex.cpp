#include "picture/BmpHeader.h"
#include "picture/StdPictureEx.h"
#include "tests/picture/TestImages.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(PictureKind)
Q_DECLARE_METATYPE(LoadOptions)

namespace
{
const QByteArray png = TestImages::encode(TestImages::filled(6, 4, qRgba(10, 200, 30, 255)), "png");
const QByteArray bmp24 =
    TestImages::encode(TestImages::filled(5, 3, 0xff336699, QImage::Format_RGB32), "bmp");
} // namespace

class TstStdPictureEx : public QObject
{
    Q_OBJECT

private slots:
    void normaliseOptions_data();
    void normaliseOptions();
    void sources_data();
    void sources();
    void recognised_data();
    void recognised();
    void bitmapAlpha_data();
    void bitmapAlpha();
    void bitmapHeaderChecks_data();
    void bitmapHeaderChecks();
    void bitmapPixelOffsetFromHeaders();
    void broken_data();
    void broken();
    void damagedCopiesNeverCrash();
    void iconEntryChoice_data();
    void iconEntryChoice();
    void subImagesOfIcon();
    void gifAnimationInfo_data();
    void gifAnimationInfo();
    void originalFormatKeptAndSaved();
    void requiredFormats();
    void startupLogo();

private:
    StdPictureEx loader;
    QTemporaryDir dir;
};

void TstStdPictureEx::normaliseOptions_data()
{
    QTest::addColumn<LoadOptions>("in");
    QTest::addColumn<LoadOptions>("out");
    QTest::newRow("startup call") << LoadOptions{4, 0, 48, 48, false, 0}
                                  << LoadOptions{4, 0, 48, 48, false, 0};
    QTest::newRow("bitmap drops keep")
        << LoadOptions{0, 0, 0, 0, true, 1} << LoadOptions{0, 0, 0, 0, false, 1};
    QTest::newRow("icon remembers keep")
        << LoadOptions{0, 0, 0, 0, true, 3} << LoadOptions{0, 0, 0, 0, false, 3, true};
    QTest::newRow("format 2 becomes 0")
        << LoadOptions{0, 0, 0, 0, true, 2} << LoadOptions{0, 0, 0, 0, true, 0};
    QTest::newRow("format -1 becomes 0")
        << LoadOptions{0, 0, 0, 0, false, -1} << LoadOptions{0, 0, 0, 0, false, 0};
    QTest::newRow("sides modulo 4096")
        << LoadOptions{4, 0, 4096, 4100, false, 0} << LoadOptions{4, 0, 0, 4, false, 0};
    QTest::newRow("negative sides")
        << LoadOptions{4, 0, -48, -5000, false, 0} << LoadOptions{4, 0, 0, 0, false, 0};
    QTest::newRow("negative depth")
        << LoadOptions{0, -8, 16, 16, false, 0} << LoadOptions{0, 0, 16, 16, false, 0};
}

void TstStdPictureEx::normaliseOptions()
{
    // caller's options / the options the load uses
    QFETCH(LoadOptions, in);
    QFETCH(LoadOptions, out);
    QVERIFY(StdPictureEx::normaliseOptions(in) == out);
}

void TstStdPictureEx::sources_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("loads");
    QTest::newRow("file path") << "file" << true;
    QTest::newRow("byte array") << "bytes" << true;
    QTest::newRow("existing picture") << "picture" << true;
    QTest::newRow("empty text") << "empty text" << false;
    QTest::newRow("missing file") << "missing" << false;
    QTest::newRow("empty file") << "empty file" << false;
    QTest::newRow("one byte") << "one byte" << false;
    QTest::newRow("null picture") << "null picture" << false;
    QTest::newRow("nothing") << "nothing" << false;
}

void TstStdPictureEx::sources()
{
    // each kind of source / a picture only from a readable, non-empty source
    QFETCH(QString, kind);
    QFETCH(bool, loads);
    const QString path = dir.filePath(kind);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kind == "empty file" ? QByteArray() : png);
    file.close();
    const QMap<QString, ImageSource> sources{
        {"file", path},
        {"bytes", png},
        {"picture",
         Picture(QImage(png.size() ? QImage::fromData(png) : QImage()), PictureKind::Png)},
        {"empty text", QString()},
        {"missing", dir.filePath("absent.png")},
        {"empty file", path},
        {"one byte", QByteArray("B")},
        {"null picture", Picture()},
        {"nothing", std::monostate()}};
    const auto picture = loader.LoadPicture(sources.value(kind), 4, 0, 48, 48, false, 0);
    QCOMPARE(picture.has_value(), loads);
    if (loads)
        QCOMPARE(picture->image().size(), QSize(6, 4));
}

void TstStdPictureEx::recognised_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<PictureKind>("kind");
    QTest::addColumn<QSize>("size");
    const QImage small = TestImages::filled(7, 5, qRgba(1, 2, 3, 255));
    QTest::newRow("png") << png << PictureKind::Png << QSize(6, 4);
    QTest::newRow("bmp 24-bit") << bmp24 << PictureKind::Bitmap << QSize(5, 3);
    QTest::newRow("bmp 32-bit") << TestImages::bmp32(3, 2, 0x80402010) << PictureKind::Bitmap
                                << QSize(3, 2);
    QTest::newRow("gif") << TestImages::gif({0}) << PictureKind::Gif << QSize(1, 1);
    QTest::newRow("ico") << TestImages::icon({16}) << PictureKind::Icon << QSize(16, 16);
    QTest::newRow("cur") << TestImages::icon({32}, 2) << PictureKind::Cursor << QSize(32, 32);
    QTest::newRow("tiff") << TestImages::encode(small, "tiff") << PictureKind::Tiff << QSize(7, 5);
    QTest::newRow("jpeg, by content")
        << TestImages::encode(small, "jpeg") << PictureKind::Other << QSize(7, 5);
}

void TstStdPictureEx::recognised()
{
    // bytes of one image kind / a picture of that kind and size
    QFETCH(QByteArray, bytes);
    QFETCH(PictureKind, kind);
    QFETCH(QSize, size);
    if (bytes.isEmpty())
        QSKIP("no writer for this image kind");
    QCOMPARE(StdPictureEx::recognise(bytes), kind);
    const auto picture = loader.LoadPicture(bytes);
    QVERIFY(picture);
    QCOMPARE(loader.PictureType(*picture), kind);
    QCOMPARE(picture->image().size(), size);
}

void TstStdPictureEx::bitmapAlpha_data()
{
    QTest::addColumn<quint32>("pixel");
    QTest::addColumn<bool>("premultiplied");
    QTest::addColumn<QRgb>("shown");
    QTest::newRow("straight alpha") << 0x80ff4020u << false << qRgba(0xff, 0x40, 0x20, 0x80);
    QTest::newRow("premultiplied alpha") << 0x80402010u << true << qRgba(0x80, 0x40, 0x20, 0x80);
    QTest::newRow("alpha unused") << 0x00ff4020u << false << qRgba(0xff, 0x40, 0x20, 0xff);
    QTest::newRow("opaque") << 0xffff4020u << false << qRgba(0xff, 0x40, 0x20, 0xff);
}

void TstStdPictureEx::bitmapAlpha()
{
    // 32-bit bitmap pixel / transparency kept, premultiplied pixels marked and shown unmultiplied
    QFETCH(quint32, pixel);
    QFETCH(bool, premultiplied);
    QFETCH(QRgb, shown);
    const auto picture = loader.LoadPicture(TestImages::bmp32(2, 2, pixel));
    QVERIFY(picture);
    QCOMPARE(picture->isPremultiplied(), premultiplied);
    const QRgb got = picture->image().convertToFormat(QImage::Format_ARGB32).pixel(1, 1);
    QVERIFY2(qAbs(qRed(got) - qRed(shown)) <= 1 && qAlpha(got) == qAlpha(shown),
             qPrintable(QString::number(got, 16)));
}

void TstStdPictureEx::bitmapHeaderChecks_data()
{
    QTest::addColumn<int>("infoSize");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("compression");
    QTest::addColumn<int>("pixelOffset"); // 0: headers refused
    QTest::newRow("info 39") << 39 << 32 << 0 << 0;
    QTest::newRow("info 40") << 40 << 32 << 0 << 54;
    QTest::newRow("info 124") << 124 << 32 << 0 << 138;
    QTest::newRow("info 125") << 125 << 32 << 0 << 0;
    QTest::newRow("bit count 0") << 40 << 0 << 0 << 0;
    QTest::newRow("compression 3 masks") << 40 << 32 << 3 << 66;
    QTest::newRow("compression 3 v4 header") << 108 << 32 << 3 << 122;
    QTest::newRow("compression 4") << 40 << 32 << 4 << 0;
}

void TstStdPictureEx::bitmapHeaderChecks()
{
    // 1x1 bitmap with the given header fields / pixel data found after headers and masks, or
    // refused
    QFETCH(int, infoSize);
    QFETCH(int, bitCount);
    QFETCH(int, compression);
    QFETCH(int, pixelOffset);
    QByteArray bytes = TestImages::bmp32(1, 1, 0xff102030);
    bytes.insert(54, QByteArray(qMax(0, infoSize - 40) + (compression == 3 ? 12 : 0), '\0'));
    bytes = TestImages::with32(
        TestImages::with16(TestImages::with32(bytes, 14, infoSize), 28, bitCount), 30, compression);
    const auto header = BmpHeader::parse(bytes);
    QCOMPARE(header ? int(header->pixelOffset) : 0, pixelOffset);
}

void TstStdPictureEx::bitmapPixelOffsetFromHeaders()
{
    // bitmap whose offset field points 3 bytes too far / pixels read where the headers end
    const auto picture = loader.LoadPicture(TestImages::with32(bmp24, 10, 57));
    QVERIFY(picture);
    QCOMPARE(picture->image().pixel(4, 2), QRgb(0xff336699));
}

void TstStdPictureEx::broken_data()
{
    QTest::addColumn<QByteArray>("bytes");
    using T = TestImages;
    QTest::newRow("png cut in half") << png.left(png.size() / 2);
    QTest::newRow("bmp info header 39") << T::with32(bmp24, 14, 39);
    QTest::newRow("bmp info header 125") << T::with32(bmp24, 14, 125);
    QTest::newRow("bmp bit count 0") << T::with16(bmp24, 28, 0);
    QTest::newRow("bmp compression 4") << T::with32(bmp24, 30, 4);
    QTest::newRow("bmp huge width") << T::with32(bmp24, 18, 100000);
    QTest::newRow("bmp huge height") << T::with32(bmp24, 22, 0x80000000u);
    QTest::newRow("bmp huge palette") << T::with32(bmp24, 46, 0x40000000u);
    QTest::newRow("bmp pixels cut") << bmp24.left(bmp24.size() - 4);
    QTest::newRow("bmp header only") << QByteArray("BM");
    QTest::newRow("ico entry past end") << T::with32(T::icon({16}), 18, 1u << 30);
    QTest::newRow("ico no entries") << T::with16(T::icon({16}), 4, 0);
    QTest::newRow("gif header only") << T::gif({}).left(13);
    QTest::newRow("tiff marks only") << QByteArray("II*\0", 4);
    QTest::newRow("unknown bytes") << QByteArray("hello, gauge");
}

void TstStdPictureEx::broken()
{
    // truncated or corrupt image / no picture
    QFETCH(QByteArray, bytes);
    QVERIFY(!loader.LoadPicture(bytes, 4, 0, 48, 48, false, 0));
}

void TstStdPictureEx::damagedCopiesNeverCrash()
{
    // every cut and random damage of valid files, noise after known first bytes / no crash
    const auto withinLimits = [this](const QByteArray& bytes) {
        const auto picture = loader.LoadPicture(bytes);
        if (!picture)
            return true;
        QList<int> durations;
        loader.GetGIFAnimationInfo(*picture, durations);
        loader.SubImage(*picture, 1);
        return picture->image().width() <= 16384 && picture->image().height() <= 16384;
    };
    QRandomGenerator random(20261206);
    const QList<QByteArray> samples{png,
                                    bmp24,
                                    TestImages::bmp32(3, 3, 0x80ff0000),
                                    TestImages::gif({5, 0}),
                                    TestImages::icon({16, 32}),
                                    TestImages::icon({16}, 2)};
    for (const QByteArray& sample : samples) {
        for (int cut = 0; cut <= sample.size(); ++cut)
            QVERIFY(withinLimits(sample.left(cut)));
        for (int round = 0; round < 200; ++round) {
            QByteArray damaged = sample;
            for (int i = 0; i < 4; ++i)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            QVERIFY(withinLimits(damaged));
        }
    }
    const QList<QByteArray> magics{"BM",
                                   "GIF8",
                                   "\x89PNG",
                                   "II*",
                                   "MM",
                                   QByteArray("\0\0\1\0\1", 5),
                                   QByteArray("\0\0\2\0\2", 5)};
    for (QByteArray bytes : magics) {
        for (int length = 0; length < 300; ++length, bytes += char(random.bounded(256)))
            QVERIFY(withinLimits(bytes));
    }
}

void TstStdPictureEx::iconEntryChoice_data()
{
    QTest::addColumn<int>("iconSize");
    QTest::addColumn<int>("cx");
    QTest::addColumn<int>("cy");
    QTest::addColumn<int>("side");
    QTest::newRow("desired 48") << 4 << 48 << 48 << 48;
    QTest::newRow("desired 30, nearest larger") << 4 << 30 << 30 << 32;
    QTest::newRow("desired wraps at 4096") << 4 << 4096 + 16 << 16 << 16;
    QTest::newRow("desired 0, largest") << 4 << 0 << 0 << 64;
    QTest::newRow("small") << 1 << 0 << 0 << 16;
    QTest::newRow("large") << 2 << 0 << 0 << 32;
    QTest::newRow("default") << 0 << 48 << 48 << 64;
}

void TstStdPictureEx::iconEntryChoice()
{
    // icon with 16, 32, 48, 64 entries and the size options / the entry of that side
    QFETCH(int, iconSize);
    QFETCH(int, cx);
    QFETCH(int, cy);
    QFETCH(int, side);
    for (int type : {1, 2}) {
        const auto picture =
            loader.LoadPicture(TestImages::icon({16, 32, 64, 48}, type), iconSize, 0, cx, cy);
        QVERIFY(picture);
        QCOMPARE(picture->image().size(), QSize(side, side));
        QCOMPARE(qRed(picture->image().pixel(0, 0)), side);
    }
}

void TstStdPictureEx::subImagesOfIcon()
{
    // four-entry icon / every entry reachable, none after UnManage
    const auto picture = loader.LoadPicture(TestImages::icon({16, 32, 64, 48}), 1);
    QVERIFY(picture);
    QCOMPARE(loader.SubImageCount(*picture), 4);
    QCOMPARE(loader.SubImageIndex(*picture), 0);
    const auto third = loader.SubImage(*picture, 2);
    QVERIFY(third);
    QCOMPARE(third->image().width(), 64);
    QCOMPARE(loader.SubImageIndex(*third), 2);
    QVERIFY(!loader.SubImage(*picture, 4));
    Picture unmanaged = *picture;
    loader.UnManage(unmanaged);
    QVERIFY(!loader.IsManaged(unmanaged));
    QVERIFY(!loader.SubImage(unmanaged, 2));
}

void TstStdPictureEx::gifAnimationInfo_data()
{
    QTest::addColumn<QList<int>>("ticks");
    QTest::addColumn<int>("zeroAdjustment");
    QTest::addColumn<QList<int>>("durations");
    QTest::newRow("second frame zero") << QList<int>{10, 0} << 70 << QList<int>{100, 70};
    QTest::newRow("first frame zero") << QList<int>{0, 10} << 0 << QList<int>{0, 100};
    QTest::newRow("three frames") << QList<int>{10, 20, 30} << 5 << QList<int>{100, 200, 300};
    QTest::newRow("single frame") << QList<int>{7} << 0 << QList<int>{70};
}

void TstStdPictureEx::gifAnimationInfo()
{
    // GIF frames with delays in hundredths / frame count and durations in ms, zeros adjusted
    QFETCH(QList<int>, ticks);
    QFETCH(int, zeroAdjustment);
    QFETCH(QList<int>, durations);
    const auto picture = loader.LoadPicture(TestImages::gif(ticks));
    QVERIFY(picture);
    QList<int> got{-1};
    QCOMPARE(loader.GetGIFAnimationInfo(*picture, got, zeroAdjustment), ticks.size());
    QCOMPARE(got, durations);
    QCOMPARE(loader.SubImageCount(*picture), ticks.size());
    QVERIFY(loader.SubImage(*picture, ticks.size() - 1));
    QVERIFY(!loader.SubImage(*picture, ticks.size()));
}

void TstStdPictureEx::originalFormatKeptAndSaved()
{
    // KeepOriginalFormat / the source bytes written back unchanged until UnManage
    auto picture = loader.LoadPicture(png, 0, 0, 0, 0, true, 0);
    QVERIFY(picture);
    QVERIFY(loader.HasOriginalFormat(*picture));
    const QString target = dir.filePath("kept.png");
    QVERIFY(loader.SavePicture(*picture, target));
    QFile saved(target);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), png);
    loader.UnManage(*picture);
    QVERIFY(!loader.HasOriginalFormat(*picture));
    QVERIFY(loader.SavePicture(*picture, dir.filePath("plain.bmp"), true, false, Qt::white));
    QCOMPARE(QImage(dir.filePath("plain.bmp")).size(), QSize(6, 4));
    QVERIFY(!loader.SavePicture(*picture, dir.filePath("missing/dir/x.png")));
}

void TstStdPictureEx::requiredFormats()
{
    // RequiredFormat 1 and 3 / a plain bitmap without alpha, an icon keeping the remembered
    // original
    const auto bitmap =
        loader.LoadPicture(TestImages::bmp32(2, 2, 0x80ff0000), 0, 0, 0, 0, true, 1);
    QVERIFY(bitmap);
    QCOMPARE(bitmap->type(), PictureKind::Bitmap);
    QVERIFY(!bitmap->image().hasAlphaChannel());
    QVERIFY(!loader.HasOriginalFormat(*bitmap));
    const auto icon = loader.LoadPicture(png, 0, 0, 0, 0, true, 3);
    QVERIFY(icon);
    QCOMPARE(icon->type(), PictureKind::Icon);
    QVERIFY(loader.HasOriginalFormat(*icon));
}

void TstStdPictureEx::startupLogo()
{
    // the start-up call on the built logo / a PNG picture
    const QString bin = qEnvironmentVariable("ZV_BIN_DIR");
    if (bin.isEmpty())
        QSKIP("ZV_BIN_DIR not set");
    const auto logo = loader.LoadPicture(bin + "/NaxoLogo.png", 4, 0, 48, 48, false, 0);
    QVERIFY(logo);
    QCOMPARE(logo->type(), PictureKind::Png);
    QVERIFY(logo->image().width() > 48);
}

QTEST_GUILESS_MAIN(TstStdPictureEx)
#include "tst_stdpictureex.moc"
