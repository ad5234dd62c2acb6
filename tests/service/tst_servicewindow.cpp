// The main window's transfer and reset, and the date and time window, on a simulated gauge.
#include "link/DeviceBusy.h"
#include "service/DeviceClock.h"
#include "service/frmTime.h"
#include "state/TextCatalogue.h"
#include "tests/common/AppHarness.h"
#include "tests/common/SimLink.h"
#include "tests/common/TestFiles.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(SimFault)

namespace
{
const QByteArray kBytes = QByteArray::fromHex("0102030405060708090A0B0C0D0E0F10111213141516171819")
                              .repeated(4); // 100 bytes: three full chunks and a short one

QDateTime shownTime(const frmTime& w)
{
    return QDateTime::fromString(w.txtDateTime->text(), "yyyy-MM-dd/HH:mm:ss");
}

} // namespace

class ServiceWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setReplyTimeoutMs(250); }

    void transfer_data()
    {
        QTest::addColumn<int>("faultAt"); // 1 = the create command
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("linkUp");
        // clang-format off
        QTest::newRow("sent") << 0 << SimFault::None << "" << true;
        QTest::newRow("no reply") << 2 << SimFault::NoReply << "Keine Antwort vom Gerät ($wr 1)" << true;
        QTest::newRow("link dropped") << 3 << SimFault::DropLink << "Verbindung zum Gerät unterbrochen ($wr 2)" << false;
        // clang-format on
    }
    // a transfer / the gauge's file or the message once and in the status line, the window back
    void transfer()
    {
        QFETCH(int, faultAt);
        QFETCH(QString, message);
        QFETCH(bool, linkUp);
        AppHarness app;
        QVERIFY(writeFile(app.folder() + "/lng/lDE", kBytes));
        QVERIFY(app.connectGauge());
        frmService& w = app.window();
        const auto items = w.lstDatei->findItems("Deutsch", Qt::MatchExactly);
        QVERIFY(!items.isEmpty());
        w.lstDatei->setCurrentItem(items.first());
        w.lstDatei_Click();
        QFETCH(SimFault, fault);
        app.gauge.setFault(app.gauge.commandCount() + faultAt, fault);
        int lastValue = -1;
        connect(w.pb1, &QProgressBar::valueChanged, [&lastValue](int v) { lastValue = v; });
        w.cmdTransfer->click();
        const QString shown =
            message.isEmpty() ? "Datei lDE wurde erfolgreich auf das Gerät übertragen" : message;
        QTRY_COMPARE(w.txtLog->text(), shown);
        QCOMPARE(app.dialogs.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(!w.pb1->isVisible());
        QCOMPARE(w.cmdReset->isVisible(), linkUp);
        QCOMPARE(w.cmdInfo->isVisible(), linkUp);
        QVERIFY(w.cmdTransfer->isEnabled() && w.cmdTime->isEnabled());
        if (message.isEmpty()) {
            QCOMPARE(app.gauge.file("lDE"), kBytes);
            QCOMPARE(lastValue, 5);
            QCOMPARE(w.pb1->maximum(), 5);
            QCOMPARE(w.txtSpeicher->text(), QStringLiteral("0.0"));
        } else if (linkUp) {
            w.cmdTransfer->click(); // usable again: the next transfer goes through
            QTRY_COMPARE(app.gauge.file("lDE"), kBytes);
        }
    }

    // the reset question answered Yes / "$fsf!" CR LF sent, the program disconnects and ends
    void resetEndsProgram()
    {
        AppHarness app;
        QVERIFY(app.connectGauge());
        frmService& w = app.window();
        app.gauge.clearTranscript();
        app.dialogs.yesNoAnswers = {true};
        w.cmdReset->click();
        QCOMPARE(app.dialogs.questions, QStringList{"Wollen Sie das Gerät wirklich resetten?"});
        QTRY_VERIFY(w.ended());
        QCOMPARE(app.gauge.transcript(), QList<QByteArray>{"$fsf!\r\n"});
        QVERIFY(!sharedState().DeviceConnected);
        QCOMPARE(w.txtLog->text(), messageText(28));
    }

    // the time window shown / the gauge's clock, advancing, one read at a time a pause apart
    void clockShownAndAdvances()
    {
        SimSession s;
        QVERIFY(s.connect());
        s.gauge.setClock(QDateTime(QDate(2003, 4, 5), QTime(6, 7, 8)));
        frmTime w(&s.channel);
        QElapsedTimer elapsed;
        elapsed.start();
        w.show();
        QSignalSpy read(w.clock(), &DeviceClock::timeRead);
        QTRY_VERIFY(shownTime(w).isValid());
        const QDateTime first = shownTime(w);
        QVERIFY(qAbs(first.secsTo(QDateTime(QDate(2003, 4, 5), QTime(6, 7, 8)))) <= 1);
        QTRY_VERIFY_WITH_TIMEOUT(shownTime(w) > first, 3000);
        QCOMPARE(w.windowTitle(), QStringLiteral("ZELVO Service V 1.02"));
        QVERIFY(read.size() >= 3 && read.size() <= elapsed.elapsed() / DeviceClock::kPauseMs + 1);
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
        QPointer<frmTime> w = new frmTime(&s.channel);
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
        QSignalSpy replies(&s.channel, &CommandChannel::replyHandled);
        const int sent = s.gauge.commandCount();
        replies.wait(300);
        QVERIFY(s.gauge.commandCount() <= sent + 1); // at most the read under way
        QVERIFY(!replies.wait(300));
        delete w;
    }

    // a transfer owns the channel / the clock sends nothing and cmdAkt is disabled until it ends
    void clockHeldWhileBusy()
    {
        SimSession s;
        QVERIFY(s.connect());
        frmTime w(&s.channel);
        QVERIFY(w.cmdAkt->isEnabled());
        {
            const DeviceBusy::Guard busy;
            w.show();
            QVERIFY(!w.cmdAkt->isEnabled());
            QSignalSpy read(w.clock(), &DeviceClock::timeRead);
            QVERIFY(!read.wait(300));
            QCOMPARE(s.gauge.commandCount(), 0);
        }
        QVERIFY(w.cmdAkt->isEnabled());
        QTRY_VERIFY(shownTime(w).isValid());
    }
};

QTEST_MAIN(ServiceWindowTest)
#include "tst_servicewindow.moc"
