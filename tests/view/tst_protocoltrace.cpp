#include "app/frmTrace.h"
#include "link/CommandChannel.h"
#include "link/ProtocolTrace.h"
#include "link/SupportReport.h"
#include "state/RadioText.h"
#include "state/ServiceLog.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/TestFiles.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

// The protocol trace (times, round trips, control characters visible) and the support file.

class ProtocolTraceTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetSharedState();
        SupportReport::setBluezVersionProvider(nullptr);
    }
    void radioText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString kept = QString::fromUtf8("$gcv! <b>Prüfgerät</b> € ~");
        QTest::newRow("plain, markup, beyond ASCII") << kept << kept;
        QTest::newRow("CR LF, tab, backslash") << "a\tb\\c$!\r\n"
                                               << "a\\tb\\\\c$!\\r\\n";
        QTest::newRow("NUL, bell, escape, unit separator")
            << QString::fromLatin1("x\0\a\x1b[\x1fy", 7) << "x\\x00\\x07\\x1B[\\x1Fy";
        QTest::newRow("DEL to end of C1") << QString::fromLatin1("\x7e\x7f\x85\x9f\xa0")
                                          << QString::fromLatin1("\x7e\\x7F\\x85\\x9F\xa0");
        QTest::newRow("line and paragraph separator")
            << QString::fromUtf8("ZE\u2028X\u2029") << QString::fromUtf8("ZE\\u2028X\\u2029");
        QTest::newRow("bidi embedding, override, isolate, mark")
            << QString::fromUtf8("ZE\u202a1\u202e2\u2066\u2069\u200f")
            << "ZE\\u202A1\\u202E2\\u2066\\u2069\\u200F";
        QTest::newRow("zero width, byte order mark, soft hyphen")
            << QString::fromUtf8("Z\u200bE\u2060\ufeff\u00ad") << "Z\\u200BE\\u2060\\uFEFF\\xAD";
        QTest::newRow("tag characters beyond U+FFFF, CJK kept")
            << QString::fromUtf8("ZE\U000E0041\U00020000")
            << QString::fromUtf8("ZE\\uDB40\\uDC41\U00020000");
    }
    void radioText()
    {
        // a device name or reply with each class of character / controls spelled out, the rest kept
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(RadioText::visible(text), shown);
    }
    void linesKeptAndFormatted()
    {
        // replies before and after a command from the channel, then one line too many / RTT, limit
        ProtocolTrace trace;
        CommandChannel channel(nullptr, {}, sharedState());
        trace.attach(&channel);
        emit channel.valueReceived("$trace!");
        emit channel.commandSent(QStringLiteral("$gcv!"));
        emit channel.valueReceived("$gcv?0 4.1!");
        emit channel.valueReceived("$late!");
        const QList<TraceLine> lines = trace.lines();
        QCOMPARE(lines[0].roundTripMs, -1);
        QVERIFY(lines[2].roundTripMs >= 0 && lines[2].roundTripMs < 1000);
        QCOMPARE(lines[3].roundTripMs, -1);
        const auto stamp = [](const TraceLine& l) { return l.time.toString("HH:mm:ss.zzz"); };
        QCOMPARE(trace.text().section('\n', 0, 1),
                 stamp(lines[0]) + "  <- $trace!\n" + stamp(lines[1]) + "  -> $gcv!");
        QCOMPARE(ProtocolTrace::formatLine(lines[2]),
                 stamp(lines[2]) +
                     QString("  <- $gcv?0 4.1!  (RTT %1 ms)").arg(lines[2].roundTripMs));
        for (int i = 4; i <= ProtocolTrace::kMaxLines; ++i)
            trace.recordSent(QString::number(i));
        QCOMPARE(trace.lines().size(), ProtocolTrace::kMaxLines);
        QCOMPARE(trace.lines().first().text, QStringLiteral("$gcv!"));
        QCOMPARE(trace.lines().last().text, QString::number(ProtocolTrace::kMaxLines));
    }
    void supportFileSections()
    {
        // versions, program unknown; trace; log without final break / three blank-ended sections
        QString text = SupportReport::compose({QString(), "6.5", "Linux 6", "5.66"}, "a\n",
                                              "/p/ZVServiceLog.txt", "log");
        text.remove(QRegularExpression("Written: [-0-9T:.]+\n"));
        QString expected = "===== Versions =====\nProgram: unknown\nQt: 6.5\nOS: Linux 6\n";
#ifdef Q_OS_LINUX
        expected += "BlueZ: 5.66\n";
#endif
        expected += "\n===== Protocol trace =====\na\n\n"
                    "===== Service log /p/ZVServiceLog.txt =====\nlog\n\n";
        QCOMPARE(text, expected);
    }
    void saveWritesSupportFile_data()
    {
        QTest::addColumn<QString>("logLine");
        QTest::newRow("ASCII log line") << "Geraet Probedaten0011";
        QTest::newRow("umlaut and euro sign") << QString::fromUtf8("Gerät Länge 400 € „Sonde“");
    }
    void saveWritesSupportFile()
    {
        // "Save...", this line in the log / one UTF-8 file: versions, trace, the log line as logged
        QFETCH(QString, logLine);
        QTemporaryDir program, target;
        RecordingDialogs dialogs;
        setUserDialogs(&dialogs);
        SharedState& s = sharedState();
        s.ProgramFolder = program.path();
        s.ProgramTitle = QStringLiteral("ZELVO Service");
        s.ProgramVersion = QStringLiteral("V 1.02");
        StartServiceLog();
        AppendServiceLog(logLine);
        SupportReport::setBluezVersionProvider([] { return QStringLiteral("5.66-fake"); });
        ProtocolTrace trace;
        trace.recordSent(QStringLiteral("$fr?probe!"));
        trace.recordReceived("$fr?3 400!\r\n");
        frmTrace window(&trace);
        dialogs.folder = target.path();
        window.cmdSave->click();
        const QStringList files = QDir(target.path()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString path = QDir(target.path()).filePath(files.first());
        const QString text = QString::fromUtf8(fileContent(path));
        QVERIFY(text.contains(QStringLiteral("Program: ZELVO Service V 1.02\nQt: ") + qVersion()));
#ifdef Q_OS_LINUX
        QVERIFY(text.contains(QStringLiteral("BlueZ: 5.66-fake\n")));
#endif
        QVERIFY(text.contains(trace.text()));
        QVERIFY2(text.contains(" \n" + logLine + "\n"), qPrintable(text));
        QCOMPARE(window.lblSaved->text(), path);
        setUserDialogs(nullptr);
    }
};

QTEST_MAIN(ProtocolTraceTest)
#include "tst_protocoltrace.moc"
