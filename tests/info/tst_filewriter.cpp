#include "info/FileWriter.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"

#include <QtTest>

Q_DECLARE_METATYPE(SimFault)
Q_DECLARE_METATYPE(TransferStatus)

namespace
{
// "$wr?<handle> <offset> <count> <hex>!" texts of a complete write of hex with handle 1.
QStringList chunkCommands(const QString& hex, int fullChunks, int lastCharacters)
{
    QStringList commands;
    for (int i = 0; i < fullChunks; ++i)
        commands << QStringLiteral("$wr?1 %1 32 %2!").arg(i * 32).arg(hex.mid(i * 64, 64));
    if (lastCharacters > 0)
        commands << QStringLiteral("$wr?1 %1 %2 %3!")
                        .arg(fullChunks * 32)
                        .arg(lastCharacters / 2)
                        .arg(hex.mid(fullChunks * 64));
    return commands;
}
} // namespace

class FileWriterTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void transcripts_data();
    void transcripts();
    void refusedBeforeFirstCommand_data();
    void refusedBeforeFirstCommand();
    void unusualSizeNeedsYes_data();
    void unusualSizeNeedsYes();
    void removeAnsweredTwenty();
    void faults_data();
    void faults();
    void cancelClosesTheFile();

private:
    RecordingDialogs m_dialogs;
};

void FileWriterTest::init()
{
    m_dialogs = RecordingDialogs();
    setReplyTimeoutMs(0);
}

void FileWriterTest::cleanup()
{
    setReplyTimeoutMs(0);
}

void FileWriterTest::transcripts_data()
{
    QTest::addColumn<int>("characters");
    QTest::addColumn<int>("fullChunks");
    QTest::addColumn<int>("lastCharacters");
    QTest::newRow("one record") << 800 << 12 << 32;
    QTest::newRow("100 bytes") << 200 << 3 << 8;
    QTest::newRow("64 characters") << 64 << 1 << 0;
    QTest::newRow("62 characters") << 62 << 0 << 62;
    QTest::newRow("2 characters") << 2 << 0 << 2;
    QTest::newRow("32766 characters") << 32766 << 511 << 62;
}

void FileWriterTest::transcripts()
{
    // hex of n characters / remove with CR LF, create, n/64 full chunks, the rest, close
    QFETCH(int, characters);
    QFETCH(int, fullChunks);
    QFETCH(int, lastCharacters);
    SimSession sim;
    QVERIFY(sim.connect());
    m_dialogs.answer = true;
    const QString hex = countingHex(characters / 2, 7);
    const TransferResult r = QCoro::waitFor(
        FileWriter(sim.channel, m_dialogs).Schreibe_Com(QStringLiteral("probe"), hex));
    QVERIFY2(r.ok(), qPrintable(describeTransfer(r)));
    QStringList expected{QStringLiteral("$rm?probe!\r\n"),
                         QStringLiteral("$fw?%1 probe!").arg(characters / 2)};
    expected << chunkCommands(hex, fullChunks, lastCharacters) << QStringLiteral("$fc?1!");
    QCOMPARE(sim.transcript(), expected);
    QCOMPARE(sim.gauge.file(QStringLiteral("probe")).toHex().toUpper(), hex.toLatin1());
    QCOMPARE(sim.gauge.openHandleCount(), 0);
    QCOMPARE(m_dialogs.questions.size(), characters == 800 ? 0 : 1);
}

void FileWriterTest::refusedBeforeFirstCommand_data()
{
    QTest::addColumn<QString>("hex");
    QTest::newRow("odd 1") << QStringLiteral("A");
    QTest::newRow("32768 characters") << countingHex(16384);
    QTest::newRow("non-hex letter") << QStringLiteral("00G1");
    QTest::newRow("blank inside") << QStringLiteral("00 11");
    QTest::newRow("line end inside") << QStringLiteral("0011\r\n22");
    QTest::newRow("empty") << QString();
}

void FileWriterTest::refusedBeforeFirstCommand()
{
    // malformed hex text / refused with a message, nothing sent, no question
    QFETCH(QString, hex);
    SimSession sim;
    QVERIFY(sim.connect());
    m_dialogs.answer = true;
    const TransferResult r = QCoro::waitFor(
        FileWriter(sim.channel, m_dialogs).Schreibe_Com(QStringLiteral("probe"), hex));
    QCOMPARE(r.status, TransferStatus::InvalidData);
    QVERIFY(sim.transcript().isEmpty());
    QCOMPARE(m_dialogs.messages.size(), 1);
    QVERIFY(m_dialogs.questions.isEmpty());
}

void FileWriterTest::unusualSizeNeedsYes_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("written");
    QTest::newRow("32 bytes, No") << 32 << false << false;
    QTest::newRow("32 bytes, Yes") << 32 << true << true;
    QTest::newRow("401 bytes, No") << 401 << false << false;
    QTest::newRow("400 bytes, no question") << 400 << false << true;
}

