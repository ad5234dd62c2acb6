#include "info/RecordReader.h"
#include "sim/SimRecords.h"
#include "tests/common/SimLink.h"

#include <QtTest>

Q_DECLARE_METATYPE(SimFault)
Q_DECLARE_METATYPE(TransferStatus)

class RecordReaderTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { setReplyTimeoutMs(0); }
    void cleanup() { setReplyTimeoutMs(0); }
    void blockReads_data();
    void blockReads();
    void probeReadEndToEnd();
    void factoryReadLeavesProbeData();
    void notConnectedSendsNothing();
    void openWithoutData_data();
    void openWithoutData();
    void faults_data();
    void faults();
    void identityWithoutRevision();
    void cancelClosesTheFile();
    void handleEqualToPendingStatus();
};

void RecordReaderTest::blockReads_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("fullReads");
    QTest::addColumn<int>("lastRead");
    QTest::addColumn<TransferStatus>("status");
    QTest::addColumn<bool>("padded"); // the gauge pads every read reply to 32 bytes
    QTest::newRow("400 bytes") << 400 << 12 << 16 << TransferStatus::Ok << false;
    QTest::newRow("64 bytes") << 64 << 2 << 0 << TransferStatus::DecodeFailed << false;
    QTest::newRow("20 bytes") << 20 << 0 << 20 << TransferStatus::DecodeFailed << false;
    QTest::newRow("339 bytes") << 339 << 10 << 19 << TransferStatus::Ok << false;
    QTest::newRow("400 bytes, last block padded") << 400 << 12 << 16 << TransferStatus::Ok << true;
}

void RecordReaderTest::blockReads()
{
    // a file of n bytes / one open, n/32 reads of 32, one short read of the rest, one close;
    // the data hold exactly the announced bytes, also when the gauge padded its last block
    QFETCH(int, bytes);
    QFETCH(int, fullReads);
    QFETCH(int, lastRead);
    QFETCH(TransferStatus, status);
    QFETCH(bool, padded);
    SimSession sim;
    sim.gauge.setFile(QStringLiteral("factory"),
                      QByteArray::fromHex(countingHex(bytes).toLatin1()));
    sim.gauge.setPadReads(padded);
    QVERIFY(sim.connect());
    RecordReader reader(sim.channel);
    const TransferResult r = QCoro::waitFor(reader.Lese_Com(QStringLiteral("factory")));
    QCOMPARE(r.status, status);
    if (r.ok())
        QCOMPARE(sharedState().FactoryData, countingHex(bytes));

    QStringList expected{QStringLiteral("$fr?factory!")};
    for (int i = 0; i < fullReads; ++i)
        expected << QStringLiteral("$rd?1 32!");
    if (lastRead > 0)
        expected << QStringLiteral("$rd?1 %1!").arg(lastRead);
    expected << QStringLiteral("$fc?1!");
    QCOMPARE(sim.transcript(), expected);
    QCOMPARE(sim.gauge.openHandleCount(), 0);
}

void RecordReaderTest::probeReadEndToEnd()
{
    // read of "probe" / record decoded, identity requested after the close, ProbeData = file hex
    SimSession sim;
    QVERIFY(sim.connect());
    RecordReader reader(sim.channel);
    QSignalSpy decoded(&reader, &RecordReader::recordDecoded);
    const TransferResult r = QCoro::waitFor(reader.Lese_Com(QStringLiteral("probe")));
    QVERIFY2(r.ok(), qPrintable(describeTransfer(r)));
    const SharedState& s = sharedState();
    const QString fileHex = QString::fromLatin1(SimRecords::defaultProbe().toHex());
    QCOMPARE(s.ProbeData.toLower(), fileHex);
    QCOMPARE(s.CurrentFileName, QStringLiteral("probe"));
    QCOMPARE(decoded.count(), 1);
    QCOMPARE(s.Identity.Revision, QStringLiteral("3"));
    QCOMPARE(s.Identity.Mac, QStringLiteral("A1B2C3D4E5F6"));
    const QStringList t = sim.transcript();
    QCOMPARE(t.size(), 16);
    QCOMPARE(t.at(14), QStringLiteral("$fc?1!"));
    QCOMPARE(t.at(15), QStringLiteral("$naxo00!\r\n"));
}

void RecordReaderTest::factoryReadLeavesProbeData()
{
    // read of "factory" / FactoryData set, ProbeData untouched, no identity request
    SimSession sim;
    QVERIFY(sim.connect());
    sharedState().ProbeData = QStringLiteral("AA");
    const TransferResult r =
        QCoro::waitFor(RecordReader(sim.channel).Lese_Com(QStringLiteral("factory")));
    QVERIFY(r.ok());
    QCOMPARE(sharedState().FactoryData.toLower(),
             QString::fromLatin1(SimRecords::defaultFactory().toHex()));
    QCOMPARE(sharedState().ProbeData, QStringLiteral("AA"));
    QVERIFY(!sim.transcript().join(QString()).contains(QStringLiteral("$naxo")));
}

void RecordReaderTest::notConnectedSendsNothing()
{
    // no gauge connected / NotConnected, nothing sent, old text and record kept
    SimSession sim;
    SharedState& s = sharedState();
    s.FileHex = QStringLiteral("00");
    s.Record.SerialNumber = 77;
    const TransferResult r =
        QCoro::waitFor(RecordReader(sim.channel).Lese_Com(QStringLiteral("probe")));
    QCOMPARE(r.status, TransferStatus::NotConnected);
    QVERIFY(sim.transcript().isEmpty());
    QCOMPARE(s.Record.SerialNumber, 77);
    QCOMPARE(s.FileHex, QStringLiteral("00"));
}

