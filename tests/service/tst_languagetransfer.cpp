#include "link/DeviceBusy.h"
#include "link/DeviceFile.h"
#include "service/DeviceClock.h"
#include "service/LanguageTransfer.h"
#include "service/ServiceTexts.h"
#include "state/TextCatalogue.h"
#include "tests/common/SimLink.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{
QByteArray bytesOf(int size, int first, int step)
{
    QByteArray b;
    for (int i = 0; i < size; ++i)
        b.append(char((first + i * step) & 0xFF));
    return b;
}

// The commands the transfer of `bytes` as `name` with `handle` must send.
QStringList expectedCommands(const QByteArray& bytes, const QString& name, int handle)
{
    QStringList c{QStringLiteral("$fw?%1 %2!").arg(bytes.size()).arg(name)};
    for (int off = 0; off < bytes.size(); off += 32) {
        const QByteArray part = bytes.mid(off, 32);
        c.append(QStringLiteral("$wr?%1 %2 %3 %4!")
                     .arg(handle)
                     .arg(off)
                     .arg(part.size())
                     .arg(QString::fromLatin1(part.toHex().toUpper())));
    }
    c.append(QStringLiteral("$fc?%1!").arg(handle));
    return c;
}
} // namespace

Q_DECLARE_METATYPE(SimFault)
Q_DECLARE_METATYPE(TransferStatus)
Q_DECLARE_METATYPE(LanguageFileProblem)

