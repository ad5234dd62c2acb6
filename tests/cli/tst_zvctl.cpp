// zvctl: progress and number formats; on its simulated gauge exit codes, outputs, commands sent.
#include "ZvctlProcess.h"
#include "cli/CliProgress.h"
#include "cli/DeviceAddress.h"
#include "cli/RecordJson.h"
#include "info/RecordDecoder.h"
#include "sim/SimRecords.h"
#include "tests/common/TestFiles.h"

#include <QtTest>
#include <csignal>

namespace
{
QByteArray recordFile(const QByteArray& record)
{
    return record.toHex().toUpper() + "\r\n";
}

// A probe record of another gauge (another serial number).
QByteArray otherProbe()
{
    QByteArray r = SimRecords::defaultProbe();
    for (int i = RecordLayout::SerialNumber; i < RecordLayout::SerialNumber + 4; ++i)
        r[i] = char(0x11 * (i + 1));
    return r;
}

QByteArray counting(int n)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(i);
    return b;
}

// "name=content" in dir; content "own" / "other" is a probe record file, "N bytes" N bytes.
bool prepare(const QString& dir, const QStringList& files)
{
    for (const QString& f : files) {
        const QString what = f.section('=', 1);
        const QByteArray content = what == "own"     ? recordFile(SimRecords::defaultProbe())
                                   : what == "other" ? recordFile(otherProbe())
                                   : what.endsWith(" bytes")
                                       ? counting(what.section(' ', 0, 0).toInt())
                                       : what.toUtf8();
        if (!writeFile(dir + '/' + f.section('=', 0, 0), content))
            return false;
    }
    return true;
}

} // namespace

