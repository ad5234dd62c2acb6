#include "picture/Picture.h"

void Picture::setSubImages(int count, int index)
{
    m_subImageCount = qMax(1, count);
    m_subImageIndex = qBound(0, index, m_subImageCount - 1);
}

void Picture::setSourceData(const QByteArray& data, bool keepOriginal)
{
    m_source = data;
    m_keepOriginal = keepOriginal;
}

void Picture::dropSourceData()
{
    m_source.clear();
    m_keepOriginal = false;
    m_subImageCount = 1;
    m_subImageIndex = 0;
}
