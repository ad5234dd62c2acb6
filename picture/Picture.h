#pragma once

#include "picture/PictureKind.h"

#include <QByteArray>
#include <QImage>

// A decoded picture: the image shown, the kind of its source, its place among the source's
// sub-images and, while managed, the source bytes it came from.
class Picture
{
public:
    Picture() = default;
    Picture(QImage image, PictureKind type) : m_image(std::move(image)), m_type(type) {}

    bool isNull() const { return m_image.isNull(); }
    const QImage& image() const { return m_image; }
    PictureKind type() const { return m_type; }

    int subImageCount() const { return m_subImageCount; }
    int subImageIndex() const { return m_subImageIndex; }
    void setSubImages(int count, int index);

    // Source bytes, held so that other sub-images can be decoded and, if the original format
    // is kept, written back unchanged.
    const QByteArray& sourceData() const { return m_source; }
    bool isManaged() const { return !m_source.isEmpty(); }
    bool keepsOriginal() const { return m_keepOriginal && isManaged(); }
    void setSourceData(const QByteArray& data, bool keepOriginal);
    void dropSourceData();

    bool isPremultiplied() const { return m_premultiplied; }
    void setPremultiplied(bool premultiplied) { m_premultiplied = premultiplied; }

private:
    QImage m_image;
    PictureKind m_type = PictureKind::None;
    int m_subImageCount = 1;
    int m_subImageIndex = 0;
    QByteArray m_source;
    bool m_keepOriginal = false;
    bool m_premultiplied = false;
};
