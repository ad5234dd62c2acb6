#include "tests/common/RecordBuilder.h"
#include "info/BackupStore.h"
#include "info/HexCompare.h"
#include "info/SafeWriteResult.h"
#include "info/WriteGuard.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

// The pure parts of the safe write: byte comparison, the guard's marks, backup names and folder.
class SafeWriteChecksTest : public QObject
{
    Q_OBJECT
private slots:
    void firstDifference_data();
    void firstDifference();
    void marks_data();
    void marks();
    void backupName_data();
    void backupName();
    void parseName_data();
    void parseName();
    void sameSecondKeepsEarlierBackup();
    void folderChoice_data();
    void folderChoice();
    void plainStatus_data();
    void plainStatus();
};

Q_DECLARE_METATYPE(SafeWriteStatus)
Q_DECLARE_METATYPE(TransferStatus)

void SafeWriteChecksTest::firstDifference_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("readBack");
    QTest::addColumn<int>("offset"); // -1: equal
    QTest::addColumn<int>("writtenByte");
    QTest::addColumn<int>("readBackByte");
    QTest::newRow("equal") << "00A1FF"
                           << "00A1FF" << -1 << -1 << -1;
    QTest::newRow("case differs only") << "00a1ff"
                                       << "00A1FF" << -1 << -1 << -1;
    QTest::newRow("both empty") << ""
                                << "" << -1 << -1 << -1;
    QTest::newRow("first byte") << "10A1"
                                << "11A1" << 0 << 0x10 << 0x11;
    QTest::newRow("last byte") << "00A1FF"
                               << "00A1FE" << 2 << 0xFF << 0xFE;
    QTest::newRow("read back shorter") << "00A1FF"
                                       << "00A1" << 2 << 0xFF << -1;
    QTest::newRow("read back longer") << "00A1"
                                      << "00A1FF" << 2 << -1 << 0xFF;
    QTest::newRow("read back empty") << "00"
                                     << "" << 0 << 0x00 << -1;
    QTest::newRow("garbage equals nothing") << "0Z"
                                            << "0Z" << 0 << -1 << -1;
    QTest::newRow("odd tail") << "00A"
                              << "00A" << 1 << -1 << -1;
}

void SafeWriteChecksTest::firstDifference()
{
    // two hex texts / the first byte at which they differ, with both values
    QFETCH(QString, written);
    QFETCH(QString, readBack);
    QFETCH(int, offset);
    QFETCH(int, writtenByte);
    QFETCH(int, readBackByte);
    const HexCompare::Difference d = HexCompare::firstDifference(written, readBack);
    QCOMPARE(d.offset, offset);
    QCOMPARE(d.none(), offset < 0);
    if (offset >= 0) {
        QCOMPARE(d.written, writtenByte);
        QCOMPARE(d.readBack, readBackByte);
    }
}

void SafeWriteChecksTest::marks_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("hasSerial");
    QTest::addColumn<qint32>("serial");
    QTest::addColumn<int>("probeType"); // -1: none
    QTest::newRow("record") << RecordBuilder().i32(4, 20261205).u8(32, 3).hex() << true << 20261205
                            << 3;
    QTest::newRow("negative serial")
        << RecordBuilder().i32(4, -2).u8(32, 1).hex() << true << -2 << 1;
    QTest::newRow("8 bytes: serial only") << RecordBuilder(8).i32(4, 77).hex() << true << 77 << -1;
    QTest::newRow("7 bytes: nothing") << RecordBuilder(7).hex() << false << 0 << -1;
    QTest::newRow("33 bytes: both")
        << RecordBuilder(33).i32(4, 5).u8(32, 9).hex() << true << 5 << 9;
    QTest::newRow("bad digit in serial") << "00000000ZZ000000" << false << 0 << -1;
    QTest::newRow("empty") << "" << false << 0 << -1;
}

void SafeWriteChecksTest::marks()
{
    // record text of any length / serial number and probe type only where fully present
    QFETCH(QString, hex);
    QFETCH(bool, hasSerial);
    QFETCH(qint32, serial);
    QFETCH(int, probeType);
    const WriteGuard::Marks m = WriteGuard::marksOf(hex);
    QCOMPARE(m.serialNumber.has_value(), hasSerial);
    if (hasSerial)
        QCOMPARE(*m.serialNumber, serial);
    QCOMPARE(m.probeType.value_or(-1), probeType);
    // A field missing on one side is never a difference.
    QVERIFY(WriteGuard::compare(hex, QString()).ok());
}

void SafeWriteChecksTest::backupName_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("deviceFile");
    QTest::addColumn<QString>("expected");
    const QDateTime t(QDate(2026, 12, 6), QTime(14, 10, 15));
    QTest::newRow("probe") << RecordBuilder().i32(4, 20261205).hex() << "probe"
                           << "20261205_probe_20261206-141015";
    QTest::newRow("factory") << RecordBuilder().i32(4, 42).hex() << "factory"
                             << "42_factory_20261206-141015";
    QTest::newRow("too short") << "0011"
                               << "probe"
                               << "unknown_probe_20261206-141015";
    QTest::newRow("odd device name") << RecordBuilder().i32(4, 1).hex() << "../x_y"
                                     << "1_---x-y_20261206-141015";
}