void RecordReaderTest::openWithoutData_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("missing file") << false << QStringList{QStringLiteral("$fr?factory!")};
    QTest::newRow("empty file") << true
                                << QStringList{QStringLiteral("$fr?factory!"),
                                               QStringLiteral("$fc?1!")};
}

void RecordReaderTest::openWithoutData()
{
    // open answered with length 0 / gauge error at once, an opened handle is closed again
    QFETCH(bool, fileExists);
    QFETCH(QStringList, expected);
    SimSession sim;
    sim.gauge.removeFile(QStringLiteral("factory"));
    if (fileExists)
        sim.gauge.setFile(QStringLiteral("factory"), QByteArray());
    QVERIFY(sim.connect());
    setReplyTimeoutMs(60000); // must end on the reply, not on the time limit
    QElapsedTimer clock;
    clock.start();
    const TransferResult r =
        QCoro::waitFor(RecordReader(sim.channel).Lese_Com(QStringLiteral("factory")));
    QCOMPARE(r.status, TransferStatus::GaugeError);
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(sim.transcript(), expected);
    QCOMPARE(sim.gauge.openHandleCount(), 0);
}

void RecordReaderTest::faults_data()
{
    // "probe" (400 bytes): 1 open, 2-14 reads, 15 close, 16 identity
    QTest::addColumn<int>("command");
    QTest::addColumn<SimFault>("fault");
    QTest::addColumn<TransferStatus>("status");
    QTest::addColumn<int>("openHandles");
    QTest::newRow("open no reply") << 1 << SimFault::NoReply << TransferStatus::NoReply << 0;
    QTest::newRow("read garbled") << 5 << SimFault::Garbled << TransferStatus::NoReply << 0;
    QTest::newRow("read status") << 5 << SimFault::StatusError << TransferStatus::GaugeError << 0;
    QTest::newRow("read link drop") << 5 << SimFault::DropLink << TransferStatus::LinkLost << 1;
    QTest::newRow("close status") << 15 << SimFault::StatusError << TransferStatus::GaugeError << 1;
    QTest::newRow("identity status") << 16 << SimFault::StatusError << TransferStatus::NoReply << 0;
    QTest::newRow("identity link drop")
        << 16 << SimFault::DropLink << TransferStatus::LinkLost << 0;
}

void RecordReaderTest::faults()
{
    // a fault at any step / typed failure, ProbeData unchanged, file closed where the link allows
    setReplyTimeoutMs(300); // the faults leave replies missing
    QFETCH(int, command);
    QFETCH(SimFault, fault);
    QFETCH(TransferStatus, status);
    QFETCH(int, openHandles);
    SimSession sim;
    QVERIFY(sim.connect());
    sharedState().ProbeData = QStringLiteral("BEFORE");
    sim.gauge.setFault(command, fault);
    const TransferResult r =
        QCoro::waitFor(RecordReader(sim.channel).Lese_Com(QStringLiteral("probe")));
    QCOMPARE(r.status, status);
    QCOMPARE(sharedState().ProbeData, QStringLiteral("BEFORE"));
    QCOMPARE(sim.gauge.openHandleCount(), openHandles);
    QCOMPARE(r.fileLeftOpen, openHandles > 0);
}

void RecordReaderTest::identityWithoutRevision()
{
    // identity reply without fields / gauge error at once, ProbeData unchanged
    SimSession sim;
    sim.gauge.setIdentityReply("$naxo00!");
    QVERIFY(sim.connect());
    setReplyTimeoutMs(60000);
    const TransferResult r =
        QCoro::waitFor(RecordReader(sim.channel).Lese_Com(QStringLiteral("probe")));
    QCOMPARE(r.status, TransferStatus::GaugeError);
    QVERIFY(sharedState().ProbeData.isEmpty());
}

void RecordReaderTest::cancelClosesTheFile()
{
    // cancel during the block reads / Cancelled, the file closed, no further reads
    SimSession sim;
    QVERIFY(sim.connect());
    CancelToken cancel;
    QObject::connect(&sim.channel, &CommandChannel::commandSent, &cancel,
                     [&cancel, &sim](const QString&) {
                         if (sim.gauge.commandCount() == 3)
                             cancel.cancel();
                     });
    const TransferResult r =
        QCoro::waitFor(RecordReader(sim.channel, &cancel).Lese_Com(QStringLiteral("probe")));
    QCOMPARE(r.status, TransferStatus::Cancelled);
    QCOMPARE(sim.gauge.openHandleCount(), 0);
    QCOMPARE(sim.transcript().last(), QStringLiteral("$fc?1!"));
    QVERIFY(sim.transcript().size() < 8);
}

void RecordReaderTest::handleEqualToPendingStatus()
{
    // the gauge hands out handle 55 (the pending status) / every block still waited for
    SimSession sim;
    QVERIFY(sim.connect());
    sim.takeHandlesBelow(55);
    const TransferResult r =
        QCoro::waitFor(RecordReader(sim.channel).Lese_Com(QStringLiteral("factory")));
    QVERIFY2(r.ok(), qPrintable(describeTransfer(r)));
    QCOMPARE(sim.transcript().first(), QStringLiteral("$fr?factory!"));
    QCOMPARE(sim.transcript().at(1), QStringLiteral("$rd?55 32!"));
    QCOMPARE(sharedState().FactoryData.toLower(),
             QString::fromLatin1(SimRecords::defaultFactory().toHex()));
}

QTEST_GUILESS_MAIN(RecordReaderTest)
#include "tst_recordreader.moc"
