#include "picture/BmpHeader.h"
#include "picture/StdPictureEx.h"
#include "tests/picture/TestImages.h"

#include <QtTest>

namespace
{
const QByteArray bmp24 =
    TestImages::encode(TestImages::filled(5, 3, 0xff336699, QImage::Format_RGB32), "bmp");
} // namespace

// The header checks and pixel reading of bitmap files.
class TstBitmapDecoding : public QObject
{
    Q_OBJECT

private slots:
    void bitmapHeaderChecks_data();
    void bitmapHeaderChecks();
    void bitmapPixelOffsetFromHeaders();
    void bitmapAlpha_data();
    void bitmapAlpha();

private:
    StdPictureEx loader;
};

void TstBitmapDecoding::bitmapHeaderChecks_data()
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

void TstBitmapDecoding::bitmapHeaderChecks()
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

void TstBitmapDecoding::bitmapPixelOffsetFromHeaders()
{
    // bitmap whose offset field points 3 bytes too far / pixels read where the headers end
    const auto picture = loader.LoadPicture(TestImages::with32(bmp24, 10, 57));
    QVERIFY(picture);
    QCOMPARE(picture->image().pixel(4, 2), QRgb(0xff336699));
}

void TstBitmapDecoding::bitmapAlpha_data()
{
    QTest::addColumn<quint32>("pixel");
    QTest::addColumn<bool>("premultiplied");
    QTest::addColumn<QRgb>("shown");
    QTest::newRow("straight alpha") << 0x80ff4020u << false << qRgba(0xff, 0x40, 0x20, 0x80);
    QTest::newRow("premultiplied alpha") << 0x80402010u << true << qRgba(0x80, 0x40, 0x20, 0x80);
    QTest::newRow("alpha unused") << 0x00ff4020u << false << qRgba(0xff, 0x40, 0x20, 0xff);
    QTest::newRow("opaque") << 0xffff4020u << false << qRgba(0xff, 0x40, 0x20, 0xff);
}

void TstBitmapDecoding::bitmapAlpha()
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

QTEST_GUILESS_MAIN(TstBitmapDecoding)
#include "tst_bitmapdecoding.moc"
