#include "picture/StdPictureEx.h"

#include <QImageWriter>
#include <QtTest>

// The picture loader: which bytes give which picture, and which give none.
Q_DECLARE_METATYPE(PictureKind)

namespace
{
template <typename T> QByteArray with(QByteArray b, int at, T v)
{
    qToLittleEndian(v, b.data() + at);
    return b;
}
QByteArray encode(int w, int h, const QByteArray& format)
{
    QImage image(w, h, format == "bmp" ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    image.fill(0xff336699);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return QImageWriter(&buffer, format).write(image) ? bytes : QByteArray();
}
// A GIF of one 1x1 frame.
const QByteArray gif = QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                                  "\x21\xf9\x04\x00\x00\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00"
                                  "\x01\x00\x00\x02\x02\x44\x01\x00;",
                                  43);
const QByteArray png = encode(6, 4, "png");
const QByteArray bmp = encode(5, 3, "bmp");
const QByteArray ico = encode(16, 16, "ico");
} // namespace

class PictureTest : public QObject
{
    Q_OBJECT
private slots:
    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<PictureKind>("kind");
        QTest::addColumn<QSize>("size"); // none: refused
        QTest::newRow("png") << png << PictureKind::Png << QSize(6, 4);
        QTest::newRow("bmp") << bmp << PictureKind::Bitmap << QSize(5, 3);
        QTest::newRow("bmp offset 3 too far")
            << with<quint32>(bmp, 10, 57) << PictureKind::Bitmap << QSize(5, 3);
        QTest::newRow("gif") << gif << PictureKind::Gif << QSize(1, 1);
        QTest::newRow("ico") << ico << PictureKind::Icon << QSize(16, 16);
        QTest::newRow("cur") << with<quint16>(ico, 2, 2) << PictureKind::Cursor << QSize(16, 16);
        QTest::newRow("tiff") << encode(7, 5, "tiff") << PictureKind::Tiff << QSize(7, 5);
        QTest::newRow("jpeg") << encode(7, 5, "jpeg") << PictureKind::Other << QSize(7, 5);
        QTest::newRow("png cut in half") << png.left(png.size() / 2) << PictureKind::Png << QSize();
        QTest::newRow("bmp info header 39")
            << with<quint32>(bmp, 14, 39) << PictureKind::Bitmap << QSize();
        QTest::newRow("bmp bit count 0")
            << with<quint16>(bmp, 28, 0) << PictureKind::Bitmap << QSize();
        QTest::newRow("bmp compression 4")
            << with<quint32>(bmp, 30, 4) << PictureKind::Bitmap << QSize();
        QTest::newRow("bmp huge width")
            << with<quint32>(bmp, 18, 100000) << PictureKind::Bitmap << QSize();
        QTest::newRow("bmp pixels cut")
            << bmp.left(bmp.size() - 4) << PictureKind::Bitmap << QSize();
        QTest::newRow("ico entry past end")
            << with<quint32>(ico, 18, 1u << 30) << PictureKind::Icon << QSize();
        QTest::newRow("gif header only") << gif.left(13) << PictureKind::Gif << QSize();
        QTest::newRow("unknown") << QByteArray("hello, gauge") << PictureKind::Other << QSize();
    }
    void load()
    {
        // whole or damaged bytes of one kind / recognised; a picture of that size, or none
        QFETCH(QByteArray, bytes);
        QFETCH(PictureKind, kind);
        QFETCH(QSize, size);
        if (bytes.isEmpty())
            QSKIP("no writer for this image kind");
        QCOMPARE(StdPictureEx::recognise(bytes), kind);
        StdPictureEx loader;
        const auto picture = loader.LoadPicture(bytes, 4, 0, 48, 48, false, 0);
        QCOMPARE(picture.has_value(), size.isValid());
        if (!picture)
            return;
        QCOMPARE(loader.PictureType(*picture), kind);
        QCOMPARE(picture->image().size(), size);
        if (kind == PictureKind::Bitmap)
            QCOMPARE(picture->image().pixel(0, 0), QRgb(0xff336699));
    }
};

QTEST_GUILESS_MAIN(PictureTest)
#include "tst_picture.moc"
