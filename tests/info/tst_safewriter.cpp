#include "SafeWriteFixture.h"
#include "info/InfoTexts.h"
#include "info/SafeWriter.h"
#include "sim/SimRecords.h"

#include <QDir>
#include <QStandardPaths>
#include <QtTest>

Q_DECLARE_METATYPE(SimFault)
Q_DECLARE_METATYPE(SafeWriteStatus)

namespace
{
constexpr qint32 kSerial = 4711;
constexpr quint8 kCombined = 3;
// Commands of one raw read of a 400-byte file: open, 13 block reads, close.
constexpr int kReadCommands = 15;
// Commands of one write of a 400-byte file: remove, create, 13 chunks, close.
constexpr int kWriteCommands = 16;
} // namespace

class SafeWriterTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { setReplyTimeoutMs(0); }
    void cleanup() { setReplyTimeoutMs(0); }
    void backupBeforeFirstWriteCommand_data();
    void backupBeforeFirstWriteCommand();
    void verifyCatchesCorruptByte_data();
    void verifyCatchesCorruptByte();
    void guard_data();
    void guard();
    void backupNotPossible_data();
    void backupNotPossible();
    void gaugeWithoutTheFile();
    void backupFallsBackToAppData();
    void faultsAfterBackup_data();
    void faultsAfterBackup();
    void restoreRoundTrip();
    void restoreRefused_data();
    void restoreRefused();
};

void SafeWriterTest::backupBeforeFirstWriteCommand_data()
{
    QTest::addColumn<QString>("deviceFile");
    QTest::newRow("probe") << QStringLiteral("probe");
    QTest::newRow("factory") << QStringLiteral("factory");
}

void SafeWriterTest::backupBeforeFirstWriteCommand()
{
    // write into a gauge file / its old content saved and logged before "$rm"/"$fw", then verified
    QFETCH(QString, deviceFile);
    SafeWriteFixture f;
    const QByteArray old = safeRecord(kSerial, kCombined, 1);
    const QByteArray fresh = safeRecord(kSerial, kCombined, 2);
    f.sim.gauge.setFile(deviceFile, old);
    SafeWriter writer(f.sim.channel, f.dialogs);
    QStringList seenAtBackup;
    connect(&writer, &SafeWriter::backupSaved, this,
            [&](const QString& path) { seenAtBackup = f.sim.transcript() << path; });
    const SafeWriteResult r = QCoro::waitFor(writer.write(deviceFile, hexOf(fresh)));
    QVERIFY2(r.ok(), qPrintable(describeSafeWrite(r)));
    QCOMPARE(f.sim.gauge.file(deviceFile), fresh);
    QCOMPARE(QFileInfo(r.backupPath).absolutePath(), QDir(f.backupFolder()).absolutePath());
    QCOMPARE(fileContent(r.backupPath), old.toHex().toUpper() + "\r\n");
    QVERIFY(QFileInfo(r.backupPath).fileName().startsWith(QStringLiteral("4711_") + deviceFile));
    // The backup was on disk, and the old file completely read, before any write command.
    QCOMPARE(seenAtBackup.size(), kReadCommands + 1);
    QCOMPARE(seenAtBackup.first(), QStringLiteral("$fr?") + deviceFile + QLatin1Char('!'));
    QVERIFY(f.firstIndexOf(QStringLiteral("$rm")) >= kReadCommands);
    QVERIFY(f.firstIndexOf(QStringLiteral("$fw")) > f.firstIndexOf(QStringLiteral("$rm")));
    QCOMPARE(f.sim.gauge.commandCount(), 2 * kReadCommands + kWriteCommands);
    QCOMPARE(f.sim.transcript().at(kReadCommands + kWriteCommands), seenAtBackup.first());
    QVERIFY(f.logLines().contains(QStringLiteral("Sicherung ") + deviceFile + ' ' + r.backupPath));
    QCOMPARE(f.sim.gauge.openHandleCount(), 0);
    QVERIFY(f.dialogs.questions.isEmpty());
}

void SafeWriterTest::verifyCatchesCorruptByte_data()
{
    QTest::addColumn<int>("offset");
    QTest::newRow("first byte") << 0;
    QTest::newRow("serial byte") << 4;
    QTest::newRow("end of first chunk") << 31;
    QTest::newRow("start of second chunk") << 32;
    QTest::newRow("last byte") << 399;
}

