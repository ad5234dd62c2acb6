#include "tests/common/AppHarness.h"
#include "link/BLE.h"
#include "link/CommandChannel.h"
#include "service/DeviceClock.h"
#include "service/ServiceFunctions.h"
#include "service/frmTime.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace
{
QByteArray bytesOf(int size)
{
    QByteArray b;
    for (int i = 0; i < size; ++i)
        b.append(char(i * 13 + 1));
    return b;
}

void writeLanguage(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(folder + "/lng");
    QFile f(folder + "/lng/" + name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList listed(const frmService& w)
{
    QStringList names;
    for (int i = 0; i < w.lstDatei->count(); ++i)
        names.append(w.lstDatei->item(i)->text());
    return names;
}

// Chooses the list entry with this text, as a click does.
bool choose(frmService& w, const QString& text)
{
    const QList<QListWidgetItem*> items = w.lstDatei->findItems(text, Qt::MatchExactly);
    if (items.isEmpty())
        return false;
    w.lstDatei->setCurrentItem(items.first());
    w.lstDatei_Click();
    return true;
}
} // namespace

class ServiceWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setReplyTimeoutMs(300); }

    // a connection comes up / the language list is filled and rebuilt after a language switch
    void listing()
    {
        AppHarness app;
        for (const char* name : {"lDE", "lEN", "lde", "LDE", "xDE", "lHU"})
            writeLanguage(app.folder(), name, "x");
        QVERIFY(app.connectGauge());
        frmService& w = app.window();
        QCOMPARE(listed(w), (QStringList{"Deutsch", "Englisch", "Ungarisch"}));
        QCOMPARE(w.txtLog->text(), messageText(27));
        QVERIFY(w.lstDatei->isVisible() && w.cmdSuche->isVisible());
        w.English_Click();
        QCOMPARE(listed(w), (QStringList{"German", "English", "Magyar"}));
        QVERIFY(!w.cmdTransfer->isVisible());
        QVERIFY(choose(w, "Magyar"));
        QVERIFY(w.cmdTransfer->isVisible() && w.cmdReset->isVisible());
        QCOMPARE(ServiceFunctions::of(w).LanguageFileName, QStringLiteral("lHU"));
    }

    // a 100-byte lDE sent / the gauge holds it, success text, progress 5 of 5, buttons back
    void transferSucceeds()
    {
        AppHarness app;
        writeLanguage(app.folder(), "lDE", bytesOf(100));
        QVERIFY(app.connectGauge());
        frmService& w = app.window();
        QVERIFY(choose(w, "Deutsch"));
        int lastValue = -1;
        connect(w.pb1, &QProgressBar::valueChanged, [&lastValue](int v) { lastValue = v; });
        w.cmdTransfer->click();
        QTRY_COMPARE(w.txtLog->text(),
                     QStringLiteral("Datei lDE wurde erfolgreich auf das Gerät übertragen"));
        QCOMPARE(app.gauge.file("lDE"), bytesOf(100));
        QCOMPARE(lastValue, 5);
        QCOMPARE(w.pb1->maximum(), 5);
        QVERIFY(!w.pb1->isVisible());
        QVERIFY(w.cmdReset->isVisible() && w.cmdInfo->isVisible());
        QCOMPARE(w.txtSpeicher->text(), QStringLiteral("0.0"));
        QVERIFY(app.dialogs.messages.isEmpty());
    }

    void failure_data()
    {
        QTest::addColumn<int>("faultAt"); // 1 = the create command
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("linkUp");
        QTest::newRow("no reply") << 2 << int(SimFault::NoReply)
                                  << "Keine Antwort vom Gerät ($wr 1)" << true;
        QTest::newRow("link dropped")
            << 3 << int(SimFault::DropLink) << "Verbindung zum Gerät unterbrochen ($wr 2)" << false;
    }
    // a transfer that fails / the message shown once, the window back as before, usable again
    void failure()
    {
        QFETCH(int, faultAt);
        QFETCH(int, fault);
        QFETCH(QString, message);
        QFETCH(bool, linkUp);
        AppHarness app;
        writeLanguage(app.folder(), "lDE", bytesOf(100));
        QVERIFY(app.connectGauge());
        frmService& w = app.window();
        QVERIFY(choose(w, "Deutsch"));
        app.gauge.setFault(app.gauge.commandCount() + faultAt, SimFault(fault));
        w.cmdTransfer->click();
        QTRY_COMPARE(app.dialogs.messages, QStringList{message});
        QCOMPARE(w.txtLog->text(), message);
        QVERIFY(!w.pb1->isVisible());
        QCOMPARE(w.cmdReset->isVisible(), linkUp);
        QCOMPARE(w.cmdInfo->isVisible(), linkUp);
        QVERIFY(w.cmdTransfer->isEnabled() && w.cmdTime->isEnabled());
        if (!linkUp)
            return;
        w.cmdTransfer->click(); // usable again: the next transfer goes through
        QTRY_COMPARE(app.gauge.file("lDE"), bytesOf(100));
    }

    // the chosen file removed before sending / a message, nothing sent, no empty file made
    void missingFile()
    {
        AppHarness app;
        writeLanguage(app.folder(), "lFR", "abc");
        QVERIFY(app.connectGauge());
        frmService& w = app.window();
        QVERIFY(choose(w, "Französisch"));
        QVERIFY(QFile::remove(app.folder() + "/lng/lFR"));
        const int sent = app.gauge.commandCount();
        w.cmdTransfer->click();
        QTRY_COMPARE(app.dialogs.messages, QStringList{"Sprachdatei nicht gefunden: lFR"});
        QCOMPARE(app.gauge.commandCount(), sent);
        QVERIFY(!QFileInfo::exists(app.folder() + "/lng/lFR"));
        QVERIFY(w.cmdReset->isVisible() && w.cmdInfo->isVisible());
    }

    // a transfer running / the device buttons of the main and the time window are disabled
    void buttonsDisabledWhileSending()
    {
        AppHarness app;
        writeLanguage(app.folder(), "lDE", bytesOf(70));
        QVERIFY(app.connectGauge());
        frmService& w = app.window();
        w.cmdTime->click();
        QVERIFY(w.timeWindow()->isVisible());
        QVERIFY(choose(w, "Deutsch"));
        QList<bool> enabled;
        connect(app.link().channel(), &CommandChannel::commandSent, [&] {
            for (QWidget* b :
                 {static_cast<QWidget*>(w.cmdTime), static_cast<QWidget*>(w.cmdConnect),
                  static_cast<QWidget*>(w.cmdReset), static_cast<QWidget*>(w.cmdSuche),
                  static_cast<QWidget*>(w.cmdTransfer),
                  static_cast<QWidget*>(w.timeWindow()->cmdAkt)})
                enabled.append(b->isEnabled());
        });
        w.cmdTransfer->click();
        QTRY_VERIFY(w.cmdTime->isEnabled() && w.timeWindow()->cmdAkt->isEnabled());
        QCOMPARE(app.gauge.file("lDE"), bytesOf(70));
        QVERIFY(enabled.size() >= 6);
        QVERIFY(!enabled.contains(true));
    }

    // the time window opened from the main window / the status line empties, the window shows
    // the gauge's clock through the link (without a gauge: tst_frmservice)
    void timeWindowFromMain()
    {
        AppHarness app;
        frmService& w = app.window();
        QVERIFY(app.connectGauge());
        app.gauge.setClock(QDateTime(QDate(2010, 6, 7), QTime(8, 9, 10)));
        w.txtLog->setText(QStringLiteral("old"));
        w.cmdTime->click();
        frmTime* t = w.timeWindow();
        QVERIFY(t->isVisible());
        QCOMPARE(w.txtLog->text(), QString());
        QTRY_VERIFY(t->txtDateTime->text().startsWith("2010-06-07/08:"));
        t->close();
    }

    void reset_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("No") << false << QStringList();
        QTest::newRow("Yes") << true << QStringList{"$fsf!\r\n"};
    }
    // the reset question answered / No sends nothing; Yes resets, disconnects and ends
    void reset()
    {
        QFETCH(bool, yes);
        QFETCH(QStringList, sent);
        AppHarness app;
        QVERIFY(app.connectGauge());
        frmService& w = app.window();
        app.gauge.clearTranscript();
        app.dialogs.yesNoAnswers = {yes};
        w.cmdReset->click();
        QCOMPARE(app.dialogs.questions,
                 QStringList{QStringLiteral("Wollen Sie das Gerät wirklich resetten?")});
        QTRY_COMPARE(w.ended(), yes);
        QStringList received;
        for (const QByteArray& c : app.gauge.transcript())
            received.append(QString::fromLatin1(c));
        QCOMPARE(received, sent);
        QCOMPARE(sharedState().DeviceConnected, !yes);
        if (yes)
            QCOMPARE(w.txtLog->text(), messageText(28));
    }
};

QTEST_MAIN(ServiceWindowTest)
#include "tst_servicewindow.moc"