void SafeWriteChecksTest::backupName()
{
    // record and device file / "<serial>_<file>_<stamp>", nothing that leaves the folder
    QFETCH(QString, hex);
    QFETCH(QString, deviceFile);
    QFETCH(QString, expected);
    const QDateTime t(QDate(2026, 12, 6), QTime(14, 10, 15));
    const QString name = BackupStore::fileName(hex, deviceFile, t);
    QCOMPARE(name, expected);
    const BackupName parsed = BackupStore::parseName(name);
    QVERIFY(parsed.ok);
    QCOMPARE(parsed.time, t);
}

void SafeWriteChecksTest::parseName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("deviceFile");
    QTest::newRow("plain") << "20261205_probe_20261206-141015" << true << "probe";
    QTest::newRow("suffix") << "7_factory_20261206-141015-3" << true << "factory";
    QTest::newRow("suffix 1") << "7_factory_20261206-141015-1" << false << "";
    QTest::newRow("bad suffix") << "7_factory_20261206-141015x" << false << "";
    QTest::newRow("bad time") << "7_probe_20261306-141015" << false << "";
    QTest::newRow("two parts") << "7_probe" << false << "";
    QTest::newRow("four parts") << "7_probe_x_20261206-141015" << false << "";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("download copy") << "probe" << false << "";
}

void SafeWriteChecksTest::parseName()
{
    // any file name / accepted only in the backup form
    QFETCH(QString, name);
    QFETCH(bool, ok);
    QFETCH(QString, deviceFile);
    const BackupName parsed = BackupStore::parseName(name);
    QCOMPARE(parsed.ok, ok);
    QCOMPARE(parsed.deviceFile, deviceFile);
}

void SafeWriteChecksTest::sameSecondKeepsEarlierBackup()
{
    // three backups in one second / three files, none replaced, listed newest first
    QTemporaryDir dir;
    const BackupStore store(dir.path());
    const QDateTime t(QDate(2026, 12, 6), QTime(14, 10, 15));
    const QString hex = RecordBuilder().i32(4, 9).hex();
    QStringList paths;
    for (const QString& tail : {QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03")}) {
        const BackupSaveResult r = store.save(hex.left(hex.size() - 2) + tail, "probe", t);
        QVERIFY(r.ok);
        paths.prepend(r.path);
    }
    QCOMPARE(QSet<QString>(paths.begin(), paths.end()).size(), 3);
    QCOMPARE(store.list(), paths);
    QFile last(paths.first());
    QVERIFY(last.open(QIODevice::ReadOnly));
    QVERIFY(last.readAll().endsWith("03\r\n"));
}

void SafeWriteChecksTest::folderChoice_data()
{
    QTest::addColumn<bool>("blockProgramFolder"); // "backup" beside the program is a file
    QTest::addColumn<bool>("inProgramFolder");
    QTest::newRow("program folder") << false << true;
    QTest::newRow("program folder blocked") << true << false;
}

void SafeWriteChecksTest::folderChoice()
{
    // program folder usable or not / "backup" there, else in the app-data folder
    QFETCH(bool, blockProgramFolder);
    QFETCH(bool, inProgramFolder);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir program;
    if (blockProgramFolder) {
        QFile f(program.filePath("backup"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString folder = BackupStore::defaultFolder(program.path());
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(folder.startsWith(program.path()), inProgramFolder);
    QVERIFY(folder.endsWith(QStringLiteral("/backup")));
    QStandardPaths::setTestModeEnabled(false);
}

void SafeWriteChecksTest::plainStatus_data()
{
    QTest::addColumn<SafeWriteStatus>("status");
    QTest::addColumn<TransferStatus>("step"); // status of the failing device step
    QTest::addColumn<TransferStatus>("plain");
    using S = SafeWriteStatus;
    using T = TransferStatus;
    QTest::newRow("verified") << S::Ok << T::Ok << T::Ok;
    QTest::newRow("mismatch") << S::VerifyMismatch << T::Ok << T::GaugeError;
    QTest::newRow("read-back lost") << S::VerifyReadFailed << T::LinkLost << T::LinkLost;
    QTest::newRow("write no reply") << S::WriteFailed << T::NoReply << T::NoReply;
    QTest::newRow("backup not saved") << S::BackupSaveFailed << T::Ok << T::FileError;
    QTest::newRow("backup not read") << S::BackupReadFailed << T::GaugeError << T::GaugeError;
    QTest::newRow("guard No") << S::GuardDeclined << T::Declined << T::Declined;
    QTest::newRow("restore size No") << S::SourceRefused << T::Declined << T::Declined;
}

void SafeWriteChecksTest::plainStatus()
{
    // outcome of a safe write / the plain status callers map to exit codes; Ok only if verified
    QFETCH(SafeWriteStatus, status);
    QFETCH(TransferStatus, step);
    QFETCH(TransferStatus, plain);
    SafeWriteResult r;
    r.status = status;
    r.transfer.status = step;
    r.difference = HexCompare::Difference{12, 0x3A, 0x3B};
    QCOMPARE(r.transferStatus(), plain);
    QCOMPARE(r.asTransfer().status, plain);
    QCOMPARE(r.asTransfer().ok(), status == SafeWriteStatus::Ok);
    if (status == SafeWriteStatus::VerifyMismatch)
        QVERIFY(
            r.asTransfer().detail.contains(QStringLiteral("byte 12 written 0x3A, read back 0x3B")));
}

QTEST_MAIN(SafeWriteChecksTest)
#include "tst_safewritechecks.moc"
