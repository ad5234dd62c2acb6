#include "link/TransferResult.h"

TransferResult TransferResult::failure(TransferStatus status, const QString& command,
                                       const QString& detail)
{
    TransferResult r;
    r.status = status;
    r.command = command;
    r.detail = detail;
    return r;
}

TransferResult TransferResult::fromWait(WaitResult wait, const QString& command)
{
    switch (wait) {
    case WaitResult::Done:
        return success();
    case WaitResult::TimedOut:
        return failure(TransferStatus::NoReply, command, QStringLiteral("no reply in time"));
    case WaitResult::LinkLost:
        return failure(TransferStatus::LinkLost, command, QStringLiteral("link lost"));
    case WaitResult::Cancelled:
        return failure(TransferStatus::Cancelled, command, QStringLiteral("cancelled"));
    case WaitResult::Garbled: {
        TransferResult r =
            failure(TransferStatus::GaugeError, command, QStringLiteral("garbled reply"));
        r.garbled = true;
        return r;
    }
    }
    return failure(TransferStatus::NoReply, command, QStringLiteral("no reply"));
}

QString commandKeyword(const QString& command)
{
    qsizetype end = 0;
    while (end < command.size() && command.at(end) != QLatin1Char('?') &&
           command.at(end) != QLatin1Char(' ') && command.at(end) != QLatin1Char('!'))
        ++end;
    return command.left(end);
}

QString describeTransfer(const TransferResult& result)
{
    static const char* const names[] = {
        "ok",          "no gauge connected", "no reply",     "link lost", "cancelled",
        "gauge error", "decode failure",     "invalid data", "declined",  "file error"};
    const int index = int(result.status);
    QString text = QString::fromLatin1(index >= 0 && index < 10 ? names[index] : "?");
    if (!result.command.isEmpty())
        text += QStringLiteral(" (") + commandKeyword(result.command) + QLatin1Char(')');
    if (!result.detail.isEmpty())
        text += QStringLiteral(": ") + result.detail;
    if (result.fileLeftOpen)
        text += QStringLiteral("; the device file may still be open");
    return text;
}
