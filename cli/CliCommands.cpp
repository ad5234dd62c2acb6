#include "cli/CliCommands.h"

#include "cli/CliSession.h"
#include "cli/RecordJson.h"
#include "cli/RecordTable.h"
#include "state/RadioText.h"
#include "state/SharedState.h"
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

struct ReplySnapshot {
    qint16 ReplyStatus;
    QString ReplyData;
    qint16 FileHandle;
    qint32 FileLength;
    double BatteryLevel;
    static ReplySnapshot take()
    {
        const SharedState& s = sharedState();
        return {s.ReplyStatus, s.ReplyData, s.FileHandle, s.FileLength, s.BatteryLevel};
    }
};

void printSendResult(bool json, const QByteArray& reply, const ReplySnapshot& before, bool identity)
{
    const ReplySnapshot after = ReplySnapshot::take();
    if (json) {
        QJsonObject o{{"Reply", QString::fromLatin1(reply)}, {"ReplyStatus", after.ReplyStatus},
                      {"ReplyData", after.ReplyData},        {"FileHandle", after.FileHandle},
                      {"FileLength", after.FileLength},      {"BatteryLevel", after.BatteryLevel}};
        if (identity)
            o.insert("Identity", RecordJson::identity(sharedState().Identity));
        printOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
        return;
    }
    printOut(RadioText::visible(QString::fromLatin1(reply)));
    if (after.ReplyStatus != before.ReplyStatus)
        printOut(QStringLiteral("ReplyStatus = %1").arg(after.ReplyStatus));
    if (after.ReplyData != before.ReplyData)
        printOut(QStringLiteral("ReplyData = %1").arg(RadioText::visible(after.ReplyData)));
    if (after.FileHandle != before.FileHandle)
        printOut(QStringLiteral("FileHandle = %1").arg(after.FileHandle));
    if (after.FileLength != before.FileLength)
        printOut(QStringLiteral("FileLength = %1").arg(after.FileLength));
    if (after.BatteryLevel != before.BatteryLevel)
        printOut(QStringLiteral("BatteryLevel = %1").arg(after.BatteryLevel));
    if (identity)
        printOut(RecordTable::identityLines(sharedState().Identity));
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
    const QStringList entries = session.scan(kScanMs);
    if (session.scanFailed())
        return ExitFailed;
    for (const QString& e : entries)
        printOut(e);
    if (entries.isEmpty())
        userDialogs().message(QStringLiteral("no gauge found"));
    return entries.isEmpty() ? ExitNoReply : ExitDone;
}

int send(CliSession& session, const QString& text)
{
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    QByteArray reply;
    bool received = false, identity = false, understood = false;
    CommandChannel& ch = session.channel();
    QObject scope; // the connections below end with this function
    // An empty read-back is the gauge saying nothing: the wait goes on to its limit.
    QObject::connect(&ch, &CommandChannel::valueReceived, &scope, [&](const QByteArray& v) {
        reply = v;
        received = !v.isEmpty();
    });
    QObject::connect(&ch, &CommandChannel::replyHandled, &scope, [&](DispatchResult r) {
        identity = identity || r == DispatchResult::Identity;
        understood = r != DispatchResult::Ignored;
    });
    sharedState().ReplyStatus = 55;
    const ReplySnapshot before = ReplySnapshot::take();
    const WaitResult r = QCoro::waitFor(ch.ask(
        unescape(text), {QString(), [&received] { return received; }, session.cancelToken()}));
    if (r != WaitResult::Done) {
        userDialogs().message(QStringLiteral("no reply: ") + QLatin1String(waitResultName(r)));
        return CliSession::exitFor(r);
    }
    printSendResult(session.options().json, reply, before, identity);
    session.disconnectGauge();
    if (!understood)
        userDialogs().message(QStringLiteral("the reply was not understood"));
    return understood ? ExitDone : ExitFailed;
}

int battery(CliSession& session)
{
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    SharedState& s = sharedState();
    s.ReplyStatus = 55;
    const WaitResult r = QCoro::waitFor(session.channel().ask(
        QStringLiteral("$gcv!"),
        {QString(), [] { return sharedState().ReplyStatus != 55; }, session.cancelToken()}));
    if (r != WaitResult::Done) {
        userDialogs().message(QStringLiteral("no reply: ") + QLatin1String(waitResultName(r)));
        return CliSession::exitFor(r);
    }
    if (session.options().json)
        printOut(QString::fromUtf8(
            QJsonDocument(QJsonObject{{"ReplyData", s.ReplyData}, {"BatteryLevel", s.BatteryLevel}})
                .toJson(QJsonDocument::Compact)));
    else
        printOut(RadioText::visible(s.ReplyData));
    session.disconnectGauge();
    return ExitDone;
}

} // namespace CliCommands