class LanguageTransferTest : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString folder() const { return dir.path() + "/"; }
    void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        setReplyTimeoutMs(300);
    }
    void init()
    {
        resetSharedState();
        fillTextTables();
        FillLanguageTables();
        sharedState().ProgramFolder = dir.path();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void transcript_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("handle");
        QTest::addColumn<int>("maximum");
        QTest::newRow("100 bytes, handle 3") << 100 << 0 << 7 << 3 << 5;
        QTest::newRow("multiple of 32") << 64 << 200 << 1 << 1 << 4;
        QTest::newRow("one byte") << 1 << 0xA5 << 0 << 3 << 2;
        QTest::newRow("bytes below 16") << 16 << 0 << 1 << 2 << 2;
        QTest::newRow("upper-case digits") << 6 << 0xAA << 0x11 << 3 << 2;
        QTest::newRow("200 bytes") << 200 << 3 << 5 << 1 << 9;
        QTest::newRow("halves to even") << 1600 << 1 << 3 << 1 << 59;
    }
    // a language file of size bytes / the exact commands, and progress ending within maximum
    void transcript()
    {
        QFETCH(int, size);
        QFETCH(int, first);
        QFETCH(int, step);
        QFETCH(int, handle);
        QFETCH(int, maximum);
        const QByteArray bytes = bytesOf(size, first, step);
        writeFile("lDE", bytes);
        SimLink link;
        QVERIFY(link.connectGauge());
        link.takeHandlesBelow(handle);
        LanguageTransfer transfer(link.channel);
        QStringList logged;
        transfer.setLogSink([&logged](const QString& line) { logged.append(line); });
        QSignalSpy progress(&transfer, &LanguageTransfer::progress);

        const LanguageTransferResult r = QCoro::waitFor(transfer.run(folder(), "lDE"));

        QVERIFY2(r.ok(), qPrintable(ServiceTexts::transferFailed(r)));
        QCOMPARE(link.transcript(), expectedCommands(bytes, "lDE", handle));
        QCOMPARE(link.gauge.file("lDE"), bytes);
        QCOMPARE(progress.last().at(1).toInt(), maximum);
        const int increments = size / 200 + (size + 31) / 32 + 1;
        QCOMPARE(progress.last().at(0).toInt(), increments);
        QVERIFY(increments <= maximum);
        QCOMPARE(logged.value(1), "App.Path = " + dir.path());
        QVERIFY(logged.value(0).startsWith("Logdatei "));
        QCOMPARE(logged.last(), link.transcript().last());
        QVERIFY(!deviceBusy().isBusy());
    }

    // the "to write" lines / each names the command sent before the next chunk
    void toWriteLines()
    {
        writeFile("lEN", bytesOf(70, 0, 1));
        SimLink link;
        QVERIFY(link.connectGauge());
        LanguageTransfer transfer(link.channel);
        QStringList logged;
        transfer.setLogSink([&logged](const QString& line) { logged.append(line); });
        QVERIFY(QCoro::waitFor(transfer.run(folder(), "lEN")).ok());
        const QStringList sent = link.transcript();
        const QStringList expected{
            logged[0], logged[1], "to write" + sent[0], sent[1], "to write" + sent[1], sent[2],
            sent[3],   sent[4]};
        QCOMPARE(logged, expected);
    }

    void progressMaximum_data()
    {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<int>("maximum");
        QTest::newRow("0: 0.5 to 0") << qint64(0) << 1;
        QTest::newRow("100") << qint64(100) << 5;
        QTest::newRow("800: 29.5 to 30") << qint64(800) << 31;
        QTest::newRow("1600: 58.5 to 58") << qint64(1600) << 59;
        QTest::newRow("1 MiB") << qint64(1048576) << 38012;
    }
    // a file length / 1 + round-half-even(L/32 + L/200 + 0.5)
    void progressMaximum()
    {
        QFETCH(qint64, length);
        QFETCH(int, maximum);
        QCOMPARE(LanguageTransfer::progressMaximum(length), maximum);
    }

    // every byte value / two upper-case digits each, a step per 200 bytes
    void hexText()
    {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        int steps = 0;
        const QByteArray hex = LanguageTransfer::hexText(all, [&steps] { ++steps; });
        QCOMPARE(hex, all.toHex().toUpper());
        QCOMPARE(steps, 1);
    }

    void failures_data()
    {
        QTest::addColumn<int>("faultAt"); // command number, 1 = create
        QTest::addColumn<SimFault>("fault");
        QTest::addColumn<QByteArray>("reply"); // scripted reply at faultAt instead of a fault
        QTest::addColumn<TransferStatus>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("closedAfter"); // one close follows the failed command
        const SimFault refusal = SimFault::StatusError;
        const SimFault none = SimFault::None;
        const TransferStatus error = TransferStatus::GaugeError;
        QTest::newRow("create refused")
            << 1 << refusal << QByteArray() << error
            << "Gerät hat das Anlegen der Datei abgelehnt: lDE 5" << false;
        QTest::newRow("create refused with a handle")
            << 1 << none << QByteArray("$fw?4 5!") << error
            << "Gerät hat das Anlegen der Datei abgelehnt: lDE 5" << true;
        QTest::newRow("write refused at chunk 2")
            << 3 << refusal << QByteArray() << error << "Fehler beim Datei schreiben BLE :  99"
            << true;
        QTest::newRow("last chunk refused") << 5 << refusal << QByteArray() << error
                                            << "Fehler beim Datei schreiben BLE: 99" << true;
        QTest::newRow("close refused")
            << 6 << refusal << QByteArray() << error << "Fehler Datei schließen BLE: 5" << false;
        QTest::newRow("no reply to chunk 2")
            << 3 << SimFault::NoReply << QByteArray() << TransferStatus::NoReply
            << "Keine Antwort vom Gerät ($wr 2)" << true;
        QTest::newRow("no reply to create")
            << 1 << SimFault::NoReply << QByteArray() << TransferStatus::NoReply
            << "Keine Antwort vom Gerät ($fw)" << false;
        QTest::newRow("link dropped at chunk 3")
            << 4 << SimFault::DropLink << QByteArray() << TransferStatus::LinkLost
            << "Verbindung zum Gerät unterbrochen ($wr 3)" << false;
        QTest::newRow("garbled close")
            << 6 << SimFault::Garbled << QByteArray() << TransferStatus::NoReply
            << "Keine Antwort vom Gerät ($fc)" << false;
        QTest::newRow("malformed write reply") << 2 << none << QByteArray("$wr?1!") << error
                                               << "Unlesbare Antwort vom Gerät ($wr 1)" << true;
    }
    // a fault injected at one command of a 100-byte file / the right error and message, nothing
    // sent after it but the close of the new file (with the create's handle) after a failed write
    // or a refused create that gave a handle; no file left open on a live link
    void failures()
    {
        QFETCH(int, faultAt);
        QFETCH(SimFault, fault);
        QFETCH(QByteArray, reply);
        QFETCH(TransferStatus, status);
        QFETCH(QString, message);
        QFETCH(bool, closedAfter);
        writeFile("lDE", bytesOf(100, 0, 1));
        SimLink link;
        QVERIFY(link.connectGauge());
        link.gauge.setFault(faultAt, fault);
        if (!reply.isEmpty())
            link.gauge.setScriptedReply(faultAt, reply);
        LanguageTransfer transfer(link.channel);
        transfer.setLogSink({});

        const LanguageTransferResult r = QCoro::waitFor(transfer.run(folder(), "lDE"));

        QCOMPARE(r.file, LanguageFileProblem::None);
        QCOMPARE(r.device.status, status);
        QCOMPARE(ServiceTexts::transferFailed(r), message);
        const QStringList sent = link.transcript();
        QCOMPARE(sent.size(), faultAt + (closedAfter ? 1 : 0));
        if (closedAfter)
            QCOMPARE(sent.last(), QStringLiteral("$fc?%1!").arg(reply.startsWith("$fw?4") ? 4 : 1));
        // Only a close that failed itself or a dropped link leaves the file open.
        const bool mayStayOpen =
            sent.at(faultAt - 1).startsWith("$fc?") || fault == SimFault::DropLink;
        QCOMPARE(link.gauge.openHandleCount(), mayStayOpen ? 1 : 0);
        QVERIFY(!deviceBusy().isBusy());
    }

    // a reply to another window's open arrives mid-transfer and changes the shared handle /
    // every chunk and the close still use the handle the create returned
    void lateReplyKeepsHandle()
    {
        const QByteArray bytes = bytesOf(100, 0, 1);
        writeFile("lDE", bytes);
        SimLink link;
        QVERIFY(link.connectGauge());
        CommandChannel& ch = link.channel;
        QObject::connect(&ch, &CommandChannel::commandSent, &ch, [&ch](const QString& c) {
            if (c.startsWith("$wr?1 0 "))
                ch.BLEClient1_Value({}, {}, {}, {}, {}, "$fr?9 400!");
        });
        LanguageTransfer transfer(ch);
        transfer.setLogSink({});
        const LanguageTransferResult r = QCoro::waitFor(transfer.run(folder(), "lDE"));
        QVERIFY2(r.ok(), qPrintable(ServiceTexts::transferFailed(r)));
        QCOMPARE(link.transcript(), expectedCommands(bytes, "lDE", 1));
    }

    void fileProblems_data()
    {
        QTest::addColumn<bool>("create");
        QTest::addColumn<LanguageFileProblem>("problem");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << false << LanguageFileProblem::Missing
                                 << "Sprachdatei nicht gefunden: lFR";
        QTest::newRow("empty") << true << LanguageFileProblem::Empty
                               << "Sprachdatei ist leer, nichts gesendet: lFR";
    }
    // a missing or empty file / a clear message, nothing sent, no file created
    void fileProblems()
    {
        QFETCH(bool, create);
        QFETCH(LanguageFileProblem, problem);
        QFETCH(QString, message);
        if (create)
            writeFile("lFR", {});
        SimLink link;
        QVERIFY(link.connectGauge());
        LanguageTransfer transfer(link.channel);
        transfer.setLogSink({});
        const LanguageTransferResult r = QCoro::waitFor(transfer.run(folder(), "lFR"));
        QCOMPARE(r.file, problem);
        QCOMPARE(ServiceTexts::transferFailed(r), message);
        QVERIFY(link.transcript().isEmpty());
        QCOMPARE(QFileInfo::exists(dir.filePath("lFR")), create);
    }

    // a clock read still under way when the transfer starts / its reply does not end a wait
    void clockReadUnderWay()
    {
        writeFile("lDE", bytesOf(40, 0, 1));
        SimLink link;
        link.client.options().writeLatency = std::chrono::milliseconds(20);
        QVERIFY(link.connectGauge());
        DeviceClock clock(link.channel);
        QSignalSpy sent(&link.channel, &CommandChannel::commandSent);
        clock.start();
        QVERIFY(sent.wait(1000));
        QVERIFY(clock.waiting());
        LanguageTransfer transfer(link.channel);
        transfer.setLogSink({});
        const LanguageTransferResult r = QCoro::waitFor(transfer.run(folder(), "lDE"));
        QVERIFY2(r.ok(), qPrintable(ServiceTexts::transferFailed(r)));
        QCOMPARE(link.gauge.file("lDE"), bytesOf(40, 0, 1));
        clock.stop();
    }

    // English interface / the refusals keep their catalogue texts, success keeps "Datei "
    void englishTexts()
    {
        sharedState().LanguageIndex = LanguageEnglish;
        LanguageTransferResult r;
        r.device = TransferResult::failure(TransferStatus::GaugeError, DeviceFile::closeCommand(1),
                                           QString());
        r.device.gaugeStatus = 7;
        QCOMPARE(ServiceTexts::transferFailed(r), "Error close file BLE: 7");
        r.device.command = DeviceFile::writeCommand(1, 0, 32, QByteArray(64, '0'));
        QCOMPARE(ServiceTexts::transferFailed(r), "Fehler beim Datei schreiben BLE :  7");
        QCOMPARE(ServiceTexts::transferSucceeded("lDE"),
                 "Datei lDE was successfully transfered to device");
    }
};

QTEST_GUILESS_MAIN(LanguageTransferTest)
#include "tst_languagetransfer.moc"
