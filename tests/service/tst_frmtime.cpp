#include "link/DeviceBusy.h"
#include "service/DeviceClock.h"
#include "service/frmTime.h"
#include "state/TextCatalogue.h"
#include "tests/common/SimLink.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace
{
const QString kFormat = QStringLiteral("yyyy-MM-dd/HH:mm:ss");

QDateTime shownTime(const frmTime& w)
{
    return QDateTime::fromString(w.txtDateTime->text(), kFormat);
}
} // namespace

class FrmTimeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setReplyTimeoutMs(300); }
    void init()
    {
        resetSharedState();
        fillTextTables();
    }

    // the window shown / it shows the gauge's clock and the clock advances
    void showsAndAdvances()
    {
        SimLink link;
        QVERIFY(link.connectGauge());
        link.gauge.setClock(QDateTime(QDate(2003, 4, 5), QTime(6, 7, 8)));
        frmTime w(&link.channel);
        w.show();
        QTRY_VERIFY(shownTime(w).isValid());
        const QDateTime first = shownTime(w);
        QCOMPARE(first.date(), QDate(2003, 4, 5));
        QTRY_VERIFY_WITH_TIMEOUT(shownTime(w) > first, 3000);
        QCOMPARE(w.windowTitle(), QStringLiteral("ZELVO Service V 1.02"));
    }

    void escape_data()
    {
        QTest::addColumn<bool>("inOtherWindow");
        QTest::newRow("in the time window") << false;
        QTest::newRow("in another window") << true;
    }
    // Escape pressed in any window of the program / the refresh stops
    void escape()
    {
        QFETCH(bool, inOtherWindow);
        SimLink link;
        QVERIFY(link.connectGauge());
        frmTime w(&link.channel);
        QWidget other;
        other.show();
        w.show();
        QTRY_VERIFY(!w.txtDateTime->text().isEmpty());
        QTest::keyClick(inOtherWindow ? &other : static_cast<QWidget*>(w.txtDateTime),
                        Qt::Key_Escape);
        QVERIFY(w.StopRefresh());
        QSignalSpy read(w.clock(), &DeviceClock::timeRead);
        const int sent = link.gauge.commandCount();
        QVERIFY(!read.wait(400));
        QVERIFY(link.gauge.commandCount() <= sent + 1); // at most the read under way
    }

    // cmdAkt / the computer's time goes out and the display shows it within the next refresh
    void setTime()
    {
        SimLink link;
        QVERIFY(link.connectGauge());
        link.gauge.setClock(QDateTime(QDate(1998, 1, 1), QTime(0, 0, 0)));
        frmTime w(&link.channel);
        w.show();
        QTRY_COMPARE(shownTime(w).date().year(), 1998);
        QTest::mouseClick(w.cmdAkt, Qt::LeftButton);
        QTRY_VERIFY(!sharedState().TimeText.isEmpty());
        QTRY_VERIFY(link.transcript().contains("$slt?" + sharedState().TimeText + "!\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(shownTime(w).secsTo(QDateTime::currentDateTime())) <= 2,
                                 1000);
    }

    // closing the window / polling stops and the window is gone
    void closeStops()
    {
        SimLink link;
        QVERIFY(link.connectGauge());
        QPointer<frmTime> w = new frmTime(&link.channel);
        w->show();
        QTRY_VERIFY(!w->txtDateTime->text().isEmpty());
        w->close();
        QTRY_VERIFY(w.isNull());
        const int sent = link.gauge.commandCount();
        QSignalSpy replies(&link.channel, &CommandChannel::replyHandled);
        replies.wait(400);
        QVERIFY(link.gauge.commandCount() <= sent + 1);
        QVERIFY(!replies.wait(300));
    }

    // a gauge that stops answering / the display says so and reads go on one at a time
    void noReplyShown()
    {
        SimLink link;
        QVERIFY(link.connectGauge());
        for (int k = 3; k <= 40; ++k)
            link.gauge.setFault(k, SimFault::NoReply);
        frmTime w(&link.channel);
        w.show();
        QTRY_COMPARE(w.txtDateTime->text(), QStringLiteral("Keine Antwort vom Gerät"));
        QVERIFY(link.gauge.commandCount() <= 4);
        w.close();
    }

    // a transfer owns the channel / cmdAkt is disabled until it ends
    void busyDisablesSet()
    {
        frmTime w(nullptr);
        QVERIFY(w.cmdAkt->isEnabled());
        {
            const DeviceBusy::Guard busy;
            QVERIFY(!w.cmdAkt->isEnabled());
        }
        QVERIFY(w.cmdAkt->isEnabled());
    }
};

QTEST_MAIN(FrmTimeTest)
#include "tst_frmtime.moc"
