#include "cli/CliDialogs.h"

#include <cstdio>

namespace
{
void printLine(const QString& text)
{
    // Message boxes use CR and CR LF as line breaks; on a terminal one line each.
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    while (t.endsWith(QLatin1Char('\n')))
        t.chop(1);
    std::fprintf(stderr, "%s\n", t.toLocal8Bit().constData());
}
} // namespace

void CliDialogs::message(const QString& text)
{
    ++m_messages;
    printLine(text);
}

bool CliDialogs::askYesNo(const QString& text, bool)
{
    printLine(text +
              (m_yes ? QStringLiteral(" -> yes (--yes)") : QStringLiteral(" -> no (use --yes)")));
    return m_yes;
}

QString CliDialogs::chooseFolder(const QString&, const QString&)
{
    return m_folder;
}
