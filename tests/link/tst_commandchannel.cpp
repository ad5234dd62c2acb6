// The command channel on the simulated gauge: transport, the bounded wait, the ready-made
// operations.
#include "tests/common/SimLink.h"

#include "link/DeviceFile.h"

#include <QtTest>
#include <memory>
#include <optional>

namespace
{
// The wait alone, run to its end.
WaitResult awaitReply(CommandChannel& channel, ReplyExpectation expect)
{
    auto wait = [](CommandChannel& ch, ReplyExpectation e) -> QCoro::Task<WaitResult> {
        co_return co_await ch.reply(std::move(e));
    };
    return QCoro::waitFor(wait(channel, std::move(expect)));
}

// Waits for a reply that leaves status 0 in the shared state.
WaitResult statusZero(CommandChannel& channel)
{
    return awaitReply(channel, {QString(), [] { return sharedState().ReplyStatus == 0; }});
}
} // namespace

class tst_CommandChannel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void waitEnds_data();
    void waitEnds();
    void waitMatchesReplyKeyword_data();
    void waitMatchesReplyKeyword();
    void waitUsesReplyNotTime();
    void cancelEndsWait();
    void waitSpinsNoEventLoop();
    void commandTexts_data();
    void commandTexts();
    void writeTimeExample();
    void writeResponseOfOtherCharacteristicReadsNothing();
    void unsubscribeWithoutSubscriptionDoesNothing();
    void subscribeAndUnsubscribeSetFlag();
    void readTimeEndsPendingWait();
    void factoryModeWithoutLinkAsksForConnection();
    void failingWriteShowsNoReplyButEndsWait();

private:
    std::unique_ptr<SimLink> m_sim;
};

void tst_CommandChannel::init()
{
    resetSharedState();
    setReplyTimeoutMs(300);
    m_sim = std::make_unique<SimLink>();
    QVERIFY(m_sim->connectGauge());
    sharedState().TraceCharId = SimBleClient::kTraceCharId;
}

void tst_CommandChannel::cleanup()
{
    m_sim.reset();
    setReplyTimeoutMs(0);
}

void tst_CommandChannel::waitEnds_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("result");
    QTest::newRow("reply") << int(SimFault::None) << int(WaitResult::Done);
    QTest::newRow("no reply") << int(SimFault::NoReply) << int(WaitResult::TimedOut);
    QTest::newRow("garbled reply") << int(SimFault::Garbled) << int(WaitResult::TimedOut);
    QTest::newRow("link dropped") << int(SimFault::DropLink) << int(WaitResult::LinkLost);
}

void tst_CommandChannel::waitEnds()
{
    // A battery request answered, unanswered, garbled or cut off / the wait says which.
    QFETCH(int, fault);
    m_sim->gauge.setFault(1, SimFault(fault));
    sharedState().ReplyStatus = 55;
    const WaitResult r = QCoro::waitFor(m_sim->channel.ask(
        QStringLiteral("$gcv!"), {QString(), [] { return sharedState().ReplyStatus == 0; }}));
    QTEST(int(r), "result");
}

void tst_CommandChannel::waitMatchesReplyKeyword_data()
{
    QTest::addColumn<QByteArray>("keyword");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("result");
    QTest::newRow("own reply") << QByteArray("$fw") << QByteArray("$fw?3 0!")
                               << int(WaitResult::Done);
    QTest::newRow("keyword given with ?")
        << QByteArray("$wr?") << QByteArray("$wr?3 0!") << int(WaitResult::Done);
    QTest::newRow("longer keyword is another reply")
        << QByteArray("$fw") << QByteArray("$fwu?1!") << int(WaitResult::TimedOut);
    QTest::newRow("identity by its keyword")
        << QByteArray("$naxo00") << QByteArray("$naxo00!") << int(WaitResult::Done);
    QTest::newRow("own keyword, malformed")
        << QByteArray("$fc") << QByteArray("$fc?3!") << int(WaitResult::Garbled);
}

