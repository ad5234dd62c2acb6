#pragma once

#include <QString>

// The progress of a file sent in chunks, as the command-line tool shows it: on a terminal one
// line redrawn in place, otherwise a plain line at every tenth of the chunks and a last line.
class CliProgress
{
public:
    struct Figures {
        int chunksDone = 0;
        int chunksTotal = 0;
        qint64 bytesDone = 0;
        qint64 bytesTotal = 0;
        qint64 elapsedMs = 0;
    };

    // "12/40 chunks  384/1280 bytes  3.1 KiB/s  0:01 left"; the rate and the time left only once
    // time has passed and bytes have gone; figures out of range are clamped.
    static QString line(const Figures& f);
    // The tenth of the chunks reached (0 to 10).
    static int tenth(const Figures& f);

    explicit CliProgress(bool terminal) : m_terminal(terminal) {}
    // Shows f on standard error when there is something new to show.
    void show(const Figures& f);
    // Ends the display: the last figures on a line of their own.
    void finish(const Figures& f);
    // Ends the display after a failure: the terminal line is left as it is.
    void abandon();

private:
    bool m_terminal;
    int m_lastTenth = -1;
    int m_lastWidth = 0;
    qint64 m_lastDrawMs = 0;
};
