// The command-line tool's own formatting: progress figures and JSON numbers.
#include "cli/CliProgress.h"
#include "cli/RecordJson.h"

#include <QtTest>
#include <cmath>
#include <limits>

class tst_CliFormat : public QObject
{
    Q_OBJECT
private slots:
    void progressLine_data();
    void progressLine();
    void progressTenth_data();
    void progressTenth();
    void jsonNumber_data();
    void jsonNumber();
    void jsonNumberNotFinite_data();
    void jsonNumberNotFinite();
};

void tst_CliFormat::progressLine_data()
{
    QTest::addColumn<int>("chunksDone");
    QTest::addColumn<int>("chunksTotal");
    QTest::addColumn<qint64>("bytesDone");
    QTest::addColumn<qint64>("bytesTotal");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("expected");
    QTest::newRow("before any time")
        << 0 << 4 << qint64(0) << qint64(100) << qint64(0) << "0/4 chunks  0/100 bytes";
    QTest::newRow("half in a second") << 16 << 32 << qint64(512) << qint64(1024) << qint64(1000)
                                      << "16/32 chunks  512/1024 bytes  512 B/s  0:01 left";
    QTest::newRow("KiB per second") << 32 << 64 << qint64(1024) << qint64(2048) << qint64(500)
                                    << "32/64 chunks  1024/2048 bytes  2.0 KiB/s  0:01 left";
    QTest::newRow("minutes left") << 1 << 200 << qint64(32) << qint64(6400) << qint64(1000)
                                  << "1/200 chunks  32/6400 bytes  32 B/s  3:19 left";
    QTest::newRow("last chunk overshoots") << 4 << 4 << qint64(128) << qint64(100) << qint64(100)
                                           << "4/4 chunks  100/100 bytes  1000 B/s  0:00 left";
    QTest::newRow("more chunks than total")
        << 9 << 4 << qint64(0) << qint64(100) << qint64(10) << "4/4 chunks  0/100 bytes";
    QTest::newRow("negative figures")
        << -1 << -3 << qint64(-5) << qint64(-1) << qint64(-7) << "0/0 chunks  0/0 bytes";
}

void tst_CliFormat::progressLine()
{
    // figures of a running transfer / chunks, bytes, rate and time left, clamped to the totals.
    QFETCH(int, chunksDone);
    QFETCH(int, chunksTotal);
    QFETCH(qint64, bytesDone);
    QFETCH(qint64, bytesTotal);
    QFETCH(qint64, elapsedMs);
    QTEST(CliProgress::line({chunksDone, chunksTotal, bytesDone, bytesTotal, elapsedMs}),
          "expected");
}

void tst_CliFormat::progressTenth_data()
{
    QTest::addColumn<int>("chunksDone");
    QTest::addColumn<int>("chunksTotal");
    QTest::addColumn<int>("tenth");
    QTest::newRow("start") << 0 << 7 << 0;
    QTest::newRow("just below a tenth") << 9 << 100 << 0;
    QTest::newRow("a tenth") << 10 << 100 << 1;
    QTest::newRow("all") << 7 << 7 << 10;
    QTest::newRow("nothing to send") << 0 << 0 << 10;
    QTest::newRow("huge counts") << 2000000000 << 2100000000 << 9;
}

void tst_CliFormat::progressTenth()
{
    // chunks done of a total / the tenth reached, without overflow.
    QFETCH(int, chunksDone);
    QFETCH(int, chunksTotal);
    QTEST(CliProgress::tenth({chunksDone, chunksTotal, 0, 0, 0}), "tenth");
}

void tst_CliFormat::jsonNumber_data()
{
    QTest::addColumn<float>("value");
    QTest::newRow("1.23") << 1.23f;
    QTest::newRow("0.1") << 0.1f;
    QTest::newRow("negative") << -980.25f;
    QTest::newRow("largest") << std::numeric_limits<float>::max();
    QTest::newRow("smallest normal") << std::numeric_limits<float>::min();
    QTest::newRow("subnormal") << std::numeric_limits<float>::denorm_min();
    QTest::newRow("zero") << 0.0f;
}

void tst_CliFormat::jsonNumber()
{
    // a float of a record / a JSON number that gives the same float back and prints no longer
    // than the float's own shortest text.
    QFETCH(float, value);
    const QJsonValue v = RecordJson::number(value);
    QVERIFY(v.isDouble());
    QCOMPARE(float(v.toDouble()), value);
    const QString printed = QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    QVERIFY2(printed.size() <= QString::number(value, 'g', 9).size(), qPrintable(printed));
}

void tst_CliFormat::jsonNumberNotFinite_data()
{
    QTest::addColumn<float>("value");
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("infinity") << std::numeric_limits<float>::infinity();
    QTest::newRow("minus infinity") << -std::numeric_limits<float>::infinity();
}

void tst_CliFormat::jsonNumberNotFinite()
{
    // a record float JSON cannot hold (bytes FF FF FF 7F and the like) / null, the output stays
    // JSON.
    QFETCH(float, value);
    QVERIFY(RecordJson::number(value).isNull());
}

QTEST_GUILESS_MAIN(tst_CliFormat)
#include "tst_cliformat.moc"
