#pragma once

#include <QByteArray>
#include <QList>

// Walks the blocks of a GIF file to read each frame's display time as the file states it,
// zero included.
class GifFrames
{
public:
    static constexpr int kMaxFrames = 4096;

    // Display time of each frame in milliseconds; empty if the data are no GIF.
    static QList<int> delays(const QByteArray& data);

private:
    static qint64 skipSubBlocks(const QByteArray& data, qint64 at);
    static qint64 colourTableSize(quint8 packed);
};
