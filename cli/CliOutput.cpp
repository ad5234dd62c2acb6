#include "cli/CliOutput.h"

#include "cli/CliSession.h"
#include "link/TransferResult.h"
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

int exitFor(const TransferResult& result)
{
    switch (result.status) {
    case TransferStatus::Ok:
        return ExitDone;
    case TransferStatus::NoReply:
    case TransferStatus::LinkLost:
    case TransferStatus::NotConnected:
        return ExitNoReply;
    case TransferStatus::Cancelled:
    case TransferStatus::GaugeError:
    case TransferStatus::DecodeFailed:
    case TransferStatus::InvalidData:
    case TransferStatus::Declined:
    case TransferStatus::FileError:
        return ExitFailed;
    }
    return ExitFailed;
}

} // namespace CliOutput
