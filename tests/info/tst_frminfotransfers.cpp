#include "tests/common/InfoWindowFixture.h"
#include "info/InfoTexts.h"
#include "sim/SimRecords.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(SimFault)

namespace
{
// Every write first reads the gauge's file for the backup: open, 13 block reads, close.
constexpr int kBackupCommands = 15;

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}
} // namespace

class FrmInfoTransfersTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { setReplyTimeoutMs(0); }
    void cleanup() { setReplyTimeoutMs(0); }
    void downloadAfterRead();
    void downloadCancelled();
    void downloadBeforeRead();
    void downloadUnwritableFolder();
    void roundTripAndFactory();
    void uploadCancelled();
    void uploadRefused_data();
    void uploadRefused();
    void uploadOnlyLineEnd();
    void uploadUnusualSize_data();
    void uploadUnusualSize();
    void uploadFaults_data();
    void uploadFaults();
    void factoryWithoutData();
    void closeDuringRead();
    void closeDuringUpload();
};

void FrmInfoTransfersTest::downloadAfterRead()
{
    // read, then download / "probe" and "factory" in the chosen folder, hex plus CR LF each
    InfoWindowFixture f;
    QTemporaryDir target;
    f.window->cmdDaten_Click();
    QVERIFY(f.settle());
    f.dialogs.folder = target.path();
    f.window->cmdSpeichern_Click();
    QVERIFY(f.settle());
    QCOMPARE(readFile(target.filePath("probe")), sharedState().ProbeData.toLatin1() + "\r\n");
    QCOMPARE(readFile(target.filePath("factory")), sharedState().FactoryData.toLatin1() + "\r\n");
    QCOMPARE(QString::fromLatin1(QByteArray::fromHex(readFile(target.filePath("probe"))).toHex()),
             QString::fromLatin1(SimRecords::defaultProbe().toHex()));
    QTRY_COMPARE(f.box("TraceBox")->text(), QStringLiteral("Bereit"));
    QVERIFY(f.dialogs.messages.isEmpty());
}

void FrmInfoTransfersTest::downloadCancelled()
{
    // folder dialog cancelled / nothing written anywhere, no "Bereit"
    InfoWindowFixture f;
    f.window->cmdDaten_Click();
    QVERIFY(f.settle());
    const QStringList before = QDir::current().entryList(QDir::Files);
    f.dialogs.folder.clear();
    f.window->cmdSpeichern_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.dialogs.folderRequests, 1);
    QCOMPARE(QDir::current().entryList(QDir::Files), before);
    QVERIFY(!QFile::exists(QDir(f.programFolder.path()).filePath("probe")));
    QVERIFY(f.box("TraceBox")->text().isEmpty());
    QVERIFY(!f.control<QTimer>("TimerTrace")->isActive());
}

void FrmInfoTransfersTest::downloadBeforeRead()
{
    // download with nothing read / "Bitte erst Datei einlesen", no probe file
    InfoWindowFixture f;
    QTemporaryDir target;
    f.dialogs.folder = target.path();
    f.window->cmdSpeichern_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Bitte erst Datei einlesen")});
    QVERIFY(!QFile::exists(target.filePath("probe")));
}

void FrmInfoTransfersTest::downloadUnwritableFolder()
{
    // folder that cannot take files / error report with the log path, indicator stopped
    InfoWindowFixture f;
    f.window->cmdDaten_Click();
    QVERIFY(f.settle());
    QTemporaryDir target;
    f.dialogs.folder = target.filePath("missing/deeper");
    f.window->cmdSpeichern_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().contains(QStringLiteral("   cmdSpeichern_Click\r")));
    QVERIFY(f.dialogs.messages.first().endsWith(QStringLiteral("   ") + sharedState().LogFilePath));
    QCOMPARE(f.box("TraceBox")->text(), InfoTexts::failedIndicator());
    QVERIFY(!f.control<QTimer>("TimerTrace")->isActive());
}

