#include "service/MemoryReset.h"
#include "service/ServiceTexts.h"
#include "state/TextCatalogue.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"

#include <QtTest>

class MemoryResetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setReplyTimeoutMs(300); }
    void init()
    {
        resetSharedState();
        fillTextTables();
    }

    void reset_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QStringList>("sent");
        const QStringList reset{"$fsf!\r\n"};
        QTest::newRow("No") << false << int(SimFault::None) << int(ResetOutcome::Declined)
                            << QStringList();
        QTest::newRow("Yes") << true << int(SimFault::None) << int(ResetOutcome::Done) << reset;
        QTest::newRow("Yes, link dropped")
            << true << int(SimFault::DropLink) << int(ResetOutcome::LinkDropped) << reset;
        QTest::newRow("Yes, error status")
            << true << int(SimFault::StatusError) << int(ResetOutcome::Refused) << reset;
    }
    // the answer to the question and the gauge's behaviour / what is sent and the outcome
    void reset()
    {
        QFETCH(bool, yes);
        QFETCH(int, fault);
        QFETCH(int, outcome);
        QFETCH(QStringList, sent);
        SimLink link;
        QVERIFY(link.connectGauge());
        link.gauge.setFault(1, SimFault(fault));
        RecordingDialogs dialogs;
        dialogs.answer = yes;

        const ResetOutcome r = MemoryReset(link.channel).run(dialogs);

        QCOMPARE(dialogs.questions, QStringList{"Wollen Sie das Gerät wirklich resetten?"});
        QCOMPARE(int(r), outcome);
        QCOMPARE(link.transcript(), sent);
        QCOMPARE(link.gauge.resetDone(), r == ResetOutcome::Done);
    }

    // no link / nothing is sent and the user is told to connect
    void withoutLink()
    {
        SimLink link;
        RecordingDialogs dialogs;
        dialogs.answer = true;
        const ResetOutcome r = MemoryReset(link.channel).run(dialogs);
        QCOMPARE(r, ResetOutcome::SendFailed);
        QVERIFY(link.transcript().isEmpty());
        QCOMPARE(ServiceTexts::resetOutcome(r), messageText(10));
    }

    void texts_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("isSuccessText");
        QTest::newRow("done") << int(ResetOutcome::Done) << true;
        QTest::newRow("link dropped") << int(ResetOutcome::LinkDropped) << true;
        QTest::newRow("no reply") << int(ResetOutcome::NoReply) << false;
        QTest::newRow("refused") << int(ResetOutcome::Refused) << false;
    }
    // an outcome / MessageTexts 28 only when the reset went through
    void texts()
    {
        QFETCH(int, outcome);
        QFETCH(bool, isSuccessText);
        const QString text = ServiceTexts::resetOutcome(ResetOutcome(outcome));
        QCOMPARE(text == messageText(28), isSuccessText);
        QVERIFY(!text.isEmpty());
        QCOMPARE(MemoryReset::succeeded(ResetOutcome(outcome)), isSuccessText);
    }
};

QTEST_GUILESS_MAIN(MemoryResetTest)
#include "tst_memoryreset.moc"