class tst_Zvctl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(qEnvironmentVariable("ZV_BIN_DIR") + "/zvctl"), "zvctl not built");
        // Runs without --simulator find no Bluetooth service, whatever the machine has.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zvctl-test-bus");
    }

    void outcomes_data()
    {
        QTest::addColumn<QStringList>("files"); // in DIR
        QTest::addColumn<QStringList>("args");  // DIR: the folder, BAK: a backup folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");      // the whole standard output; "*": not checked
        QTest::addColumn<QString>("err");      // a piece of standard error
        QTest::addColumn<QStringList>("sent"); // with --trace; {"*"}: not checked
        const QStringList any{"*"};
        const QStringList none;
        // clang-format off
        QTest::newRow("bad timeout") << none << QStringList{"--timeout", "soon", "battery"} << 2 << "" << "--timeout" << any;
        QTest::newRow("negative timeout") << none << QStringList{"--timeout", "-5", "battery"} << 2 << "" << "--timeout" << any;
        QTest::newRow("bad fault kind") << none << QStringList{"--simulator", "--sim-fault", "2:late", "read"} << 2 << "" << "--sim-fault" << any;
        QTest::newRow("fault number 0") << none << QStringList{"--simulator", "--sim-fault", "0:drop", "read"} << 2 << "" << "--sim-fault" << any;
        QTest::newRow("fault without simulator") << none << QStringList{"--sim-fault", "1:drop", "read"} << 2 << "" << "needs --simulator" << any;
        QTest::newRow("no Bluetooth") << none << QStringList{"battery"} << 1 << "" << "Bluetooth" << any;
        QTest::newRow("scan cannot start: what to check, and why") << none << QStringList{"--lang", "en", "scan"} << 1 << "" << "Please check bluetooth settings or connect dongle\nThe Bluetooth service is not running." << any;
        QTest::newRow("download into no folder") << none << QStringList{"--simulator", "download", "/no/such/dir"} << 2 << "" << "/no/such/dir" << any;
        QTest::newRow("languages of no folder") << none << QStringList{"languages", "/no/such/dir"} << 2 << "" << "/no/such/dir" << any;
        QTest::newRow("no language file") << QStringList{"xDE=x"} << QStringList{"--lang", "en", "languages", "DIR"} << 0 << "" << "No language file found." << any;
        QTest::newRow("languages") << QStringList{"lPL=x", "readme=x", "lDE=x"} << QStringList{"--lang", "en", "languages", "DIR"} << 0 << "lDE\tGerman\nlPL\tPolski\n" << "" << any;
        QTest::newRow("languages as JSON") << QStringList{"lPL=x"} << QStringList{"--json", "--lang", "en", "languages", "DIR"} << 0 << "{\"Languages\":[{\"File\":\"lPL\",\"Language\":\"Polski\"}]}\n" << "" << any;
        QTest::newRow("send") << none << QStringList{"--simulator", "--trace", "send", "$gcv!"} << 0 << "$gcv?3710!\nReplyStatus = 0\nReplyData = 3710\nBatteryLevel = 3710\n" << "< $gcv?3710!\n" << QStringList{"$gcv!"};
        QTest::newRow("send, reply not understood") << none << QStringList{"--simulator", "send", "$what!"} << 1 << "*" << "not understood" << any;
        QTest::newRow("send, silent gauge") << none << QStringList{"--simulator", "--timeout", "200", "--sim-fault", "1:silent", "send", "$gcv!"} << 3 << "" << "no reply: no reply in time" << any;
        QTest::newRow("send, link drops") << none << QStringList{"--simulator", "--timeout", "200", "--sim-fault", "1:drop", "send", "$gcv!"} << 3 << "" << "no reply" << any;
        QTest::newRow("battery") << none << QStringList{"--simulator", "battery"} << 0 << "3710\n" << "" << any;
        QTest::newRow("device as bluetoothctl prints it") << none << QStringList{"--simulator", "--device", "5a:45:4c:56:4f:01", "battery"} << 0 << "3710\n" << "" << any;
        QTest::newRow("device not there") << none << QStringList{"--simulator", "--device", "5A454C564F02", "battery"} << 3 << "" << "5A454C564F02 not found" << any;
        QTest::newRow("version") << none << QStringList{"--version"} << 0 << "zvctl " ZV_VERSION "\n" << "" << any;
        QTest::newRow("battery, history cannot be opened") << QStringList{"f=x"} << QStringList{"--simulator", "--history", "DIR/f/h.sqlite", "battery"} << 0 << "3710\n" << "history: no history: " << any;
        QTest::newRow("history under a plain file") << QStringList{"f=x"} << QStringList{"--history", "DIR/f/h.sqlite", "history"} << 1 << "" << "history: no history: " << any;
        QTest::newRow("history, gauge not there") << none << QStringList{"--history", "DIR/h.sqlite", "--lang", "en", "history", "999"} << 1 << "" << "No gauge 999 in the history." << any;
        QTest::newRow("battery as JSON") << none << QStringList{"--simulator", "--json", "battery"} << 0 << "{\"BatteryLevel\":3710,\"ReplyData\":\"3710\"}\n" << "" << any;
        QTest::newRow("identity") << none << QStringList{"--simulator", "--trace", "--json", "identity"} << 0 << "{\"Build\":\"21\",\"Controler\":\"1.05\",\"Hardware\":\"HW2\",\"Mac\":\"A1B2C3D4E5F6\",\"Revision\":\"3\"}\n" << "" << QStringList{"$naxo00!\\r\\n"};
        QTest::newRow("reset without --yes") << none << QStringList{"--simulator", "--trace", "reset"} << 2 << "" << "--yes" << none;
        QTest::newRow("reset") << none << QStringList{"--simulator", "--trace", "--yes", "reset"} << 0 << "*" << "" << QStringList{"$fsf!\\r\\n"};
        QTest::newRow("reset refused") << none << QStringList{"--simulator", "--yes", "--sim-fault", "1:error", "reset"} << 1 << "" << "" << any;
        QTest::newRow("reset, link drops before the acknowledgement") << none << QStringList{"--simulator", "--yes", "--lang", "en", "--sim-fault", "1:drop", "reset"} << 3 << "" << "Connection to device lost" << any;
        QTest::newRow("time, link drops") << none << QStringList{"--simulator", "--sim-fault", "1:drop", "time"} << 3 << "" << "" << any;
        QTest::newRow("language name not l + code") << QStringList{"xDE=abc"} << QStringList{"--simulator", "--trace", "send-language", "DIR/xDE"} << 2 << "" << "xDE" << none;
        QTest::newRow("language name with extension") << QStringList{"lDE.txt=abc"} << QStringList{"--simulator", "--trace", "send-language", "DIR/lDE.txt"} << 2 << "" << "lDE.txt" << none;
        QTest::newRow("language file missing") << none << QStringList{"--simulator", "--trace", "--lang", "en", "send-language", "DIR/lDE"} << 1 << "" << "not found: lDE" << none;
        QTest::newRow("language file empty") << QStringList{"lDE="} << QStringList{"--simulator", "--trace", "--lang", "en", "send-language", "DIR/lDE"} << 1 << "" << "empty, nothing sent: lDE" << none;
        QTest::newRow("language, create unanswered") << QStringList{"lDE=100 bytes"} << QStringList{"--simulator", "--timeout", "200", "--sim-fault", "1:silent", "send-language", "DIR/lDE"} << 3 << "" << "" << any;
        QTest::newRow("language, chunk refused") << QStringList{"lDE=100 bytes"} << QStringList{"--simulator", "--sim-fault", "3:error", "send-language", "DIR/lDE"} << 1 << "" << "" << any;
        QTest::newRow("read, block refused") << none << QStringList{"--simulator", "--sim-fault", "3:error", "read"} << 1 << "*" << "" << any;
        QTest::newRow("read, link drops") << none << QStringList{"--simulator", "--sim-fault", "5:drop", "read"} << 3 << "" << "" << any;
        QTest::newRow("send-language, one byte") << QStringList{"lFR=1 bytes"} << QStringList{"--simulator", "--trace", "--lang", "en", "send-language", "DIR/lFR"} << 0 << "Datei lFR was successfully transfered to device\n" << "done  1/1 chunks  1/1 bytes" << QStringList{"$fw?1 lFR!", "$wr?1 0 1 00!", "$fc?1!"};
        QTest::newRow("send-language, two chunks") << QStringList{"lFR=33 bytes"} << QStringList{"--simulator", "--trace", "send-language", "DIR/lFR"} << 0 << "*" << "100%  2/2 chunks  33/33 bytes" << QStringList{"$fw?33 lFR!", "$wr?1 0 32 " + hexOf(counting(32)) + "!", "$wr?1 32 1 20!", "$fc?1!"};
        QTest::newRow("download") << none << QStringList{"--simulator", "download", "DIR"} << 0 << "DIR/probe\nDIR/factory\n" << "" << any;
        QTest::newRow("download, factory fails: nothing saved") << none << QStringList{"--simulator", "--sim-fault", "20:drop", "download", "DIR"} << 3 << "" << "" << any;
        QTest::newRow("upload, not hex") << QStringList{"probe=ABZZ\r\n"} << QStringList{"--simulator", "--trace", "--yes", "upload-probe", "DIR"} << 1 << "" << "" << none;
        QTest::newRow("upload, other gauge") << QStringList{"probe=other"} << QStringList{"--simulator", "--trace", "upload-probe", "DIR"} << 1 << "" << "" << any;
        QTest::newRow("upload, other gauge, its file not opened") << QStringList{"probe=other"} << QStringList{"--simulator", "--trace", "--lang", "en", "--sim-fault", "1:error", "upload-probe", "DIR"} << 1 << "" << "is not known" << QStringList{"$fr?probe!"};
        QTest::newRow("upload, own record, backup folder made") << QStringList{"probe=own"} << QStringList{"--simulator", "--lang", "en", "--backup-dir", "BAK/new/folder", "upload-probe", "DIR"} << 0 << "400 bytes written into \"probe\" and verified\n" << "" << any;
        QTest::newRow("upload, backup folder cannot be made") << QStringList{"probe=own", "f=x"} << QStringList{"--simulator", "--trace", "--lang", "en", "--backup-dir", "DIR/f/b", "upload-probe", "DIR"} << 1 << "" << "cannot be created" << none;
        QTest::newRow("write-factory") << QStringList{"probe=own"} << QStringList{"--simulator", "--lang", "en", "--backup-dir", "BAK", "write-factory", "DIR"} << 0 << "400 bytes written into \"factory\" and verified\n" << "" << any;
        QTest::newRow("upload, chunk refused") << QStringList{"probe=own"} << QStringList{"--simulator", "--backup-dir", "BAK", "--sim-fault", "19:error", "upload-probe", "DIR"} << 1 << "" << "" << any;
        QTest::newRow("restore to factory") << QStringList{"4711_probe_20261206-101010=other"} << QStringList{"--simulator", "--yes", "--json", "--backup-dir", "BAK", "restore", "DIR/4711_probe_20261206-101010", "--to", "factory"} << 0 << "*" << "" << any;
        QTest::newRow("restore without --to") << QStringList{"b=own"} << QStringList{"--simulator", "--trace", "restore", "DIR/b"} << 2 << "" << "--to" << none;
        QTest::newRow("restore of no file") << none << QStringList{"--simulator", "--trace", "restore", "DIR/b", "--to", "probe"} << 2 << "" << "" << none;
        // clang-format on
    }

    void outcomes()
    {
        // a command line / its exit code, its output, what it says and what it sends
        QFETCH(QStringList, files);
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QStringList, sent);
        QTemporaryDir dir, backups;
        QVERIFY(prepare(dir.path(), files));
        for (QString& a : args)
            a.replace("DIR", dir.path()).replace("BAK", backups.path());
        out.replace("DIR", dir.path());
        const ZvctlRun r = runZvctl(args);
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QTEST(r.exitCode, "exitCode");
        if (out != "*")
            QCOMPARE(r.out, out);
        if (sent != QStringList{"*"})
            QCOMPARE(r.sent(), sent);
        QVERIFY2(r.exitCode == 0 || !r.err.trimmed().isEmpty(), "a failure says why");
        if (args.contains("download")) // both files or none
            QCOMPARE(fileContent(dir.filePath("factory")),
                     r.exitCode ? "<missing>" : recordFile(SimRecords::defaultFactory()));
    }

    void interrupted_data()
    {
        QTest::addColumn<QList<int>>("signalsSent"); // the second once the close hangs
        QTest::addColumn<int>("exitCode");
        QTest::newRow("SIGINT") << QList<int>{SIGINT} << 130;
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM} << 143;
        QTest::newRow("second SIGINT while the close hangs") << QList<int>{SIGINT, SIGINT} << 130;
    }
    void interrupted()
    {
        // a signal while the gauge leaves chunk 3 of an upload unanswered / the write cancelled,
        // the file closed, its backup and the restore command named, exit 128 + signal; a second
        // signal while the close hangs ends zvctl at once
        QFETCH(QList<int>, signalsSent);
        QTemporaryDir dir, backups;
        QVERIFY(prepare(dir.path(), {"probe=own"}));
        QProcess p;
        p.start(qEnvironmentVariable("ZV_BIN_DIR") + "/zvctl",
                {"--simulator", "--trace", "--lang", "en", "--timeout", "60000", "--backup-dir",
                 backups.path(), "--sim-fault", "20:silent", "--sim-fault",
                 signalsSent.size() > 1 ? "21:silent" : "99:silent", "upload-probe", dir.path()});
        ZvctlRun r;
        const auto lastSent = [&] {
            r.err += QString::fromLocal8Bit(p.readAllStandardError());
            return r.sent().value(r.sent().size() - 1);
        };
        for (int i = 0; i < signalsSent.size(); ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(lastSent().startsWith(i ? "$fc?2!" : "$wr?2 64 "), 20000);
            QCOMPARE(::kill(pid_t(p.processId()), signalsSent[i]), 0);
        }
        QVERIFY(p.waitForFinished(20000));
        QTEST(p.exitCode(), "exitCode");
        QCOMPARE(lastSent(), "$fc?2!");
        const QFileInfo backup = QDir(backups.path()).entryInfoList(QDir::Files).value(0);
        const QString restore =
            "zvctl --yes restore \"" + backup.absoluteFilePath() + "\" --to probe";
        QCOMPARE(r.err.contains("\"probe\" is incomplete") && r.err.contains(restore),
                 signalsSent.size() == 1);
    }

    // a usage error is one line, says what was wrong, and nothing is scanned or sent
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("what");
        QTest::newRow("no command") << QStringList{"--simulator"} << "no command given";
        QTest::newRow("command with an argument too many")
            << QStringList{"--simulator", "read", "x"}
            << "unknown command or wrong arguments: read x";
        QTest::newRow("unknown option")
            << QStringList{"--fast", "battery"} << "Unknown option 'fast'";
        QTest::newRow("bad language")
            << QStringList{"--lang", "fr", "battery"} << "--lang must be de or en";
        QTest::newRow("history diff without a serial")
            << QStringList{"history", "diff"}
            << "history [SERIAL | diff SERIAL [SNAPSHOT SNAPSHOT] | export FILE.csv | report "
               "SERIAL [VISIT] FILE.pdf]";
        QTest::newRow("malformed device")
            << QStringList{"--device", "C0:FF:EE", "scan"}
            << "--device must be 12 hex digits or six pairs like C0:FF:EE:12:34:56";
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, what);
        const ZvctlRun r = runZvctl(QStringList{"--trace"} + args);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, "zvctl: " + what + "; see zvctl --help\n");
        QCOMPARE(r.out, QString());
    }

    void deviceAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address");
        // clang-format off
        QTest::newRow("12 digits") << "c0ffee12345a" << "C0FFEE12345A";
        QTest::newRow("pairs") << "C0:ff:EE:12:34:56" << "C0FFEE123456";
        QTest::newRow("five pairs") << "C0:FF:EE:12:34" << "";
        QTest::newRow("seven pairs") << "C0:FF:EE:12:34:56:78" << "";
        QTest::newRow("pair of three") << "C0F:FE:E1:23:45:6" << "";
        QTest::newRow("13 digits") << "C0FFEE1234567" << "";
        QTest::newRow("not hex") << "C0FFEE12345G" << "";
        QTest::newRow("wide digit") << QString("C0FFEE12345") + QChar(0xFF10) << "";
        QTest::newRow("empty") << "" << "";
        // clang-format on
    }
    void deviceAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, address);
        QCOMPARE(parseDeviceAddress(text), address);
    }

    void time()
    {
        // time --set / the time sent in "$slt?", then the time read back, both this computer's
        const ZvctlRun r = runZvctl({"--simulator", "--trace", "time", "--set"});
        QCOMPARE(r.exitCode, 0);
        const QStringList shown = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[0].startsWith("set "));
        QVERIFY2(r.sent().contains("$slt?" + shown[0].mid(4) + "!\\r\\n"), qPrintable(r.err));
        const QDateTime read = QDateTime::fromString(shown[1], "yyyy-MM-dd/HH:mm:ss");
        QVERIFY(qAbs(read.secsTo(QDateTime::currentDateTime())) <= 2);
    }

    void readTableLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QChar>("decimal");
        QTest::newRow("German numbers") << "de_DE" << QChar(',');
        QTest::newRow("English numbers") << "en_US" << QChar('.');
    }

    void readTableLocale()
    {
        // read in a locale / the two tables, their numbers with the locale's decimal separator
        QFETCH(QString, locale);
        QFETCH(QChar, decimal);
        const ZvctlRun r = runZvctl({"--simulator", "read"},
                                    {"LC_ALL=" + locale + ".UTF-8", "LANG=" + locale + ".UTF-8"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("probe") && r.out.split("\n\nfactory").size() == 2);
        static const QRegularExpression number("\\s(-?\\d+)([.,])(\\d+)(\\s|$)");
        auto it = number.globalMatch(r.out);
        int numbers = 0;
        for (; it.hasNext(); ++numbers)
            QCOMPARE(it.next().captured(2).at(0), decimal);
        QVERIFY(numbers > 10);
    }

    void progress_data()
    {
        QTest::addColumn<int>("chunksDone");
        QTest::addColumn<int>("chunksTotal");
        QTest::addColumn<qint64>("bytesDone");
        QTest::addColumn<qint64>("bytesTotal");
        QTest::addColumn<qint64>("elapsedMs");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("tenth");
        // clang-format off
        QTest::newRow("before any time") << 0 << 4 << qint64(0) << qint64(100) << qint64(0) << "0/4 chunks  0/100 bytes" << 0;
        QTest::newRow("half in a second") << 16 << 32 << qint64(512) << qint64(1024) << qint64(1000) << "16/32 chunks  512/1024 bytes  512 B/s  0:01 left" << 5;
        QTest::newRow("KiB per second") << 32 << 64 << qint64(1024) << qint64(2048) << qint64(500) << "32/64 chunks  1024/2048 bytes  2.0 KiB/s  0:01 left" << 5;
        QTest::newRow("minutes left") << 1 << 200 << qint64(32) << qint64(6400) << qint64(1000) << "1/200 chunks  32/6400 bytes  32 B/s  3:19 left" << 0;
        QTest::newRow("last chunk overshoots") << 4 << 4 << qint64(128) << qint64(100) << qint64(100) << "4/4 chunks  100/100 bytes  1000 B/s  0:00 left" << 10;
        QTest::newRow("more chunks than total") << 9 << 4 << qint64(0) << qint64(100) << qint64(10) << "4/4 chunks  0/100 bytes" << 10;
        QTest::newRow("negative figures") << -1 << -3 << qint64(-5) << qint64(-1) << qint64(-7) << "0/0 chunks  0/0 bytes" << 10;
        QTest::newRow("just below a tenth") << 9 << 100 << qint64(0) << qint64(0) << qint64(0) << "9/100 chunks  0/0 bytes" << 0;
        QTest::newRow("a tenth") << 10 << 100 << qint64(0) << qint64(0) << qint64(0) << "10/100 chunks  0/0 bytes" << 1;
        QTest::newRow("huge counts") << 2000000000 << 2100000000 << qint64(0) << qint64(0) << qint64(0) << "2000000000/2100000000 chunks  0/0 bytes" << 9;
        // clang-format on
    }
    // figures of a running transfer / chunks, bytes, rate and time left, clamped to the totals;
    // the tenth reached, without overflow
    void progress()
    {
        QFETCH(int, chunksDone);
        QFETCH(int, chunksTotal);
        QFETCH(qint64, bytesDone);
        QFETCH(qint64, bytesTotal);
        QFETCH(qint64, elapsedMs);
        const CliProgress::Figures f{chunksDone, chunksTotal, bytesDone, bytesTotal, elapsedMs};
        QTEST(CliProgress::line(f), "line");
        QTEST(CliProgress::tenth(f), "tenth");
    }

    void jsonNumber_data()
    {
        QTest::addColumn<float>("value");
        QTest::newRow("1.23") << 1.23f;
        QTest::newRow("0.1") << 0.1f;
        QTest::newRow("negative") << -980.25f;
        QTest::newRow("largest") << std::numeric_limits<float>::max();
        QTest::newRow("subnormal") << std::numeric_limits<float>::denorm_min();
        QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("minus infinity") << -std::numeric_limits<float>::infinity();
    }

    void jsonNumber()
    {
        // a float of a record / a JSON number that gives the same float back and prints no longer
        // than the float's own shortest text; null for what JSON cannot hold (bytes FF FF FF 7F)
        QFETCH(float, value);
        const QJsonValue v = RecordJson::number(value);
        QCOMPARE(v.isNull(), !std::isfinite(value));
        if (v.isNull())
            return;
        QCOMPARE(float(v.toDouble()), value);
        const QString printed = QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
        QVERIFY2(printed.size() <= QString::number(value, 'g', 9).size(), qPrintable(printed));
    }
};

QTEST_GUILESS_MAIN(tst_Zvctl)
#include "tst_zvctl.moc"