void FrmInfoTransfersTest::roundTripAndFactory()
{
    // download, upload the file back, overwrite factory / identical data in "probe" and "factory"
    InfoWindowFixture f;
    QTemporaryDir target;
    f.window->cmdDaten_Click();
    QVERIFY(f.settle());
    const QString downloaded = sharedState().ProbeData;
    f.dialogs.folder = target.path();
    f.window->cmdSpeichern_Click();
    QVERIFY(f.settle());
    f.sim->gauge.setFile(QStringLiteral("probe"), SimRecords::defaultFactory());
    f.sim->gauge.clearTranscript();
    sharedState().ProbeData.clear();
    f.unlockDownload();
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.messages.join('|')));
    QCOMPARE(f.sim->gauge.file(QStringLiteral("probe")), SimRecords::defaultProbe());
    QCOMPARE(sharedState().ProbeData, downloaded);
    QTRY_COMPARE(f.box("TraceBox")->text(), InfoTexts::verifiedReady(QStringLiteral("Ready")));
    QVERIFY(!f.button("cmdFactory")->isHidden());
    QVERIFY(f.logLines().contains(QStringLiteral("Datei ProbedatenLänge800")));
    QVERIFY(f.logLines().contains(QStringLiteral("Datei Probedaten") + downloaded));

    f.sim->gauge.clearTranscript();
    f.window->cmdFactory_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.sim->gauge.file(QStringLiteral("factory")), SimRecords::defaultProbe());
    QCOMPARE(f.sim->transcript().at(kBackupCommands), QStringLiteral("$rm?factory!\r\n"));
    QTRY_COMPARE(f.box("TraceBox")->text(), InfoTexts::verifiedReady(QStringLiteral("Bereit")));
    QCOMPARE(f.sim->gauge.openHandleCount(), 0);
}

void FrmInfoTransfersTest::uploadCancelled()
{
    // upload dialog cancelled / nothing sent, no "Ready", factory button stays hidden
    InfoWindowFixture f;
    writeFile(QDir::current().filePath("probe"), "00\r\n");
    f.dialogs.folder.clear();
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QFile::remove(QDir::current().filePath("probe"));
    QVERIFY(f.sim->transcript().isEmpty());
    QVERIFY(f.box("TraceBox")->text().isEmpty());
    QVERIFY(f.button("cmdFactory")->isHidden());
}

void FrmInfoTransfersTest::uploadRefused_data()
{
    QTest::addColumn<QByteArray>("content"); // "<none>": no file at all
    QTest::addColumn<bool>("errorReport");   // error report (file) or refusal message (data)
    QTest::newRow("no file") << QByteArray("<none>") << true;
    QTest::newRow("one character") << QByteArray("0") << true;
    QTest::newRow("non-hex") << QByteArray("00ZZ\r\n") << false;
}

void FrmInfoTransfersTest::uploadRefused()
{
    // unusable PC file / message, nothing sent, no "Ready", ProbeData kept
    QFETCH(QByteArray, content);
    QFETCH(bool, errorReport);
    InfoWindowFixture f;
    QTemporaryDir source;
    if (content != "<none>")
        writeFile(source.filePath("probe"), content);
    sharedState().ProbeData = QStringLiteral("KEPT");
    f.dialogs.folder = source.path();
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QVERIFY(f.sim->transcript().isEmpty());
    QCOMPARE(f.dialogs.messages.size(), 1);
    QCOMPARE(f.dialogs.messages.first().endsWith(sharedState().LogFilePath), errorReport);
    QCOMPARE(sharedState().ProbeData, QStringLiteral("KEPT"));
    QCOMPARE(f.box("TraceBox")->text(), InfoTexts::failedIndicator());
    QVERIFY(f.button("cmdFactory")->isHidden());
}

void FrmInfoTransfersTest::uploadOnlyLineEnd()
{
    // PC file holding only CR LF / nothing sent, "Ready", factory button shown
    InfoWindowFixture f;
    QTemporaryDir source;
    writeFile(source.filePath("probe"), "\r\n");
    f.dialogs.folder = source.path();
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QVERIFY(f.sim->transcript().isEmpty());
    QVERIFY(sharedState().ProbeData.isEmpty());
    QTRY_COMPARE(f.box("TraceBox")->text(), QStringLiteral("Ready"));
    QVERIFY(!f.button("cmdFactory")->isHidden());
}

void FrmInfoTransfersTest::uploadUnusualSize_data()
{
    QTest::addColumn<bool>("answer");
    QTest::newRow("No") << false;
    QTest::newRow("Yes") << true;
}

void FrmInfoTransfersTest::uploadUnusualSize()
{
    // PC file of 32 bytes / question first; No: nothing sent, no "Ready"; Yes: written, "Ready"
    QFETCH(bool, answer);
    InfoWindowFixture f;
    QTemporaryDir source;
    const QByteArray hex = countingHex(32).toLatin1();
    writeFile(source.filePath("probe"), hex + "\r\n");
    sharedState().ProbeData = QStringLiteral("KEPT");
    f.dialogs.folder = source.path();
    f.dialogs.answer = answer;
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    // Yes: the guard asks as well, since bytes 4-7 differ from the gauge's serial number.
    QCOMPARE(f.dialogs.questions.size(), answer ? 2 : 1);
    QCOMPARE(f.sim->transcript().isEmpty(), !answer);
    QCOMPARE(sharedState().ProbeData, answer ? QString::fromLatin1(hex) : QStringLiteral("KEPT"));
    QCOMPARE(f.button("cmdFactory")->isHidden(), !answer);
    if (answer)
        QTRY_COMPARE(f.box("TraceBox")->text(), InfoTexts::verifiedReady(QStringLiteral("Ready")));
    else
        QVERIFY(f.box("TraceBox")->text().isEmpty());
}