void FileWriterTest::unusualSizeNeedsYes()
{
    // data that are not one 400-byte record / written only after Yes to a question, default No
    QFETCH(int, bytes);
    QFETCH(bool, answer);
    QFETCH(bool, written);
    SimSession sim;
    QVERIFY(sim.connect());
    m_dialogs.answer = answer;
    const TransferResult r =
        QCoro::waitFor(FileWriter(sim.channel, m_dialogs)
                           .Schreibe_Com(QStringLiteral("factory"), countingHex(bytes)));
    QCOMPARE(r.ok(), written);
    QCOMPARE(sim.transcript().isEmpty(), !written);
    QCOMPARE(m_dialogs.questions.size(), bytes == 400 ? 0 : 1);
    if (!m_dialogs.questions.isEmpty()) {
        QVERIFY(m_dialogs.questions.first().contains(QString::number(bytes)));
        QCOMPARE(m_dialogs.questionDefaults.first(), false);
    }
}

void FileWriterTest::removeAnsweredTwenty()
{
    // remove wait ends with 20 / message: file name + entry 23, the write still goes on
    SimSession sim;
    QVERIFY(sim.connect());
    QObject::connect(&sim.channel, &CommandChannel::commandSent, &sim.channel,
                     [&sim](const QString& command) {
                         if (!command.startsWith(QStringLiteral("$rm")))
                             return;
                         QTimer::singleShot(0, &sim.channel, [&sim] {
                             sharedState().ReplyStatus = 20;
                             emit sim.channel.replyHandled(DispatchResult::Applied);
                         });
                     });
    const QString hex = countingHex(400);
    const TransferResult r = QCoro::waitFor(
        FileWriter(sim.channel, m_dialogs).Schreibe_Com(QStringLiteral("probe"), hex));
    QVERIFY2(r.ok(), qPrintable(describeTransfer(r)));
    QCOMPARE(m_dialogs.messages,
             QStringList{QStringLiteral("probeDatei kann nicht gelöscht werden oder ist nicht "
                                        "vorhanden!")});
    QCOMPARE(sim.gauge.file(QStringLiteral("probe")).toHex().toUpper(), hex.toLatin1());
}

void FileWriterTest::faults_data()
{
    // one record: 1 remove, 2 create, 3-15 chunks, 16 close
    QTest::addColumn<int>("command");
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<TransferStatus>("status");
    QTest::addColumn<int>("openHandles");
    QTest::newRow("create no reply") << 2 << SimFault::NoReply << TransferStatus::NoReply << 0;
    QTest::newRow("chunk garbled") << 4 << SimFault::Garbled << TransferStatus::NoReply << 0;
    QTest::newRow("chunk status 99")
        << 4 << SimFault::StatusError << TransferStatus::GaugeError << 0;
    QTest::newRow("chunk link drop") << 4 << SimFault::DropLink << TransferStatus::LinkLost << 1;
    QTest::newRow("close status 5")
        << 16 << SimFault::StatusError << TransferStatus::GaugeError << 1;
}

void FileWriterTest::faults()
{
    // a fault at any step / typed failure, no further data, the file closed where the link allows
    setReplyTimeoutMs(300); // the faults leave replies missing
    QFETCH(int, command);
    QFETCH(SimFault, fault);
    QFETCH(TransferStatus, status);
    QFETCH(int, openHandles);
    SimSession sim;
    QVERIFY(sim.connect());
    sim.gauge.setFault(command, fault);
    const TransferResult r = QCoro::waitFor(
        FileWriter(sim.channel, m_dialogs).Schreibe_Com(QStringLiteral("probe"), countingHex(400)));
    QCOMPARE(r.status, status);
    QCOMPARE(sim.gauge.openHandleCount(), openHandles);
    QCOMPARE(r.fileLeftOpen, openHandles > 0);
    const QStringList t = sim.transcript();
    // Nothing after the failing step but the close of an open file.
    QVERIFY(t.size() <= command + 1);
    if (t.size() == command + 1)
        QCOMPARE(t.last(), QStringLiteral("$fc?1!"));
}

void FileWriterTest::cancelClosesTheFile()
{
    // cancel during the chunks / Cancelled, no further chunk, the file closed
    SimSession sim;
    QVERIFY(sim.connect());
    CancelToken cancel;
    QObject::connect(&sim.channel, &CommandChannel::commandSent, &cancel, [&](const QString&) {
        if (sim.gauge.commandCount() == 4)
            cancel.cancel();
    });
    const TransferResult r =
        QCoro::waitFor(FileWriter(sim.channel, m_dialogs, &cancel)
                           .Schreibe_Com(QStringLiteral("probe"), countingHex(400)));
    QCOMPARE(r.status, TransferStatus::Cancelled);
    QCOMPARE(sim.gauge.openHandleCount(), 0);
    QCOMPARE(sim.transcript().last(), QStringLiteral("$fc?1!"));
    QVERIFY(sim.transcript().size() < 8);
}

QTEST_GUILESS_MAIN(FileWriterTest)
#include "tst_filewriter.moc"