void SafeWriterTest::verifyCatchesCorruptByte()
{
    // the gauge stores one byte wrong / mismatch at exactly that offset, never success, backup
    // named
    QFETCH(int, offset);
    SafeWriteFixture f;
    const QByteArray data = safeRecord(kSerial, kCombined, 7);
    f.sim.gauge.setFile(QStringLiteral("probe"), safeRecord(kSerial, kCombined, 3));
    f.sim.gauge.setCorruptWriteOffset(offset);
    const SafeWriteResult r = QCoro::waitFor(
        SafeWriter(f.sim.channel, f.dialogs).write(QStringLiteral("probe"), hexOf(data)));
    QVERIFY(!r.ok());
    QCOMPARE(r.status, SafeWriteStatus::VerifyMismatch);
    QCOMPARE(r.difference.offset, offset);
    QCOMPARE(r.difference.written, int(quint8(data[offset])));
    QCOMPARE(r.difference.readBack, int(quint8(f.sim.gauge.file(QStringLiteral("probe"))[offset])));
    const QString message = InfoTexts::safeWriteFailed(r);
    QVERIFY2(message.contains(QStringLiteral("Byte %1 ").arg(offset)), qPrintable(message));
    QVERIFY(message.contains(r.backupPath));
    QVERIFY(!r.backupPath.isEmpty());
    const QString logLine = QStringLiteral("Schreiben probe: ") + describeSafeWrite(r);
    QVERIFY(f.logLines().contains(logLine));
    QVERIFY(logLine.contains(QStringLiteral("byte %1 ").arg(offset)));
}

void SafeWriterTest::guard_data()
{
    QTest::addColumn<qint32>("serial");
    QTest::addColumn<int>("probeType");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("written");
    QTest::newRow("same gauge, no question") << kSerial << int(kCombined) << false << 0 << true;
    QTest::newRow("other serial, Yes") << 815 << int(kCombined) << true << 1 << true;
    QTest::newRow("other serial, No") << 815 << int(kCombined) << false << 1 << false;
    QTest::newRow("other probe type, Yes") << kSerial << 1 << true << 1 << true;
    QTest::newRow("other probe type, No") << kSerial << 1 << false << 1 << false;
    QTest::newRow("both differ, No") << 815 << 1 << false << 1 << false;
}

void SafeWriterTest::guard()
{
    // data of another gauge or probe type / one question (default No) showing both values
    QFETCH(qint32, serial);
    QFETCH(int, probeType);
    QFETCH(bool, answer);
    QFETCH(int, questions);
    QFETCH(bool, written);
    SafeWriteFixture f;
    const QByteArray old = safeRecord(kSerial, kCombined, 1);
    const QByteArray data = safeRecord(serial, quint8(probeType), 2);
    f.sim.gauge.setFile(QStringLiteral("factory"), old);
    f.dialogs.answer = answer;
    const SafeWriteResult r = QCoro::waitFor(
        SafeWriter(f.sim.channel, f.dialogs).write(QStringLiteral("factory"), hexOf(data)));
    QCOMPARE(f.dialogs.questions.size(), questions);
    QCOMPARE(f.sim.gauge.file(QStringLiteral("factory")), written ? data : old);
    QCOMPARE(f.firstIndexOf(QStringLiteral("$rm")) >= 0, written);
    QCOMPARE(f.firstIndexOf(QStringLiteral("$fw")) >= 0, written);
    QCOMPARE(r.ok(), written);
    QCOMPARE(r.declined(), !written);
    QVERIFY(QFile::exists(r.backupPath));
    if (questions == 0)
        return;
    const QString question = f.dialogs.questions.first();
    QCOMPARE(f.dialogs.questionDefaults.first(), false);
    if (serial != kSerial) {
        QVERIFY(question.contains(QString::number(serial)));
        QVERIFY(question.contains(QString::number(kSerial)));
    }
    if (probeType != kCombined) {
        QVERIFY(question.contains(QStringLiteral("1 (FE)")));
        QVERIFY(question.contains(QStringLiteral("3 (FE/NFE)")));
    }
}