void FrmInfoTransfersTest::uploadFaults_data()
{
    // one record, after the backup's 15 commands: 1 remove, 2 create, 3-15 chunks, 16 close
    QTest::addColumn<int>("command");
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<int>("openHandles");
    QTest::newRow("create no handle") << 2 << SimFault::StatusError << 0;
    QTest::newRow("chunk link drop") << 5 << SimFault::DropLink << 1;
    QTest::newRow("close status 5") << 16 << SimFault::StatusError << 1;
}

void FrmInfoTransfersTest::uploadFaults()
{
    // write fails on the gauge / error report, never "Ready", file closed where the link allows
    setReplyTimeoutMs(300); // the faults leave replies missing
    QFETCH(int, command);
    QFETCH(SimFault, fault);
    QFETCH(int, openHandles);
    InfoWindowFixture f;
    QTemporaryDir source;
    writeFile(source.filePath("probe"), SimRecords::defaultFactory().toHex().toUpper() + "\r\n");
    f.sim->gauge.setFault(kBackupCommands + command, fault);
    f.dialogs.folder = source.path();
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().contains(QStringLiteral("   Schreibe_Com\r")));
    QVERIFY(f.dialogs.messages.first().endsWith(QStringLiteral("   ") + sharedState().LogFilePath));
    QCOMPARE(f.sim->gauge.openHandleCount(), openHandles);
    QVERIFY(!f.control<QTimer>("TimerTrace")->isActive());
    QCOMPARE(f.box("TraceBox")->text(), InfoTexts::failedIndicator());
    QVERIFY(f.button("cmdFactory")->isHidden());
    QVERIFY(f.button("cmdEinspielen")->isEnabled());
}

void FrmInfoTransfersTest::factoryWithoutData()
{
    // factory overwrite with no probe data / nothing sent, no message, "Bereit"
    InfoWindowFixture f;
    f.window->cmdFactory_Click();
    QVERIFY(f.settle());
    QVERIFY(f.sim->transcript().isEmpty());
    QVERIFY(f.dialogs.messages.isEmpty());
    QTRY_COMPARE(f.box("TraceBox")->text(), QStringLiteral("Bereit"));
}

void FrmInfoTransfersTest::closeDuringRead()
{
    // window closed (deleted) during the read / no crash, no further reads, file closed
    InfoWindowFixture f;
    f.window->setAttribute(Qt::WA_DeleteOnClose);
    f.window->show();
    QObject::connect(&f.sim->channel, &CommandChannel::commandSent, &f.sim->channel, [&f] {
        if (f.sim->gauge.commandCount() == 3 && f.window)
            QTimer::singleShot(0, f.window.data(), &QWidget::close);
    });
    QTimer::singleShot(0, f.window.data(), &frmInfo::cmdDaten_Click);
    QTRY_VERIFY(f.window.isNull());
    QVERIFY(f.settle());
    QCOMPARE(f.sim->transcript().last(), QStringLiteral("$fc?1!"));
    QCOMPARE(f.sim->gauge.openHandleCount(), 0);
    QVERIFY(!f.sim->transcript().contains(QStringLiteral("$fr?factory!")));
    QVERIFY(f.dialogs.messages.isEmpty());
}

void FrmInfoTransfersTest::closeDuringUpload()
{
    // window closed during the chunks / the write stops, file closed, no message, no crash
    InfoWindowFixture f;
    QTemporaryDir source;
    writeFile(source.filePath("probe"), SimRecords::defaultFactory().toHex() + "\r\n");
    f.dialogs.folder = source.path();
    f.window->show();
    QObject::connect(&f.sim->channel, &CommandChannel::commandSent, &f.sim->channel, [&f] {
        if (f.sim->gauge.commandCount() == kBackupCommands + 5 && f.window)
            QTimer::singleShot(0, f.window.data(), &QWidget::close);
    });
    f.window->cmdEinspielen_Click();
    QVERIFY(f.settle());
    QCOMPARE(f.sim->transcript().last(), QStringLiteral("$fc?2!")); // handle 1 was the backup's
    QVERIFY(f.sim->transcript().size() <= kBackupCommands + 7);
    QCOMPARE(f.sim->gauge.openHandleCount(), 0);
    QVERIFY(f.dialogs.messages.isEmpty());
    QVERIFY(f.box("TraceBox")->text() != QStringLiteral("Ready"));
}

QTEST_MAIN(FrmInfoTransfersTest)
#include "tst_frminfotransfers.moc"
