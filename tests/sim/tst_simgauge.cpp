// The simulated gauge's file protocol and its fault injection.
#include "sim/SimGauge.h"

#include <QtTest>

class tst_SimGauge : public QObject
{
    Q_OBJECT
private slots:
    void writeThenReadBack();
    void faults_data();
    void faults();
    void loadFolderTakesDownloadFormatOnly();
};

void tst_SimGauge::writeThenReadBack()
{
    // create, two chunks, close, then open and read / the same bytes come back, no handle left.
    SimGauge g;
    QCOMPARE(g.handleCommand("$fw?3 lXX!").value, QByteArray("$fw?1 0!"));
    QCOMPARE(g.handleCommand("$wr?1 0 2 A1B2!").value, QByteArray("$wr?1 0!"));
    QCOMPARE(g.handleCommand("$wr?1 2 1 0c!").value, QByteArray("$wr?1 0!"));
    QCOMPARE(g.handleCommand("$fc?1!").value, QByteArray("$fc?1 0!"));
    QCOMPARE(g.file("lXX"), QByteArray("\xA1\xB2\x0C"));
    QCOMPARE(g.handleCommand("$fr?lXX!").value, QByteArray("$fr?2 3!"));
    QCOMPARE(g.handleCommand("$rd?2 32!").value, QByteArray("$rd?2 0 03A1B20C!"));
    QCOMPARE(g.handleCommand("$fc?2!").value, QByteArray("$fc?2 0!"));
    QCOMPARE(g.openHandleCount(), 0);
}

void tst_SimGauge::faults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("drop");
    QTest::newRow("none") << int(SimFault::None) << QByteArray("$gcv?3710!") << false;
    QTest::newRow("no reply") << int(SimFault::NoReply) << QByteArray() << false;
    QTest::newRow("drop link") << int(SimFault::DropLink) << QByteArray() << true;
    QTest::newRow("status error") << int(SimFault::StatusError) << QByteArray("$err?5!") << false;
}

void tst_SimGauge::faults()
{
    // A fault on the second command / only that command is affected.
    QFETCH(int, fault);
    SimGauge g;
    g.setFault(2, SimFault(fault));
    QCOMPARE(g.handleCommand("$gcv!").value, QByteArray("$gcv?3710!"));
    const SimReply second = g.handleCommand("$gcv!");
    QTEST(second.value, "reply");
    QTEST(second.dropLink, "drop");
    QCOMPARE(g.handleCommand("$gcv!").value, QByteArray("$gcv?3710!"));
}

void tst_SimGauge::loadFolderTakesDownloadFormatOnly()
{
    // A folder with a hex file, a text file and an odd-length file / only the hex file is loaded.
    QTemporaryDir dir;
    auto put = [&](const char* name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    put("probe", "00FF10\r\n");
    put("notes", "hello\r\n");
    put("odd", "ABC\r\n");
    QStringList skipped;
    QCOMPARE(SimGauge().loadFolder(dir.path(), &skipped), QStringList{"probe"});
    SimGauge g;
    g.loadFolder(dir.path());
    QCOMPARE(g.file("probe"), QByteArray("\x00\xFF\x10", 3));
    skipped.sort();
    QCOMPARE(skipped, (QStringList{"notes", "odd"}));
}

QTEST_GUILESS_MAIN(tst_SimGauge)
#include "tst_simgauge.moc"
