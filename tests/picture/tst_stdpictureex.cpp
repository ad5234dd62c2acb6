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
    using O = LoadOptions;
    QTest::newRow("startup call") << O{4, 0, 48, 48, false, 0} << O{4, 0, 48, 48, false, 0};
    QTest::newRow("bitmap drops keep") << O{0, 0, 0, 0, true, 1} << O{0, 0, 0, 0, false, 1};
    QTest::newRow("icon remembers keep") << O{0, 0, 0, 0, true, 3} << O{0, 0, 0, 0, false, 3, true};
    QTest::newRow("format 2 becomes 0") << O{0, 0, 0, 0, true, 2} << O{0, 0, 0, 0, true, 0};
    QTest::newRow("format -1 becomes 0") << O{0, 0, 0, 0, false, -1} << O{0, 0, 0, 0, false, 0};
    QTest::newRow("sides modulo 4096") << O{4, 0, 4096, 4100, false, 0} << O{4, 0, 0, 4, false, 0};
    QTest::newRow("negative sides") << O{4, 0, -48, -5000, false, 0} << O{4, 0, 0, 0, false, 0};
    QTest::newRow("negative depth") << O{0, -8, 16, 16, false, 0} << O{0, 0, 16, 16, false, 0};
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
    QTest::newRow("folder") << "folder" << false;
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
        {"picture", Picture(QImage::fromData(png), PictureKind::Png)},
        {"empty text", QString()},
        {"missing", dir.filePath("absent.png")},
        {"folder", dir.path()},
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
    using T = TestImages;
    using K = PictureKind;
    const QImage small = T::filled(7, 5, qRgba(1, 2, 3, 255));
    QTest::newRow("png") << png << K::Png << QSize(6, 4);
    QTest::newRow("bmp 24-bit") << bmp24 << K::Bitmap << QSize(5, 3);
    QTest::newRow("bmp 32-bit") << T::bmp32(3, 2, 0x80402010) << K::Bitmap << QSize(3, 2);
    QTest::newRow("gif") << T::gif({0}) << K::Gif << QSize(1, 1);
    QTest::newRow("ico") << T::icon({16}) << K::Icon << QSize(16, 16);
    QTest::newRow("cur") << T::icon({32}, 2) << K::Cursor << QSize(32, 32);
    QTest::newRow("tiff") << T::encode(small, "tiff") << K::Tiff << QSize(7, 5);
    QTest::newRow("jpeg, by content") << T::encode(small, "jpeg") << K::Other << QSize(7, 5);
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