void tst_CommandChannel::waitMatchesReplyKeyword()
{
    // a reply arrives while a wait for a keyword runs / only that exact keyword ends it, a
    // malformed one as garbled
    QFETCH(QByteArray, keyword);
    QFETCH(QByteArray, reply);
    sharedState().IdentityCommand = QStringLiteral("$naxo00");
    CommandChannel& ch = m_sim->channel;
    QTimer::singleShot(0, &ch, [&] { ch.BLEClient1_Value({}, {}, {}, {}, {}, reply); });
    QTEST(int(awaitReply(ch, {QString::fromLatin1(keyword), {}, nullptr, 100})), "result");
}

void tst_CommandChannel::waitUsesReplyNotTime()
{
    // A slow gauge (40 ms per step) under a 2 s limit / done after the reply, well before the
    // limit.
    m_sim->client.options().writeLatency = std::chrono::milliseconds(40);
    m_sim->client.options().readLatency = std::chrono::milliseconds(40);
    sharedState().ReplyStatus = 55;
    QElapsedTimer t;
    t.start();
    QCOMPARE(QCoro::waitFor(m_sim->channel.ask(
                 QStringLiteral("$glt!"),
                 {QString(), [] { return sharedState().ReplyStatus == 0; }, nullptr, 2000})),
             WaitResult::Done);
    QVERIFY2(t.elapsed() < 1500, "the wait must end on the reply, not on its limit");
}

void tst_CommandChannel::cancelEndsWait()
{
    // A wait on a silent gauge cancelled from a timer / Cancelled, long before the limit.
    m_sim->gauge.setFault(1, SimFault::NoReply);
    CancelToken token;
    QTimer::singleShot(20, &token, &CancelToken::cancel);
    sharedState().ReplyStatus = 55;
    QCOMPARE(QCoro::waitFor(m_sim->channel.ask(QStringLiteral("$gcv!"),
                                               {QString(), [] { return false; }, &token, 5000})),
             WaitResult::Cancelled);
    QVERIFY(token.isCancelled());
}

void tst_CommandChannel::waitSpinsNoEventLoop()
{
    // A file read started from the event loop meets a silent gauge at its first block / a timer
    // that fires during the wait runs in that same loop, not in one nested for the wait.
    m_sim->gauge.setFault(2, SimFault::NoReply);
    QEventLoop loop;
    DeviceFile file(m_sim->channel, nullptr, 100);
    QString hex;
    std::optional<TransferResult> result;
    int outerLevel = -1;
    int levelInWait = -1;
    bool endedBeforeTimer = true;
    QTimer::singleShot(0, &loop, [&] {
        outerLevel = QThread::currentThread()->loopLevel();
        QTimer::singleShot(0, &loop, [&] {
            levelInWait = QThread::currentThread()->loopLevel();
            endedBeforeTimer = result.has_value();
        });
        QCoro::connect(file.readFile(QStringLiteral("probe"), hex), &loop,
                       [&](const TransferResult& r) {
                           result = r;
                           loop.quit();
                       });
    });
    loop.exec();
    QVERIFY(result.has_value());
    QCOMPARE(result->status, TransferStatus::NoReply);
    QVERIFY(!endedBeforeTimer);
    QVERIFY(outerLevel > 0);
    QCOMPARE(levelInWait, outerLevel);
}

void tst_CommandChannel::commandTexts_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("ReadBattery") << "battery" << QByteArray("$gcv!");
    QTest::newRow("ReadTime") << "time" << QByteArray("$glt!");
}

void tst_CommandChannel::commandTexts()
{
    // A ready-made read / exactly its command text, no CR LF.
    QFETCH(QString, operation);
    QFETCH(QByteArray, sent);
    sharedState().ReplyStatus = 55;
    QVERIFY(
        (operation == "battery" ? m_sim->channel.ReadBattery() : m_sim->channel.ReadTime()).ok());
    QTRY_COMPARE(int(sharedState().ReplyStatus), 0);
    QCOMPARE(m_sim->gauge.transcript(), QList<QByteArray>{sent});
}

