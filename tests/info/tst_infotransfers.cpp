#include "info/FileWriter.h"
#include "info/InfoTexts.h"
#include "info/RecordReader.h"
#include "info/SafeWriteText.h"
#include "info/SafeWriter.h"
#include "tests/common/InfoWindowFixture.h"
#include "tests/common/RecordBuilder.h"

#include <QtTest>

Q_DECLARE_METATYPE(DeviceFailure)
Q_DECLARE_METATYPE(DeviceStep)

namespace
{
const QString Probe = QStringLiteral("probe");

// The commands of a read of a file of `bytes` bytes with this handle.
QStringList readCommands(const QString& name, int bytes, int handle = 1)
{
    QStringList list{QStringLiteral("$fr?%1!").arg(name)};
    for (int left = bytes; left > 0; left -= 32)
        list << QStringLiteral("$rd?%1 %2!").arg(handle).arg(qMin(left, 32));
    return list << QStringLiteral("$fc?%1!").arg(handle);
}

// The commands of a write of hex text with this handle.
QStringList writeCommands(const QString& name, const QString& hex, int handle = 1)
{
    QStringList list{QStringLiteral("$rm?%1!\r\n").arg(name),
                     QStringLiteral("$fw?%1 %2!").arg(hex.size() / 2).arg(name)};
    for (int at = 0; at < hex.size(); at += 64) {
        const QString chunk = hex.mid(at, 64), count = QString::number(chunk.size() / 2);
        list << QStringLiteral("$wr?%1 %2 %3 %4!")
                    .arg(QString::number(handle), QString::number(at / 2), count, chunk);
    }
    return list << QStringLiteral("$fc?%1!").arg(handle);
}

// A record with this serial number and probe type; `fill` varies a curve byte.
QByteArray record(qint32 serial, int probeType, int fill)
{
    return RecordBuilder().i32(4, serial).u8(32, quint8(probeType)).u8(100, quint8(fill)).data();
}

// A gauge whose probe file is record(4711, 3, 1).
struct Bench : GaugeFixture {
    explicit Bench(bool connected = true) : GaugeFixture(connected)
    {
        sim->gauge.setFile(Probe, record(4711, 3, 1));
    }
    BackupStore backups() const { return BackupStore::besideProgram(programFolder.path()); }
    DeviceOutcome write(const QByteArray& data, SafeWriter* writer = nullptr)
    {
        SafeWriter own(*sim->session, dialogs, backups());
        return QCoro::waitFor((writer ? writer : &own)->write(Probe, hexOf(data)));
    }
    QString recordHex(const QString& file) const
    {
        const auto record = sim->session->record(file);
        return record ? record->hex : QStringLiteral("AA");
    }
};
} // namespace

