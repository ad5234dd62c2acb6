#pragma once

#include "cli/CliProgress.h"

#include <QElapsedTimer>
#include <QObject>

class CommandChannel;
class LanguageTransfer;

// The progress of a language-file transfer on standard error: counts the chunks the gauge has
// acknowledged and shows them (a redrawn line on a terminal, plain lines otherwise).
class LanguageProgress : public QObject
{
public:
    LanguageProgress(CommandChannel& channel, LanguageTransfer& transfer, qint64 bytes);
    // The last figures after a success; after a failure the display just ends.
    void end(bool ok);

private:
    CliProgress::Figures current();
    CliProgress m_progress;
    CliProgress::Figures m_figures;
    QElapsedTimer m_clock;
};