void tst_CommandChannel::writeTimeExample()
{
    // 5 December 2026, 09:36:27 / 2026-12-05/09:36:27; WriteTime sends "$slt?" + it + "!" CR LF.
    QCOMPARE(CommandChannel::timeTextFor(QDateTime(QDate(2026, 12, 5), QTime(9, 36, 27))),
             QStringLiteral("2026-12-05/09:36:27"));
    QVERIFY(m_sim->channel.WriteTime().ok());
    QTRY_COMPARE(m_sim->gauge.transcript().size(), 1);
    QCOMPARE(sharedState().TimeText.size(), 19);
    QCOMPARE(m_sim->gauge.transcript().first(),
             "$slt?" + sharedState().TimeText.toLatin1() + "!\r\n");
}

void tst_CommandChannel::writeResponseOfOtherCharacteristicReadsNothing()
{
    // A write response for the trace characteristic / no read-back, no Value event.
    QSignalSpy values(&m_sim->client, &BLEClient::Value);
    m_sim->channel.BLEClient1_WriteResponse(SimBleClient::kServiceId, SimBleClient::kTraceCharId,
                                            {}, {}, {});
    m_sim->channel.BLEClient1_WriteResponse(SimBleClient::kServiceId, SimBleClient::kCommandCharId,
                                            {}, {}, {});
    QVERIFY(values.wait());
    QCOMPARE(values.size(), 1);
    QCOMPARE(values.first().at(1).toString(), SimBleClient::kCommandCharId);
}

void tst_CommandChannel::unsubscribeWithoutSubscriptionDoesNothing()
{
    // UnsubTrace before any subscription / no Unsubscribed event, status untouched.
    QSignalSpy unsubscribed(&m_sim->client, &BLEClient::Unsubscribed);
    sharedState().ReplyStatus = 55;
    QVERIFY(m_sim->channel.UnsubTrace().ok());
    QVERIFY(!unsubscribed.wait(50));
    QCOMPARE(int(sharedState().ReplyStatus), 55);
}

void tst_CommandChannel::subscribeAndUnsubscribeSetFlag()
{
    // SubTrace then UnsubTrace / TraceSubscribed true then false, each ending a pending wait.
    sharedState().ReplyStatus = 55;
    QVERIFY(m_sim->channel.SubTrace().ok());
    QCOMPARE(statusZero(m_sim->channel), WaitResult::Done);
    QVERIFY(sharedState().TraceSubscribed);
    sharedState().ReplyStatus = 55;
    QVERIFY(m_sim->channel.UnsubTrace().ok());
    QCOMPARE(statusZero(m_sim->channel), WaitResult::Done);
    QVERIFY(!sharedState().TraceSubscribed);
}

void tst_CommandChannel::readTimeEndsPendingWait()
{
    // ReadTime while a wait for status 0 is pending / the "$glt?" reply ends it with the time text.
    sharedState().ReplyStatus = 55;
    QVERIFY(m_sim->channel.ReadTime().ok());
    QCOMPARE(statusZero(m_sim->channel), WaitResult::Done);
    QCOMPARE(sharedState().ReplyData.size(), 19);
    QVERIFY(QDateTime::fromString(sharedState().ReplyData, "yyyy-MM-dd/HH:mm:ss").isValid());
}

void tst_CommandChannel::factoryModeWithoutLinkAsksForConnection()
{
    // FactoryMode with no gauge connected / asks for the link window, sends nothing.
    sharedState().DeviceConnected = false;
    QSignalSpy asked(&m_sim->channel, &CommandChannel::connectRequested);
    QCOMPARE(QCoro::waitFor(m_sim->channel.FactoryMode(3)), WaitResult::LinkLost);
    QCOMPARE(asked.size(), 1);
    QVERIFY(m_sim->gauge.transcript().isEmpty());
}

void tst_CommandChannel::failingWriteShowsNoReplyButEndsWait()
{
    // A write after the link dropped / request returns at once instead of waiting out the limit.
    m_sim->client.DisconnectDevice();
    QElapsedTimer t;
    t.start();
    QCOMPARE(QCoro::waitFor(m_sim->channel.ask(QStringLiteral("$gcv!"),
                                               {QString(), [] { return false; }, nullptr, 5000})),
             WaitResult::LinkLost);
    QVERIFY(t.elapsed() < 1000);
}

QTEST_GUILESS_MAIN(tst_CommandChannel)
#include "tst_commandchannel.moc"
