#include "cli/CliOutput.h"

#include "cli/CliSession.h"
#include "link/DeviceOutcome.h"
#include "state/UserDialogs.h"

#include <QJsonDocument>
#include <cstdio>

namespace CliOutput
{

void printLine(const QString& text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

void printJson(const QJsonObject& object)
{
    printLine(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void message(const QString& text)
{
    userDialogs().message(text);
}

int exitFor(const DeviceOutcome& outcome)
{
    switch (outcome.failure) {
    case DeviceFailure::None:
        return ExitDone;
    case DeviceFailure::NoReply:
    case DeviceFailure::LinkLost:
    case DeviceFailure::NotConnected:
        return ExitNoReply;
    default:
        return ExitFailed;
    }
}

} // namespace CliOutput
