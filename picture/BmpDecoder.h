#pragma once

#include "picture/BmpHeader.h"

#include <QByteArray>
#include <QImage>
#include <optional>

// Builds the image of a bitmap file whose headers have been checked. 32-bit pixels carrying
// alpha keep it: straight alpha as ARGB, premultiplied alpha as premultiplied ARGB.
class BmpDecoder
{
public:
    enum class Alpha { None, Straight, Premultiplied };

    struct Result {
        QImage image;
        bool premultiplied = false;
    };

    static std::optional<Result> decode(const QByteArray& data, const BmpHeader& header);
    // How the alpha bytes of uncompressed 32-bit pixels are to be read.
    static Alpha classifyAlpha(const QByteArray& data, const BmpHeader& header);

private:
    static QImage fromRawPixels(const QByteArray& data, const BmpHeader& header, Alpha alpha);
};
