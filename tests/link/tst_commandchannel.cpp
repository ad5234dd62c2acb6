// The reply dispatcher, and the command channel's requests and operations on the simulated gauge.
#include "link/CancelToken.h"
#include "link/ReplyDispatcher.h"
#include "tests/common/FakeBleClient.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"

#include <QtTest>

namespace
{
QCoro::Task<Reply> request(CommandChannel& channel, QString command, ReplyExpectation expect)
{
    co_return co_await channel.ask(std::move(command), std::move(expect));
}

// A request run to its end.
Reply ask(CommandChannel& channel, QString command, ReplyExpectation expect)
{
    return QCoro::waitFor(request(channel, std::move(command), std::move(expect)));
}

bool statusZero(const GaugeReply& reply)
{
    return reply.status == 0;
}
} // namespace

class tst_CommandChannel : public QObject
{
    Q_OBJECT
    std::unique_ptr<SimLink> m_sim;

private slots:
    void init()
    {
        resetSharedState();
        m_sim = std::make_unique<SimLink>();
        QVERIFY(m_sim->connectGauge());
    }
    void cleanup() { m_sim.reset(); }

    void waitMatchesReplyKeyword_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("result");
        // clang-format off
        QTest::newRow("own reply") << "$fw" << QByteArray("$fw?3 0!") << int(WaitResult::Done);
        QTest::newRow("keyword given with ?") << "$wr?" << QByteArray("$wr?3 0!") << int(WaitResult::Done);
        QTest::newRow("longer keyword is another reply") << "$fw" << QByteArray("$fwu?1!") << int(WaitResult::TimedOut);
        QTest::newRow("identity by its keyword") << "$naxo00" << QByteArray("$naxo00!") << int(WaitResult::Done);
        QTest::newRow("own keyword, malformed") << "$fc" << QByteArray("$fc?3!") << int(WaitResult::Garbled);
        // clang-format on
    }
    // a reply arrives while a request for a keyword waits / only that exact keyword ends it, a
    // malformed one as garbled
    void waitMatchesReplyKeyword()
    {
        QFETCH(QString, keyword);
        QFETCH(QByteArray, reply);
        FakeBleClient client;
        CommandChannel ch(&client, {"S", "C", "T"}, sharedState());
        QTimer::singleShot(0, &ch, [&] { emit client.Value({}, {}, {}, {}, {}, reply); });
        QTEST(int(ask(ch, "$x!", {keyword, {}, nullptr, 100}).wait), "result");
        QCOMPARE(client.calls, QStringList{"WriteValue C $x!"});
    }

    // a request on a silent gauge cancelled from a timer / Cancelled, long before the limit; a
    // token cancelled before, or a channel closed: nothing is sent
    void requestEndsWithoutReply()
    {
        m_sim->gauge.setFault(1, SimFault::NoReply);
        CancelToken token;
        QTimer::singleShot(20, &token, &CancelToken::cancel);
        CommandChannel& ch = m_sim->channel();
        QCOMPARE(ask(ch, "$gcv!", {{}, statusZero, &token, 5000}).wait, WaitResult::Cancelled);
        QCOMPARE(ask(ch, "$glt!", {{}, statusZero, &token, 5000}).wait, WaitResult::Cancelled);
        m_sim->session->end();
        QCOMPARE(ask(ch, "$glt!", {QStringLiteral("$glt")}).wait, WaitResult::LinkLost);
        QCOMPARE(m_sim->gauge.commandCount(), 1);
    }

    // two requests at once / the second goes out once the first is answered, each gets its reply
    void oneRequestInFlight()
    {
        CommandChannel& ch = m_sim->channel();
        QStringList sentBeforeReply;
        QObject::connect(&ch, &CommandChannel::commandSent, &ch,
                         [&](const QString& c) { sentBeforeReply << c; });
        QObject::connect(&ch, &CommandChannel::valueReceived, &ch, [&] { sentBeforeReply << "<"; });
        QCoro::Task<Reply> time = request(ch, "$glt!", {"$glt"});
        const Reply battery = ask(ch, "$gcv!", {"$gcv"});
        QCOMPARE(QCoro::waitFor(time).reply.keyword + battery.reply.keyword, "$glt$gcv");
        QCOMPARE(sentBeforeReply, (QStringList{"$glt!", "<", "$gcv!", "<"}));
    }

    // the ready-made reads and the clock set / exactly their command texts, the reply variables
    // filled with what each reply carries; the trace subscription followed by its flag
    void operations()
    {
        QCOMPARE(CommandChannel::timeTextFor(QDateTime(QDate(2026, 12, 5), QTime(9, 36, 27))),
                 QStringLiteral("2026-12-05/09:36:27"));
        CommandChannel& ch = m_sim->channel();
        const SharedState& s = sharedState();
        QVERIFY(ch.ReadBattery().ok());
        QTRY_COMPARE(s.BatteryLevel, 3710.0);
        QVERIFY(ch.ReadTime().ok());
        QTRY_VERIFY(QDateTime::fromString(s.ReplyData, "yyyy-MM-dd/HH:mm:ss").isValid());
        QVERIFY(ch.WriteTime().ok());
        QTRY_COMPARE(m_sim->gauge.commandCount(), 3);
        QCOMPARE(m_sim->transcript(),
                 (QStringList{"$gcv!", "$glt!", "$slt?" + s.TimeText + "!\r\n"}));
        QCOMPARE(s.TimeText.size(), 19);
        QSignalSpy subscription(&ch, &CommandChannel::traceSubscriptionChanged);
        QVERIFY(ch.SubTrace().ok());
        QVERIFY(subscription.wait() && s.TraceSubscribed);
        QVERIFY(ch.UnsubTrace().ok());
        QVERIFY(subscription.wait() && !s.TraceSubscribed);
    }

    void entryPoints_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("failWith"); // 0: the client takes the call
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("messages");
        const QString report = QStringLiteral("7   WriteNaxo\rrefused   /logs/ZVServiceLog.txt");
        // clang-format off
        QTest::newRow("WriteNaxo") << "WriteNaxo" << 0 << QStringList{"WriteValue cmd $fsf!"} << QStringList();
        QTest::newRow("WriteNaxo refused: error report") << "WriteNaxo" << 7 << QStringList{"WriteValue cmd $fsf!"} << QStringList{report};
        QTest::newRow("PostNaxo") << "PostNaxo" << 0 << QStringList{"PostValue cmd $fsf!"} << QStringList();
        QTest::newRow("PostNaxo refused: no message") << "PostNaxo" << 7 << QStringList{"PostValue cmd $fsf!"} << QStringList();
        QTest::newRow("PostTrace") << "PostTrace" << 0 << QStringList{"PostValue trace $fsf!"} << QStringList();
        // clang-format on
    }
    // CommandText written with response, posted to the command or to the trace characteristic,
    // taken or refused by the client / that call, and the error report for WriteNaxo alone
    void entryPoints()
    {
        QFETCH(QString, operation);
        QFETCH(int, failWith);
        FakeBleClient client;
        client.failWith = failWith;
        SharedState& s = sharedState();
        CommandChannel channel(&client, {"service", "cmd", "trace"}, s);
        RecordingDialogs dialogs;
        s.CommandText = QStringLiteral("$fsf!");
        s.LogFilePath = QStringLiteral("/logs/ZVServiceLog.txt");
        const BleResult r = operation == "WriteNaxo"  ? channel.WriteNaxo(dialogs)
                            : operation == "PostNaxo" ? channel.PostNaxo()
                                                      : channel.PostTrace();
        QCOMPARE(r.ok(), failWith == 0);
        QTEST(client.calls, "calls");
        QTEST(dialogs.messages, "messages");
    }

    // FactoryMode with no gauge connected / asks for the link window, sends nothing
    void factoryModeWithoutLinkAsksForConnection()
    {
        m_sim->session->end();
        QSignalSpy asked(&m_sim->channel(), &CommandChannel::connectRequested);
        QCOMPARE(QCoro::waitFor(m_sim->channel().FactoryMode(3)), WaitResult::LinkLost);
        QCOMPARE(asked.size(), 1);
        QVERIFY(m_sim->gauge.transcript().isEmpty());
    }

    void replies_data()
    {
        QTest::addColumn<QString>("before"); // ReplyData before the reply: the name searched
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("handle");
        QTest::addColumn<int>("length");
        QTest::addColumn<double>("battery");
        QTest::addColumn<QStringList>("identity"); // Hardware, Mac, Controler, Build, Revision
        QTest::addColumn<int>("result");
        const QStringList ids{"h", "m", "v", "b", "r"};
        const int A = int(DispatchResult::Applied), I = int(DispatchResult::Ignored),
                  Id = int(DispatchResult::Identity);
        // clang-format off
        QTest::newRow("fw created") << "" << "$fw?3 0!" << 0 << "" << 3 << 9 << 1.5 << ids << A;
        QTest::newRow("fw refused") << "" << "$fw?0 5!" << 5 << "" << 0 << 9 << 1.5 << ids << A;
        QTest::newRow("fc closed") << "" << "$fc?3 0!" << 0 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("fc status") << "" << "$fc?3 4!" << 4 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("fc non-numeric") << "" << "$fc?x 0!" << 99 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("wr written") << "" << "$wr?3 0!" << 0 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("wr non-numeric") << "" << "$wr?E 5!" << 99 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("rm removed") << "" << "$rm?0 0!" << 0 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("rm non-numeric") << "" << "$rm?no file!" << 99 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("fwu digit") << "" << "$fwu?1!" << 1 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("fr open") << "" << "$fr?2 1024!" << 55 << "" << 2 << 1024 << 1.5 << ids << A;
        QTest::newRow("fr length, least 32-bit") << "" << "$fr?2 -2147483648!" << 55 << "" << 2 << INT32_MIN << 1.5 << ids << A;
        QTest::newRow("fr length beyond 32 bits") << "keep" << "$fr?2 2147483648!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fmod") << "" << "$fmod?0!" << 0 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("rd data") << "" << "$rd?3 100 04A1B2C3D4!" << 3 << "A1B2C3D4" << 3 << 4 << 1.5 << ids << A;
        QTest::newRow("rd 1-digit field") << "" << "$rd?3 0 02ABCD!" << 3 << "ABCD" << 3 << 2 << 1.5 << ids << A;
        QTest::newRow("rd 4-digit field") << "" << "$rd?5 9999 01FF!" << 5 << "FF" << 5 << 1 << 1.5 << ids << A;
        QTest::newRow("rd empty block") << "" << "$rd?3 400 00!" << 3 << "" << 3 << 0 << 1.5 << ids << A;
        QTest::newRow("gcv numeric") << "" << "$gcv?3710!" << 0 << "3710" << 7 << 9 << 3710.0 << ids << A;
        QTest::newRow("gcv text") << "" << "$gcv?low!" << 0 << "low" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("glt") << "" << "$glt?2026-12-05/09:36:27!" << 0 << "2026-12-05/09:36:27" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("dltrig") << "" << "$dltrig!" << 0 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("dlstate") << "" << "$dlstate?busy!" << 0 << "busy" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("dlget") << "" << "$dlget?12 34!" << 0 << "12 34" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("memory reset") << "" << "$fsf?0!" << 0 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("reset refused") << "" << "$fsf?3!" << 3 << "" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("unknown keyword") << "" << "$xyz?1 2!" << 55 << "" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("empty value") << "" << "" << 55 << "" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fr without blank") << "keep" << "$fr?2!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fr without !") << "keep" << "$fr?2 1024" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fr blank before ?") << "keep" << "$fr 2?1024!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fr non-numeric length") << "keep" << "$fr?2 lots!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fr handle out of range") << "keep" << "$fr?70000 1!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fw without blank") << "keep" << "$fw?3!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fc without !") << "keep" << "$fc?3 0" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("wr without ?") << "keep" << "$wr!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fwu without digit") << "keep" << "$fwu?!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("rd no second blank") << "keep" << "$rd?3 100004A1B2C3D4!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("rd second blank too far") << "keep" << "$rd?3 12345 04A1B2C3D4!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("rd count not digits") << "keep" << "$rd?3 100 x4A1B2C3D4!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("rd count beyond the data after it") << "keep" << "$rd?7 0 08A1B2C3D4!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("rd cut after blank") << "keep" << "$rd?3 1 " << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("rd only keyword") << "keep" << "$rd" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("fsf status not numeric") << "keep" << "$fsf?ok!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("gcv without !") << "keep" << "$gcv?" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("glt without !") << "keep" << "$glt?12:00" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("identity without !") << "keep" << "$naxo00 H:HW2" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("identity tag too close") << "keep" << "$naxo00 H:W:1!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("identity colon first") << "keep" << ":H 1!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("identity other prefix") << "keep" << "$naxo01 H:HW2 R:3!" << 55 << "keep" << 7 << 9 << 1.5 << ids << I;
        QTest::newRow("full reply") << "keep" << "$naxo00 H:HW2 V:1.05 B:21 R:3 M:A1B2C3D4E5F6!" << 55 << "" << 7 << 9 << 1.5 << QStringList{"HW2", "A1B2C3D4E5F6", "1.05", "21", "3"} << Id;
        QTest::newRow("identity without fields") << "keep" << "$naxo00!" << 0 << "$naxo00" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("T and S ignored") << "keep" << "$naxo00 T:9 H:X1 S:2 R:7 M:Q!" << 55 << "" << 7 << 9 << 1.5 << QStringList{"X1", "Q", "v", "b", "7"} << Id;
        QTest::newRow("mac not last keeps separator") << "keep" << "$naxo00 M:AB R:12!" << 55 << "" << 7 << 9 << 1.5 << QStringList{"h", "AB ", "v", "b", "1"} << Id;
        QTest::newRow("last non-mac field loses last char") << "keep" << "$naxo00 H:HW2 R:34!" << 55 << "" << 7 << 9 << 1.5 << QStringList{"HW2", "m", "v", "b", "3"} << Id;
        QTest::newRow("ls: nothing searched, copied whole") << "" << "$ls?probe factory lDE!" << 0 << "$ls?probe factory lDE!" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("ls: searched name found") << "lDE" << "$ls?probe factory lDE!" << 20 << "lDE" << 7 << 9 << 1.5 << ids << A;
        QTest::newRow("ls: searched name missing") << "lFR" << "$ls?probe factory lDE!" << 0 << "lFR" << 7 << 9 << 1.5 << ids << A;
        // clang-format on
    }
    // a reply from the gauge, or one lacking a separator its layout needs / exactly the shared
    // variables of its row change, nothing is read outside the reply
    void replies()
    {
        QFETCH(QString, before);
        QFETCH(QString, reply);
        resetSharedState();
        SharedState& s = sharedState();
        s.ReplyStatus = 55;
        s.ReplyData = before;
        s.FileHandle = 7;
        s.FileLength = 9;
        s.BatteryLevel = 1.5;
        s.Identity = IdentityFields{"h", "m", "v", "b", "r"};
        QTEST(int(ReplyDispatcher::dispatch(reply, s)), "result");
        QTEST(int(s.ReplyStatus), "status");
        QTEST(s.ReplyData, "data");
        QTEST(int(s.FileHandle), "handle");
        QTEST(int(s.FileLength), "length");
        QTEST(s.BatteryLevel, "battery");
        const IdentityFields& id = s.Identity;
        QTEST((QStringList{id.Hardware, id.Mac, id.Controler, id.Build, id.Revision}), "identity");
    }
};

QTEST_GUILESS_MAIN(tst_CommandChannel)
#include "tst_commandchannel.moc"
