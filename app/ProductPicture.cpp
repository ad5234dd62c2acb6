#include "app/ProductPicture.h"

#include <QPainter>

namespace
{
constexpr int kWidth = 48;
constexpr int kHeight = 64;
} // namespace

QPixmap productPicture()
{
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(230, 120, 20));
    p.drawRoundedRect(QRectF(8, 2, 32, 46), 6, 6); // housing
    p.setBrush(QColor(200, 230, 210));
    p.drawRect(QRectF(13, 7, 22, 14)); // display
    p.setBrush(QColor(60, 60, 60));
    p.drawEllipse(QRectF(20, 27, 8, 8)); // key
    p.drawRect(QRectF(21, 48, 6, 14));   // probe
    p.setPen(Qt::black);
    p.setFont(QFont(QStringLiteral("Arial"), 7, QFont::Bold));
    p.drawText(QRectF(13, 7, 22, 14), Qt::AlignCenter, QStringLiteral("ZV"));
    return pixmap;
}