// Reads, writes and safe writes of the gauge's record files on the simulated gauge.
class InfoTransfersTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { setReplyTimeoutMs(60000); } // every end comes from a reply

    void transfers_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("setup"); // read replies padded, handle 55, no revision
        QTest::addColumn<int>("at");        // the command refused; 0: none
        QTest::addColumn<DeviceFailure>("status");
        using T = DeviceFailure;
        // clang-format off
        QTest::newRow("read probe, then the identity") << false << Probe << 400 << "" << 0 << T::None;
        QTest::newRow("read, last block padded") << false << "factory" << 400 << "padded" << 0 << T::None;
        QTest::newRow("read, handle 55 = pending status") << false << "factory" << 400 << "55" << 0 << T::None;
        QTest::newRow("read 64 bytes, too short") << false << "factory" << 64 << "" << 0 << T::DecodeFailed;
        QTest::newRow("read, no revision") << false << Probe << 400 << "revision" << 0 << T::GaugeError;
        QTest::newRow("read, close refused") << false << Probe << 400 << "" << 15 << T::GaugeError;
        QTest::newRow("write one record") << true << Probe << 400 << "" << 0 << T::None;
        QTest::newRow("write 100 bytes, after a Yes") << true << Probe << 100 << "" << 0 << T::None;
        QTest::newRow("write one full chunk") << true << Probe << 32 << "" << 0 << T::None;
        QTest::newRow("write, close refused") << true << Probe << 400 << "" << 16 << T::GaugeError;
        // clang-format on
    }
    void transfers()
    {
        // a read of n bytes / open, reads of 32 and the rest, close, for "probe" the identity;
        // exactly the file's bytes as the session's record of it, the other one untouched; a write
        // / remove, create, chunks of 32 bytes and the rest, close; a question (default No)
        // naming the size unless it is one record; a refused command / the failure at once,
        // nothing sent after it, the file left open where the close was refused
        QFETCH(bool, write);
        QFETCH(QString, name);
        QFETCH(int, bytes);
        QFETCH(QString, setup);
        QFETCH(int, at);
        QFETCH(DeviceFailure, status);
        Bench b(false);
        const int handle = qMax(setup.toInt(), 1);
        const QString hex = countingHex(bytes, 7);
        if (!write)
            b.sim->gauge.setFile(name, QByteArray::fromHex(hex.toLatin1()));
        if (setup == u"revision")
            b.sim->gauge.setIdentityReply("$naxo00!");
        b.sim->gauge.setFault(at, SimFault::StatusError);
        QVERIFY(b.sim->connect());
        b.sim->gauge.setPadReads(setup == u"padded");
        b.sim->takeHandlesBelow(handle);
        b.dialogs.answer = true;
        QElapsedTimer clock;
        clock.start();
        FileWriter writer(*b.sim->session, b.dialogs);
        const DeviceOutcome r =
            write ? QCoro::waitFor(writer.Schreibe_Com(name, hex))
                  : QCoro::waitFor(RecordReader::Lese_Com(*b.sim->session, name)).outcome;
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(r.failure, status);
        QStringList expected =
            write ? writeCommands(name, hex, handle) : readCommands(name, bytes, handle);
        if (!write && name == Probe)
            expected << QStringLiteral("$naxo00!\r\n");
        QCOMPARE(b.sim->transcript(), at ? expected.mid(0, at) : expected);
        QCOMPARE(r.fileLeftOpen, at > 0);
        QCOMPARE(b.sim->gauge.openHandleCount(), handle - 1 + int(at > 0));
        const QString read = !write && r.ok() ? hex : QStringLiteral("AA");
        QCOMPARE(b.recordHex(Probe) + '|' + b.recordHex("factory"),
                 name == Probe ? read + "|AA" : "AA|" + read);
        const bool asked = write && bytes != 400;
        QCOMPARE(b.dialogs.questionDefaults, QList<bool>(asked, false));
        QCOMPARE(b.dialogs.questions.join(QString()).contains(QString::number(bytes)), asked);
        if (at == 0 && write)
            QCOMPARE(hexOf(b.sim->gauge.file(Probe)), hex);
    }

    // two gauges connected at once, each read while the other reads / each session holds its
    // own gauge's record and identity, and each gauge heard only its own session's commands
    void twoGaugesAtOnce()
    {
        GaugeFixture f(false);
        SimLink other;
        other.gauge.setServerId(QStringLiteral("5A454C564F02"));
        const QByteArray records[] = {record(4711, 3, 1), record(815, 1, 2)};
        f.sim->gauge.setFile(Probe, records[0]);
        other.gauge.setFile(Probe, records[1]);
        QVERIFY(f.sim->connect() && other.connectGauge());
        QCoro::Task<DeviceResult<GaugeRecord>> first =
            RecordReader::Lese_Com(*f.sim->session, Probe);
        const auto second = QCoro::waitFor(RecordReader::Lese_Com(*other.session, Probe));
        QVERIFY(QCoro::waitFor(first).ok() && second.ok());
        QCOMPARE(f.sim->session->record(Probe)->hex, hexOf(records[0]));
        QCOMPARE(other.session->record(Probe)->hex, hexOf(records[1]));
        QVERIFY(f.sim->session->identity() && other.session->identity());
        QCOMPARE(f.sim->transcript(), readCommands(Probe, 400) << "$naxo00!\r\n");
        QCOMPARE(other.transcript(), f.sim->transcript());
    }

    void safeWrite_data()
    {
        QTest::addColumn<qint32>("serial");
        QTest::addColumn<int>("probeType");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("asked"); // texts the question shows; empty: no question
        QTest::newRow("same gauge") << 4711 << 3 << false << QStringList();
        QTest::newRow("other probe type, Yes")
            << 4711 << 1 << true << QStringList{"1 (FE)", "3 (FE/NFE)"};
        QTest::newRow("other serial, No") << 815 << 3 << false << QStringList{"815", "4711"};
    }
    void safeWrite()
    {
        // safe write / the old file read first; data of another gauge or probe type only after a
        // Yes to one question (default No) showing both values; then the old file saved and
        // logged (after a No nothing), the write and the read-back
        QFETCH(qint32, serial);
        QFETCH(int, probeType);
        QFETCH(bool, answer);
        QFETCH(QStringList, asked);
        Bench b;
        const QByteArray data = record(serial, probeType, 2);
        b.dialogs.answer = answer;
        SafeWriter writer(*b.sim->session, b.dialogs, b.backups());
        QStringList sentAtBackup;
        connect(&writer, &SafeWriter::backupSaved, this, [&](const QString& path) {
            sentAtBackup = b.sim->transcript() << QString::fromLatin1(fileContent(path));
        });
        const DeviceOutcome r = b.write(data, &writer);
        const bool written = asked.isEmpty() || answer;
        QCOMPARE(r.failure, written ? DeviceFailure::None : DeviceFailure::Declined);
        QCOMPARE(r.step, written ? DeviceStep::Verify : DeviceStep::Guard);
        QCOMPARE(b.sim->gauge.file(Probe), written ? data : record(4711, 3, 1));
        QCOMPARE(sentAtBackup, written
                                   ? readCommands(Probe, 400) << hexOf(record(4711, 3, 1)) + "\r\n"
                                   : QStringList());
        const QStringList writing =
            writeCommands(Probe, hexOf(data), 2) + readCommands(Probe, 400, 3);
        QCOMPARE(b.sim->transcript(),
                 readCommands(Probe, 400) + (written ? writing : QStringList()));
        QCOMPARE(QDir(b.programFolder.filePath("backup")).entryList(QDir::Files),
                 written ? QStringList{QFileInfo(r.backupPath).fileName()} : QStringList());
        QCOMPARE(logLines().contains(QStringLiteral("Sicherung probe ") + r.backupPath), written);
        QCOMPARE(b.dialogs.questionDefaults, QList<bool>(asked.size() / 2, false));
        for (const QString& text : asked)
            QVERIFY2(b.dialogs.questions.first().contains(text), qPrintable(text));
    }

    void safeWriteOutcomes_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<DeviceStep>("step");
        QTest::addColumn<DeviceFailure>("failure");
        QTest::addColumn<int>("commands");
        using S = DeviceStep;
        using F = DeviceFailure;
        // clang-format off
        QTest::newRow("gauge without the file") << "missing" << S::Verify << F::None << 1 + 16 + 15;
        QTest::newRow("restore of a missing backup") << "restore" << S::PcFile << F::FileError << 0;
        QTest::newRow("backup read short") << "short" << S::Backup << F::GaugeError << 15;
        QTest::newRow("backup read, a middle block short") << "middle" << S::Backup << F::Garbled << 3 + 1;
        QTest::newRow("backup folder is a file") << "blocked" << S::Backup << F::FileError << 15;
        QTest::newRow("create refused") << "create" << S::Create << F::GaugeError << 15 + 2;
        QTest::newRow("read-back refused") << "verify" << S::Verify << F::GaugeError << 15 + 16 + 1;
        QTest::newRow("first byte stored wrong") << "0" << S::Verify << F::VerifyMismatch << 15 + 16 + 15;
        QTest::newRow("end of first chunk wrong") << "31" << S::Verify << F::VerifyMismatch << 15 + 16 + 15;
        QTest::newRow("last byte stored wrong") << "399" << S::Verify << F::VerifyMismatch << 15 + 16 + 15;
        // clang-format on
    }
    void safeWriteOutcomes()
    {
        // no file to back up, backup not possible, write or read-back failing, a byte stored wrong,
        // restore of a missing backup / the step and the outcome; written only after a backup or,
        // after a Yes to a question (default No), where the gauge had no file; a mismatch at
        // exactly the wrong byte, told and logged
        QFETCH(QString, setup);
        QFETCH(DeviceStep, step);
        QFETCH(DeviceFailure, failure);
        QFETCH(int, commands);
        Bench b;
        b.dialogs.answer = true;
        const QString blocked = b.programFolder.filePath(QStringLiteral("blocked"));
        SafeWriter writer(*b.sim->session, b.dialogs,
                          setup == u"blocked" ? BackupStore(blocked) : b.backups());
        QSignalSpy skipped(&writer, &SafeWriter::backupSkipped);
        QVERIFY(writeFile(blocked, "x"));
        if (setup == u"missing")
            b.sim->gauge.removeFile(Probe);
        if (setup == u"short")
            b.sim->gauge.setScriptedReply(14, "$rd?1 384 04A1B2C3D4!");
        b.sim->gauge.setPadReads(setup == u"middle"); // the last block fills up what one lacks
        if (setup == u"middle")
            b.sim->gauge.setScriptedReply(3, "$rd?1 32 16" + QByteArray(32, 'A') + "!");
        if (setup == u"create" || setup == u"verify")
            b.sim->gauge.setFault(setup == u"create" ? 17 : 32, SimFault::StatusError);
        bool corrupt = false;
        const int offset = setup.toInt(&corrupt);
        b.sim->gauge.setCorruptWriteOffset(corrupt ? offset : -1);
        const QByteArray data = record(4711, 3, 7);
        const DeviceOutcome r = setup == u"restore"
                                    ? QCoro::waitFor(writer.restore(blocked + ".gone", Probe))
                                    : b.write(data, &writer);
        QCOMPARE(r.step, step);
        QCOMPARE(r.failure, failure);
        QCOMPARE(b.sim->gauge.commandCount(), commands);
        QCOMPARE(b.sim->gauge.openHandleCount(), 0);
        QCOMPARE(skipped.count(), int(setup == u"missing"));
        QCOMPARE(b.dialogs.questionDefaults, QList<bool>(skipped.count(), false));
        const bool backedUp =
            setup != u"missing" && step != DeviceStep::PcFile && step != DeviceStep::Backup;
        QCOMPARE(r.backupPath.isEmpty(), !backedUp);
        const QString message = InfoTexts::safeWriteFailed(r);
        QCOMPARE(message.contains(QStringLiteral("Es wurde nichts geschrieben.")),
                 !r.gaugeTouched() && setup != u"restore");
        QVERIFY(message.contains(r.backupPath));
        QCOMPARE(message.contains(blocked), setup == u"blocked" || setup == u"restore");
        QCOMPARE(failure == DeviceFailure::FileError, message.contains(blocked));
        const QString noBackup = "Sicherung probe: no backup: the gauge had no file probe";
        QCOMPARE(logLines().contains(noBackup), setup == u"missing");
        if (!corrupt)
            return;
        QVERIFY(logLines().contains("Schreiben probe: " + describeSafeWrite(r)));
        QCOMPARE(QList<int>({r.differingByte, r.writtenByte, r.readBackByte}),
                 QList<int>({offset, quint8(data[offset]), quint8(data[offset]) ^ 1}));
        QVERIFY2(message.contains(QStringLiteral("Byte %1 ").arg(offset)), qPrintable(message));
        QVERIFY(describeSafeWrite(r).contains(QStringLiteral("byte %1 ").arg(offset)));
    }
};

QTEST_MAIN(InfoTransfersTest)
#include "tst_infotransfers.moc"
