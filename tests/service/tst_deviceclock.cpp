#include "link/DeviceBusy.h"
#include "service/DeviceClock.h"
#include "tests/common/SimLink.h"

#include <QtTest>

namespace
{
const QString kFormat = QStringLiteral("yyyy-MM-dd/HH:mm:ss");

int countOf(const QStringList& list, const QString& text)
{
    return int(list.count(text));
}
} // namespace

class DeviceClockTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setReplyTimeoutMs(300); }
    void init() { resetSharedState(); }

    // a running clock on the gauge / the display shows it and it advances
    void showsGaugeClock()
    {
        SimLink link;
        QVERIFY(link.connectGauge());
        const QDateTime set(QDate(2001, 2, 3), QTime(4, 5, 6));
        link.gauge.setClock(set);
        DeviceClock clock(link.channel);
        QSignalSpy read(&clock, &DeviceClock::timeRead);
        QElapsedTimer elapsed;
        elapsed.start();
        clock.start();
        QVERIFY(read.wait(1000));
        const QDateTime first = QDateTime::fromString(read.first().at(0).toString(), kFormat);
        QVERIFY(qAbs(first.secsTo(set)) <= 1);
        QTRY_VERIFY_WITH_TIMEOUT(
            QDateTime::fromString(read.last().at(0).toString(), kFormat) > first, 3000);
        // one read at a time, 100 ms after the previous reply
        QTRY_VERIFY(read.size() >= 3);
        QVERIFY(read.size() <= elapsed.elapsed() / DeviceClock::kPauseMs + 1);
        QVERIFY(countOf(link.transcript(), "$glt!") <= read.size() + 1);
    }

    // stop / no further read goes out
    void stopStopsPolling()
    {
        SimLink link;
        QVERIFY(link.connectGauge());
        DeviceClock clock(link.channel);
        QSignalSpy read(&clock, &DeviceClock::timeRead);
        clock.start();
        QVERIFY(read.wait(1000));
        clock.stop();
        QVERIFY(clock.StopRefresh());
        const int sent = link.gauge.commandCount();
        QVERIFY(!read.wait(400));
        QCOMPARE(link.gauge.commandCount(), sent);
    }

    // setTime / "$slt?<computer time>!\r\n" goes out and the next reads show the new time
    void setTime()
    {
        SimLink link;
        QVERIFY(link.connectGauge());
        link.gauge.setClock(QDateTime(QDate(1999, 12, 31), QTime(23, 0, 0)));
        DeviceClock clock(link.channel);
        QSignalSpy read(&clock, &DeviceClock::timeRead);
        QSignalSpy set(&clock, &DeviceClock::timeSet);
        clock.start();
        QVERIFY(read.wait(1000));
        QVERIFY(read.last().at(0).toString().startsWith("1999-12-31/23:"));
        clock.setTime();
        QTRY_COMPARE(set.size(), 1);
        const QString timeText = set.first().at(0).toString();
        const QDateTime sentTime = QDateTime::fromString(timeText, kFormat);
        QVERIFY(qAbs(sentTime.secsTo(QDateTime::currentDateTime())) <= 2);
        QTRY_VERIFY(link.transcript().contains("$slt?" + timeText + "!\r\n"));
        read.clear();
        QVERIFY(read.wait(1000));
        const QDateTime shown = QDateTime::fromString(read.last().at(0).toString(), kFormat);
        QVERIFY(qAbs(shown.secsTo(QDateTime::currentDateTime())) <= 2);
    }

    // a read without reply / reported once, one read outstanding, then polling goes on
    void noReply()
    {
        SimLink link;
        QVERIFY(link.connectGauge());
        link.gauge.setFault(2, SimFault::NoReply);
        DeviceClock clock(link.channel);
        clock.setReplyLimitMs(250);
        QSignalSpy read(&clock, &DeviceClock::timeRead);
        QSignalSpy failed(&clock, &DeviceClock::readFailed);
        clock.start();
        QVERIFY(failed.wait(1000));
        QCOMPARE(failed.first().at(0).value<WaitResult>(), WaitResult::TimedOut);
        QCOMPARE(read.size(), 1);
        QCOMPARE(countOf(link.transcript(), "$glt!"), 2);
        QVERIFY(read.wait(1000));
        QCOMPARE(failed.size(), 1);
    }

    // a transfer owns the channel / the clock sends nothing until it ends
    void holdsWhileBusy()
    {
        SimLink link;
        QVERIFY(link.connectGauge());
        DeviceClock clock(link.channel);
        QSignalSpy read(&clock, &DeviceClock::timeRead);
        {
            const DeviceBusy::Guard busy;
            clock.start();
            QVERIFY(!read.wait(300));
            QCOMPARE(link.gauge.commandCount(), 0);
        }
        QVERIFY(read.wait(1000));
    }
};

QTEST_GUILESS_MAIN(DeviceClockTest)
#include "tst_deviceclock.moc"
