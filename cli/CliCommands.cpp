#include "cli/CliCommands.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/RecordJson.h"
#include "cli/RecordTable.h"
#include "state/RadioText.h"
#include "state/UserDialogs.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace
{
constexpr int kScanMs = 2000;

void printOut(const QString& text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

// The reply and the reply variables it set, as the dispatcher left them.
void printSendResult(bool json, const GaugeReply& reply, const SharedState& v)
{
    const bool identity = !reply.identity.isEmpty();
    if (json) {
        QJsonObject o{{"Reply", reply.text},        {"ReplyStatus", v.ReplyStatus},
                      {"ReplyData", v.ReplyData},   {"FileHandle", v.FileHandle},
                      {"FileLength", v.FileLength}, {"BatteryLevel", v.BatteryLevel}};
        if (identity)
            o.insert("Identity", RecordJson::identity(v.Identity));
        printOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
        return;
    }
    printOut(RadioText::visible(reply.text));
    if (reply.status)
        printOut(QStringLiteral("ReplyStatus = %1").arg(v.ReplyStatus));
    if (reply.data || reply.listing)
        printOut(QStringLiteral("ReplyData = %1").arg(RadioText::visible(v.ReplyData)));
    if (reply.handle)
        printOut(QStringLiteral("FileHandle = %1").arg(v.FileHandle));
    if (reply.length)
        printOut(QStringLiteral("FileLength = %1").arg(v.FileLength));
    if (reply.battery)
        printOut(QStringLiteral("BatteryLevel = %1").arg(v.BatteryLevel));
    if (identity)
        printOut(RecordTable::identityLines(v.Identity));
}

int noReply(const DeviceResult<Reply>& r)
{
    CliOutput::message(QStringLiteral("no reply: ") + r.outcome.detail);
    return CliOutput::exitFor(r.outcome);
}

// One command and the reply that expect names.
Sequence<DeviceResult<Reply>> request(QString command, ReplyExpectation expect)
{
    return [command, expect](SequenceContext run) -> QCoro::Task<DeviceResult<Reply>> {
        ReplyExpectation e = expect;
        e.cancel = &run.cancel;
        const QString c = command;
        Reply reply = co_await run.session->channel().ask(c, std::move(e));
        co_return{DeviceOutcome::fromWait(reply.wait, DeviceStep::None, c), reply};
    };
}
} // namespace

namespace CliCommands
{
QString unescape(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar n = text.at(++i);
        if (n == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (n == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (n == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else
            out += QLatin1Char('\\') + QString(n);
    }
    return out;
}

int scan(CliSession& session)
{
    if (!session.open())
        return ExitFailed;
    const ScanResult found = session.scan(kScanMs);
    if (found.failed)
        return ExitFailed;
    for (const QString& e : found.entries)
        printOut(e);
    if (found.entries.isEmpty())
        CliOutput::message(QStringLiteral("no gauge found"));
    return found.entries.isEmpty() ? ExitNoReply : ExitDone;
}

int send(CliSession& session, const QString& text)
{
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    // An empty read-back is the gauge saying nothing: the wait goes on to its limit.
    const auto said = [](const GaugeReply& r) { return !r.text.isEmpty(); };
    const DeviceResult<Reply> r = session.run(request(unescape(text), {QString(), said}));
    if (!r.ok())
        return noReply(r);
    const GaugeReply& reply = r.value->reply;
    printSendResult(session.options().json, reply, session.replyVariables());
    session.disconnectGauge();
    if (!reply.understood)
        CliOutput::message(QStringLiteral("the reply was not understood"));
    return reply.understood ? ExitDone : ExitFailed;
}

int battery(CliSession& session)
{
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    const DeviceResult<Reply> r =
        session.run(request(QStringLiteral("$gcv!"), {QStringLiteral("$gcv")}));
    if (!r.ok())
        return noReply(r);
    const QString data = r.value->reply.data.value_or(QString());
    if (session.options().json)
        printOut(QString::fromUtf8(
            QJsonDocument(QJsonObject{{"ReplyData", data},
                                      {"BatteryLevel", session.replyVariables().BatteryLevel}})
                .toJson(QJsonDocument::Compact)));
    else
        printOut(RadioText::visible(data));
    session.disconnectGauge();
    return ExitDone;
}

} // namespace CliCommands
