#include "service/MemoryReset.h"
#include "service/ServiceTexts.h"
#include "state/TextCatalogue.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"

#include <QtTest>

Q_DECLARE_METATYPE(SimFault)
Q_DECLARE_METATYPE(TransferStatus)

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
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<TransferStatus>("status");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QStringList>("sent");
        const QStringList reset{"$fsf!\r\n"};
        QTest::newRow("No") << false << SimFault::None << TransferStatus::Declined
                            << "the user said No" << QStringList();
        QTest::newRow("Yes") << true << SimFault::None << TransferStatus::Ok << QString() << reset;
        QTest::newRow("Yes, link dropped") << true << SimFault::DropLink << TransferStatus::Ok
                                           << MemoryReset::linkDroppedDetail() << reset;
        QTest::newRow("Yes, error status")
            << true << SimFault::StatusError << TransferStatus::GaugeError
            << "reset answered with status 5" << reset;
        QTest::newRow("Yes, no reply")
            << true << SimFault::NoReply << TransferStatus::NoReply << "no reply in time" << reset;
    }
    // the answer to the question and the gauge's behaviour / what is sent, the outcome, and
    // MessageTexts 28 only when the reset went through
    void reset()
    {
        QFETCH(bool, yes);
        QFETCH(SimFault, fault);
        QFETCH(TransferStatus, status);
        QFETCH(QString, detail);
        QFETCH(QStringList, sent);
        SimLink link;
        QVERIFY(link.connectGauge());
        link.gauge.setFault(1, fault);
        RecordingDialogs dialogs;
        dialogs.answer = yes;

        const TransferResult r = QCoro::waitFor(MemoryReset(link.channel).run(dialogs));

        QCOMPARE(dialogs.questions, QStringList{"Wollen Sie das Gerät wirklich resetten?"});
        QCOMPARE(r.status, status);
        QCOMPARE(r.detail, detail);
        QCOMPARE(link.transcript(), sent);
        QCOMPARE(link.gauge.resetDone(), r.ok() && fault == SimFault::None);
        const QString text = ServiceTexts::resetOutcome(r);
        QCOMPARE(text == messageText(28), r.ok());
        QCOMPARE(text.isEmpty(), status == TransferStatus::Declined);
    }

    // no link / nothing is sent and the user is told to connect
    void withoutLink()
    {
        SimLink link;
        RecordingDialogs dialogs;
        dialogs.answer = true;
        const TransferResult r = QCoro::waitFor(MemoryReset(link.channel).run(dialogs));
        QCOMPARE(r.status, TransferStatus::NotConnected);
        QVERIFY(link.transcript().isEmpty());
        QCOMPARE(ServiceTexts::resetOutcome(r), messageText(10));
    }
};

QTEST_GUILESS_MAIN(MemoryResetTest)
#include "tst_memoryreset.moc"
