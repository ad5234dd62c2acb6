// Draws the maker logo "NaxoLogo.png": a shell-like emblem and the name ZELVO; with a size, the
// emblem alone as a square program icon of that many pixels.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace
{
constexpr int kWidth = 240;
constexpr int kHeight = 96;
const QColor kShell(0x1f, 0x6f, 0x4a);
const QColor kRim(0xe8, 0xb0, 0x3a);

void drawEmblem(QPainter& p)
{
    const QRectF shell(12, 16, 72, 64);
    p.setPen(QPen(kRim, 4));
    p.setBrush(kShell);
    p.drawEllipse(shell);
    // The plates of the shell: a hexagon in the middle and lines to the rim.
    QPainterPath plates;
    const QPointF c = shell.center();
    const QPointF corners[] = {{c.x() - 12, c.y()},     {c.x() - 6, c.y() - 11},
                               {c.x() + 6, c.y() - 11}, {c.x() + 12, c.y()},
                               {c.x() + 6, c.y() + 11}, {c.x() - 6, c.y() + 11}};
    plates.addPolygon(QPolygonF(std::begin(corners), std::end(corners)) << corners[0]);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kRim, 2));
    p.drawPath(plates);
    for (const QPointF& corner : corners)
        p.drawLine(corner, c + (corner - c) * 2.6);
}
} // namespace

bool saveIcon(const QString& path, int size)
{
    QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    // The emblem with its rim fits the square (8, 8) to (88, 88).
    p.scale(size / 80.0, size / 80.0);
    p.translate(-8, -8);
    drawEmblem(p);
    p.end();
    return icon.save(path, "PNG");
}

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;
    if (argc == 3) {
        const int size = QByteArray(argv[2]).toInt();
        return size >= 16 && saveIcon(QString::fromLocal8Bit(argv[1]), size) ? 0 : 2;
    }
    QImage logo(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    drawEmblem(p);
    QFont font;
    font.setPixelSize(36);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kShell);
    p.drawText(QRectF(92, 0, kWidth - 96, kHeight), Qt::AlignVCenter | Qt::AlignLeft, "ZELVO");
    p.end();
    return logo.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
