// The date and time window on a simulated gauge (its runs under faults: the fault matrix).
#include "service/DeviceClock.h"
#include "service/frmTime.h"
#include "tests/common/SimLink.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace
{
QDateTime shownTime(const frmTime& w)
{
    return QDateTime::fromString(w.txtDateTime->text(), "yyyy-MM-dd/HH:mm:ss");
}

} // namespace

class ServiceWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setReplyTimeoutMs(1000); } // no read here is meant to time out

    // the time window shown while a transfer owns the channel / nothing sent, cmdAkt disabled;
    // once it ends the gauge's clock, advancing, one read at a time a pause apart
    void clockShownAndAdvances()
    {
        SimSession s;
        QVERIFY(s.connect());
        const QDateTime set(QDate(2003, 4, 5), QTime(6, 7, 8));
        s.gauge.setClock(set);
        QElapsedTimer sinceSet;
        sinceSet.start();
        frmTime w(&s.link);
        {
            const GaugeSession::Busy busy(*s.session);
            w.show();
            QVERIFY(!w.cmdAkt->isEnabled());
            QVERIFY(!QSignalSpy(w.clock(), &DeviceClock::timeRead).wait(300));
            QCOMPARE(s.gauge.commandCount(), 0);
        }
        QElapsedTimer elapsed;
        elapsed.start();
        QSignalSpy read(w.clock(), &DeviceClock::timeRead);
        QVERIFY(w.cmdAkt->isEnabled());
        QTRY_VERIFY(shownTime(w).isValid());
        const QDateTime first = shownTime(w);
        QVERIFY(set.secsTo(first) >= 0 && set.secsTo(first) <= sinceSet.elapsed() / 1000 + 1);
        QTRY_VERIFY_WITH_TIMEOUT(shownTime(w) > first, 10000);
        QCOMPARE(w.windowTitle(), QStringLiteral("ZELVO Service V 1.02"));
        // Two reads at least: the shown second can advance between any two of them.
        QVERIFY(read.size() >= 2 && read.size() <= elapsed.elapsed() / DeviceClock::kPauseMs + 1);
        QVERIFY(s.transcript().count("$glt!") <= read.size() + 1);
    }

    void clockStops_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Escape in the time window") << 0;
        QTest::newRow("Escape in another window") << 1;
        QTest::newRow("window closed") << 2;
    }
    // Escape pressed in any window, or the time window closed / no further read goes out
    void clockStops()
    {
        QFETCH(int, how);
        SimSession s;
        QVERIFY(s.connect());
        QPointer<frmTime> w = new frmTime(&s.link);
        QWidget other;
        other.show();
        w->show();
        QTRY_VERIFY(!w->txtDateTime->text().isEmpty());
        if (how == 2) {
            w->close();
            QTRY_VERIFY(w.isNull());
        } else {
            QTest::keyClick(how ? &other : static_cast<QWidget*>(w->txtDateTime), Qt::Key_Escape);
            QVERIFY(w->StopRefresh());
        }
        // A poll going on would send its next read a pause after the read under way has ended.
        QSignalSpy sent(&s.channel(), &CommandChannel::commandSent);
        QVERIFY(!sent.wait(replyTimeoutMs() + 2 * DeviceClock::kPauseMs));
        delete w;
    }
};

QTEST_MAIN(ServiceWindowTest)
#include "tst_servicewindow.moc"
