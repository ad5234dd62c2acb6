#include "cli/CliProgress.h"

#include <cstdio>

namespace
{
constexpr int kBar = 20;
constexpr qint64 kRedrawMs = 100;

QString rateText(double bytesPerSecond)
{
    if (bytesPerSecond >= 1024.0 * 1024.0)
        return QString::number(bytesPerSecond / (1024.0 * 1024.0), 'f', 1) + " MiB/s";
    if (bytesPerSecond >= 1024.0)
        return QString::number(bytesPerSecond / 1024.0, 'f', 1) + " KiB/s";
    return QString::number(qRound64(bytesPerSecond)) + " B/s";
}

QString durationText(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

CliProgress::Figures clamped(CliProgress::Figures f)
{
    f.chunksTotal = qMax(f.chunksTotal, 0);
    f.chunksDone = qBound(0, f.chunksDone, f.chunksTotal);
    f.bytesTotal = qMax<qint64>(f.bytesTotal, 0);
    f.bytesDone = qBound<qint64>(0, f.bytesDone, f.bytesTotal);
    f.elapsedMs = qMax<qint64>(f.elapsedMs, 0);
    return f;
}
} // namespace

QString CliProgress::line(const Figures& given)
{
    const Figures f = clamped(given);
    QString text = QStringLiteral("%1/%2 chunks  %3/%4 bytes")
                       .arg(f.chunksDone)
                       .arg(f.chunksTotal)
                       .arg(f.bytesDone)
                       .arg(f.bytesTotal);
    if (f.elapsedMs > 0 && f.bytesDone > 0) {
        const double rate = double(f.bytesDone) * 1000.0 / double(f.elapsedMs);
        const qint64 left = qint64(double(f.bytesTotal - f.bytesDone) / rate + 0.5);
        text += QStringLiteral("  ") + rateText(rate) + QStringLiteral("  ") + durationText(left) +
                QStringLiteral(" left");
    }
    return text;
}

int CliProgress::tenth(const Figures& given)
{
    const Figures f = clamped(given);
    return f.chunksTotal == 0 ? 10 : int(qint64(f.chunksDone) * 10 / f.chunksTotal);
}

void CliProgress::show(const Figures& f)
{
    if (!m_terminal) {
        const int t = tenth(f);
        if (t == m_lastTenth)
            return;
        m_lastTenth = t;
        std::fprintf(stderr, "%3d%%  %s\n", t * 10, line(f).toLocal8Bit().constData());
        std::fflush(stderr);
        return;
    }
    const Figures c = clamped(f);
    // A redraw at most every kRedrawMs: a large file has tens of thousands of chunks.
    if (m_lastWidth > 0 && c.chunksDone < c.chunksTotal && c.elapsedMs - m_lastDrawMs < kRedrawMs)
        return;
    m_lastDrawMs = c.elapsedMs;
    const int filled = c.chunksTotal == 0 ? kBar : int(qint64(c.chunksDone) * kBar / c.chunksTotal);
    const QString text = QStringLiteral("[") + QString(filled, QLatin1Char('#')) +
                         QString(kBar - filled, QLatin1Char('.')) + QStringLiteral("] ") + line(f);
    // Blanks over what is left of a longer previous line.
    const int pad = qMax(0, m_lastWidth - int(text.size()));
    m_lastWidth = int(text.size());
    std::fprintf(stderr, "\r%s%s", text.toLocal8Bit().constData(),
                 QByteArray(pad, ' ').constData());
    std::fflush(stderr);
}

void CliProgress::finish(const Figures& f)
{
    if (m_terminal) {
        show(f);
        std::fputs("\n", stderr);
    } else {
        std::fprintf(stderr, "done  %s\n", line(f).toLocal8Bit().constData());
    }
    std::fflush(stderr);
}

void CliProgress::abandon()
{
    if (m_terminal && m_lastWidth > 0)
        std::fputs("\n", stderr);
    m_lastWidth = 0;
    std::fflush(stderr);
}