void SafeWriterTest::backupNotPossible_data()
{
    QTest::addColumn<int>("replyAt");        // command answered with `reply` (0 none)
    QTest::addColumn<QByteArray>("reply");   // a scripted reply to the backup read
    QTest::addColumn<bool>("folderIsAFile"); // the backup folder's path names a file
    QTest::addColumn<SafeWriteStatus>("status");
    QTest::newRow("short backup read")
        << 14 << QByteArray("$rd?1 384 04A1B2C3D4!") << false << SafeWriteStatus::BackupReadFailed;
    QTest::newRow("garbled backup read")
        << 2 << QByteArray("$rd?1 0!") << false << SafeWriteStatus::BackupReadFailed;
    QTest::newRow("backup folder is a file")
        << 0 << QByteArray() << true << SafeWriteStatus::BackupSaveFailed;
}

void SafeWriterTest::backupNotPossible()
{
    // backup cannot be read whole or saved / nothing written, the user is told why
    QFETCH(int, replyAt);
    QFETCH(QByteArray, reply);
    QFETCH(bool, folderIsAFile);
    QFETCH(SafeWriteStatus, status);
    SafeWriteFixture f;
    f.sim.gauge.setFile(QStringLiteral("probe"), safeRecord(kSerial, kCombined, 1));
    if (replyAt > 0)
        f.sim.gauge.setScriptedReply(replyAt, reply);
    const QString blocked = f.programFolder.filePath(QStringLiteral("blocked"));
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    SafeWriter writer(f.sim.channel, f.dialogs);
    if (folderIsAFile)
        writer.setBackupFolder(blocked);
    const SafeWriteResult r = QCoro::waitFor(
        writer.write(QStringLiteral("probe"), hexOf(safeRecord(kSerial, kCombined, 2))));
    QCOMPARE(r.status, status);
    QVERIFY(!r.gaugeTouched());
    QCOMPARE(f.firstIndexOf(QStringLiteral("$rm")), -1);
    QCOMPARE(f.firstIndexOf(QStringLiteral("$fw")), -1);
    QCOMPARE(f.sim.gauge.openHandleCount(), 0);
    const QString message = InfoTexts::safeWriteFailed(r);
    QVERIFY(message.contains(QStringLiteral("Es wurde nichts geschrieben.")));
    if (folderIsAFile)
        QVERIFY2(message.contains(blocked), qPrintable(message));
}

void SafeWriterTest::gaugeWithoutTheFile()
{
    // the gauge has lost its probe file / no backup (said and logged), written, verified
    SafeWriteFixture f;
    f.sim.gauge.removeFile(QStringLiteral("probe"));
    const QByteArray fresh = safeRecord(kSerial, kCombined, 2);
    SafeWriter writer(f.sim.channel, f.dialogs);
    QSignalSpy skipped(&writer, &SafeWriter::backupSkipped);
    const SafeWriteResult r = QCoro::waitFor(writer.write(QStringLiteral("probe"), hexOf(fresh)));
    QVERIFY2(r.ok(), qPrintable(describeSafeWrite(r)));
    QCOMPARE(skipped.count(), 1);
    QVERIFY(r.backupPath.isEmpty());
    QCOMPARE(f.sim.gauge.file(QStringLiteral("probe")), fresh);
    QVERIFY(f.logLines().contains(
        QStringLiteral("Sicherung probe: no backup: the gauge had no file probe")));
    QCOMPARE(f.sim.gauge.openHandleCount(), 0);
}

void SafeWriterTest::backupFallsBackToAppData()
{
    // "backup" beside the program cannot be a folder / the backup goes to the app-data folder
    QStandardPaths::setTestModeEnabled(true);
    SafeWriteFixture f;
    QFile blocker(f.backupFolder());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir(appData + QStringLiteral("/backup")).removeRecursively();
    const SafeWriteResult r =
        QCoro::waitFor(SafeWriter(f.sim.channel, f.dialogs)
                           .write(QStringLiteral("probe"), hexOf(SimRecords::defaultProbe())));
    QVERIFY2(r.ok(), qPrintable(describeSafeWrite(r)));
    QCOMPARE(QFileInfo(r.backupPath).absolutePath(),
             QFileInfo(appData + QStringLiteral("/backup")).absoluteFilePath());
    QVERIFY(QFile::exists(r.backupPath));
    QDir(appData + QStringLiteral("/backup")).removeRecursively();
    QStandardPaths::setTestModeEnabled(false);
}

