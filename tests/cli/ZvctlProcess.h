#pragma once

// Runs the built zvctl (ZV_BIN_DIR) and collects what it printed.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

struct ZvctlRun {
    int exitCode = -1;
    QString out;
    QString err;
    // The commands the trace shows as sent ("> TEXT" lines, TEXT as shown).
    QStringList sent() const
    {
        QStringList commands;
        for (const QString& line : err.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("> ")))
                commands.append(line.mid(2));
        }
        return commands;
    }
};

// env: NAME=value settings on top of base.
inline ZvctlRun runZvctl(const QStringList& args, const QStringList& env = {},
                         QProcessEnvironment e = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProgram(qEnvironmentVariable("ZV_BIN_DIR") + QStringLiteral("/zvctl"));
    p.setArguments(args);
    for (const QString& assignment : env)
        e.insert(assignment.section(QLatin1Char('='), 0, 0),
                 assignment.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(e);
    p.start();
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}
