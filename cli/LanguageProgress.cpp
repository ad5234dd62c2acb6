#include "cli/LanguageProgress.h"

#include "link/CommandChannel.h"
#include "service/LanguageTransfer.h"

#include <cstdio>
#include <unistd.h>

LanguageProgress::LanguageProgress(CommandChannel& channel, LanguageTransfer& transfer,
                                   qint64 bytes)
    : m_progress(isatty(fileno(stderr)) != 0)
{
    m_figures.bytesTotal = bytes;
    m_figures.chunksTotal =
        int((bytes + LanguageTransfer::kChunkBytes - 1) / LanguageTransfer::kChunkBytes);
    connect(&transfer, &LanguageTransfer::sending, this, [this] {
        m_clock.start();
        m_progress.show(m_figures);
    });
    connect(&channel, &CommandChannel::valueReceived, this, [this](const QByteArray& v) {
        if (v.startsWith("$wr?") && m_clock.isValid())
            ++m_figures.chunksDone;
    });
    connect(&transfer, &LanguageTransfer::progress, this, [this] {
        if (m_clock.isValid())
            m_progress.show(current());
    });
}

void LanguageProgress::end(bool ok)
{
    if (ok)
        m_progress.finish(current());
    else
        m_progress.abandon();
}

CliProgress::Figures LanguageProgress::current()
{
    m_figures.bytesDone = qint64(m_figures.chunksDone) * LanguageTransfer::kChunkBytes;
    m_figures.elapsedMs = m_clock.isValid() ? m_clock.elapsed() : 0;
    return m_figures;
}