void SafeWriterTest::faultsAfterBackup_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<SafeWriteStatus>("status");
    const int write = kReadCommands;
    const int verify = kReadCommands + kWriteCommands;
    QTest::newRow("create no handle")
        << write + 2 << SimFault::StatusError << SafeWriteStatus::WriteFailed;
    QTest::newRow("read-back open no reply")
        << verify + 1 << SimFault::NoReply << SafeWriteStatus::VerifyReadFailed;
}

void SafeWriterTest::faultsAfterBackup()
{
    // a step of the write or the read-back fails / typed failure, never success, backup named
    setReplyTimeoutMs(300); // the faults leave replies missing
    QFETCH(int, command);
    QFETCH(SimFault, fault);
    QFETCH(SafeWriteStatus, status);
    SafeWriteFixture f;
    f.sim.gauge.setFault(command, fault);
    const SafeWriteResult r =
        QCoro::waitFor(SafeWriter(f.sim.channel, f.dialogs)
                           .write(QStringLiteral("probe"), hexOf(safeRecord(20261205, 3))));
    QCOMPARE(r.status, status);
    QVERIFY(!r.ok());
    const QString message = InfoTexts::safeWriteFailed(r);
    QVERIFY(!message.isEmpty());
    QVERIFY(r.gaugeTouched());
    QVERIFY2(message.contains(r.backupPath) && !r.backupPath.isEmpty(), qPrintable(message));
}

void SafeWriterTest::restoreRoundTrip()
{
    // write, then restore the backup it took / the old file is back, verified, first backup kept
    SafeWriteFixture f;
    const QByteArray old = safeRecord(kSerial, kCombined, 1);
    const QByteArray fresh = safeRecord(kSerial, kCombined, 9);
    f.sim.gauge.setFile(QStringLiteral("probe"), old);
    SafeWriter writer(f.sim.channel, f.dialogs);
    const SafeWriteResult written =
        QCoro::waitFor(writer.write(QStringLiteral("probe"), hexOf(fresh)));
    QVERIFY(written.ok());
    f.sim.gauge.clearTranscript();
    const SafeWriteResult restored =
        QCoro::waitFor(writer.restore(written.backupPath, QStringLiteral("probe")));
    QVERIFY2(restored.ok(), qPrintable(describeSafeWrite(restored)));
    QCOMPARE(f.sim.gauge.file(QStringLiteral("probe")), old);
    QVERIFY(restored.backupPath != written.backupPath);
    QCOMPARE(fileContent(written.backupPath), old.toHex().toUpper() + "\r\n");
    QCOMPARE(fileContent(restored.backupPath), fresh.toHex().toUpper() + "\r\n");
    QCOMPARE(f.sim.transcript().first(), QStringLiteral("$fr?probe!"));
    QCOMPARE(writer.backupStore().list().first(), restored.backupPath);
    QVERIFY(f.logLines().contains(QStringLiteral("Wiederherstellen probe ") + written.backupPath));
}

void SafeWriterTest::restoreRefused_data()
{
    QTest::addColumn<QByteArray>("content"); // "<none>": no file
    QTest::addColumn<bool>("message");
    QTest::newRow("missing file") << QByteArray("<none>") << true;
    QTest::newRow("not hex") << QByteArray("00ZZ\r\n") << true;
    QTest::newRow("not a record, No") << QByteArray("0011\r\n") << false;
}

void SafeWriterTest::restoreRefused()
{
    // unusable backup file / nothing sent to the gauge, the user told (or asked)
    QFETCH(QByteArray, content);
    QFETCH(bool, message);
    SafeWriteFixture f;
    const QString path = f.programFolder.filePath(QStringLiteral("old-copy"));
    if (content != "<none>") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const SafeWriteResult r =
        QCoro::waitFor(SafeWriter(f.sim.channel, f.dialogs).restore(path, QStringLiteral("probe")));
    QCOMPARE(r.status, SafeWriteStatus::SourceRefused);
    QVERIFY(f.sim.transcript().isEmpty());
    const int told = f.dialogs.messages.size() + int(!InfoTexts::safeWriteFailed(r).isEmpty());
    QCOMPARE(told > 0, message);
    QCOMPARE(f.dialogs.questions.size(), message ? 0 : 1);
}

QTEST_MAIN(SafeWriterTest)
#include "tst_safewriter.moc"
