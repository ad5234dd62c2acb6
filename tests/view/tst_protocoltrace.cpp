#include "app/frmTrace.h"
#include "link/BLE.h"
#include "link/ProtocolTrace.h"
#include "link/SupportReport.h"
#include "state/RadioText.h"
#include "state/ServiceLog.h"
#include "tests/common/AppHarness.h"
#include "tests/common/FakeBleClient.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QtTest>
#include <chrono>

// The protocol trace: every command and reply with its time and round-trip time, control
// characters visible, device texts as plain text, and the support file it is saved into.
namespace
{
using namespace std::chrono_literals;
constexpr int kReplyWaitMs = 5000;
// The simulator evens out timer lateness: each of its delays may end up to 1 ms early, and the
// trace counts whole milliseconds.
constexpr int kSimToleranceMs = 3;
const QByteArray kHtmlName = "<b>ZE</b>";

// Texts of all lines of a plain-text view, and whether any character of it is drawn bold.
bool anyBold(const QPlainTextEdit& view)
{
    for (QTextBlock b = view.document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().fontWeight() > QFont::Normal)
                return true;
        }
    }
    return false;
}
} // namespace

class ProtocolTraceTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void radioText_data();
    void radioText();
    void commandsAndRepliesWithRoundTrip_data();
    void commandsAndRepliesWithRoundTrip();
    void replyWithoutCommandHasNoRoundTrip();
    void keepsNewestLines();
    void deviceTextsShownLiterally_data();
    void deviceTextsShownLiterally();
    void saveWritesSupportFile_data();
    void saveWritesSupportFile();
    void saveCancelledWritesNothing();
    void menuOpensTraceOfWholeSession();
};

void ProtocolTraceTest::init()
{
    resetSharedState();
    fillTextTables();
    SupportReport::setBluezVersionProvider(nullptr);
}

void ProtocolTraceTest::radioText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain command") << "$gcv!"
                                   << "$gcv!";
    QTest::newRow("letters beyond ASCII")
        << QString::fromUtf8("Prüfgerät ZE-100 €") << QString::fromUtf8("Prüfgerät ZE-100 €");
    QTest::newRow("markup stays text") << QString::fromLatin1(kHtmlName) << "<b>ZE</b>";
    QTest::newRow("CR LF") << "$naxo00!\r\n"
                           << "$naxo00!\\r\\n";
    QTest::newRow("line feed alone") << "ZE-1\nMAC: 000000000000"
                                     << "ZE-1\\nMAC: 000000000000";
    QTest::newRow("tab and backslash") << "a\tb\\c"
                                       << "a\\tb\\\\c";
    QTest::newRow("escape sequence") << "ZE\x1b[2J"
                                     << "ZE\\x1B[2J";
    QTest::newRow("NUL and bell") << QString::fromLatin1("x\0\ay", 4) << "x\\x00\\x07y";
    QTest::newRow("DEL") << "ZE\x7f"
                         << "ZE\\x7F";
    QTest::newRow("C1 next line") << QString::fromUtf8("ZE\u0085X") << "ZE\\x85X";
    QTest::newRow("line separator") << QString::fromUtf8("ZE\u2028X\u2029") << "ZE\\u2028X\\u2029";
    QTest::newRow("empty") << QString() << "";
}

void ProtocolTraceTest::radioText()
{
    // a device name or reply with each class of character / controls spelled out, the rest kept
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(RadioText::visible(text), shown);
}

void ProtocolTraceTest::commandsAndRepliesWithRoundTrip_data()
{
    QTest::addColumn<int>("writeMs");
    QTest::addColumn<int>("readMs");
    QTest::newRow("no latency") << 0 << 0;
    QTest::newRow("20 ms write, 20 ms read") << 20 << 20;
    QTest::newRow("35 ms write, 10 ms read") << 35 << 10;
}

void ProtocolTraceTest::commandsAndRepliesWithRoundTrip()
{
    // two commands to a gauge with latency / command and reply lines, RTT spans write and read time
    QFETCH(int, writeMs);
    QFETCH(int, readMs);
    SimSession sim;
    sim.client.options().writeLatency = std::chrono::milliseconds(writeMs);
    sim.client.options().readLatency = std::chrono::milliseconds(readMs);
    QVERIFY(sim.connect());
    ProtocolTrace trace;
    trace.attach(&sim.channel);
    QSignalSpy replies(&sim.channel, &CommandChannel::valueReceived);
    for (const QString& command : {QStringLiteral("$gcv!"), QStringLiteral("$naxo00!\r\n")}) {
        QVERIFY(sim.channel.send(command).ok());
        QVERIFY(replies.wait(kReplyWaitMs));
    }
    const QList<TraceLine>& lines = trace.lines();
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0].text, QStringLiteral("$gcv!"));
    QCOMPARE(lines[2].text, QStringLiteral("$naxo00!\\r\\n"));
    for (int i = 0; i < 4; i += 2) {
        QCOMPARE(lines[i].direction, TraceLine::Direction::Sent);
        QCOMPARE(lines[i + 1].direction, TraceLine::Direction::Received);
        QCOMPARE(lines[i + 1].text,
                 RadioText::visible(QString::fromLatin1(replies.at(i / 2).at(0).toByteArray())));
        QVERIFY2(lines[i + 1].roundTripMs >= writeMs + readMs - kSimToleranceMs,
                 qPrintable(QString::number(lines[i + 1].roundTripMs)));
        QVERIFY(lines[i].time <= lines[i + 1].time);
        QVERIFY(ProtocolTrace::formatLine(lines[i + 1])
                    .endsWith(QStringLiteral("(RTT %1 ms)").arg(lines[i + 1].roundTripMs)));
    }
}

void ProtocolTraceTest::replyWithoutCommandHasNoRoundTrip()
{
    // a value with no command before it, then a second one after one reply / no RTT for either
    ProtocolTrace trace;
    trace.recordReceived("$trace!");
    trace.recordSent(QStringLiteral("$gcv!"));
    trace.recordReceived("$gcv?0 4.1!");
    trace.recordReceived("$late!");
    QCOMPARE(trace.lines().size(), 4);
    QCOMPARE(trace.lines()[0].roundTripMs, -1);
    QVERIFY(trace.lines()[2].roundTripMs >= 0);
    QCOMPARE(trace.lines()[3].roundTripMs, -1);
    QVERIFY(!ProtocolTrace::formatLine(trace.lines()[0]).contains(QStringLiteral("RTT")));
}

void ProtocolTraceTest::keepsNewestLines()
{
    // one line more than the limit / the oldest line gone, the newest kept
    ProtocolTrace trace;
    for (int i = 0; i <= ProtocolTrace::kMaxLines; ++i)
        trace.recordSent(QString::number(i));
    QCOMPARE(trace.lines().size(), ProtocolTrace::kMaxLines);
    QCOMPARE(trace.lines().first().text, QStringLiteral("1"));
    QCOMPARE(trace.lines().last().text, QString::number(ProtocolTrace::kMaxLines));
}

void ProtocolTraceTest::deviceTextsShownLiterally_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("bold name") << QByteArray("$naxo00 H:" + kHtmlName + " R:3!");
    QTest::newRow("heading and entity") << QByteArray("<h1>ZE&amp;</h1>");
    QTest::newRow("table") << QByteArray("<table><tr><td>ZE</td></tr></table>");
}

void ProtocolTraceTest::deviceTextsShownLiterally()
{
    // a gauge advertising "<b>ZE</b>" and replying with markup / list and trace show the characters
    QFETCH(QByteArray, reply);
    FakeBleClient client;
    BLE link(&client);
    ProtocolTrace trace;
    trace.attach(link.channel());
    frmTrace window(&trace);
    emit client.Advertisement(QStringLiteral("A1B2C3D4E5F6"), QString::fromLatin1(kHtmlName), -60,
                              0, {}, {}, {}, 0, {}, true, false);
    QCOMPARE(link.lbDevices->count(), 1);
    QVERIFY(link.lbDevices->item(0)->text().contains(QString::fromLatin1(kHtmlName)));
    emit client.Value(QString(), QString(), QString(), QString(), QString(), reply);
    QVERIFY(window.txtTrace->toPlainText().contains(QString::fromLatin1(reply)));
    QVERIFY(!anyBold(*window.txtTrace));
}

void ProtocolTraceTest::saveWritesSupportFile_data()
{
    QTest::addColumn<QString>("logLine");
    QTest::newRow("ASCII log line") << "Geraet Probedaten0011";
    QTest::newRow("umlaut and euro sign") << QString::fromUtf8("Gerät Länge 400 € „Sonde“");
}

void ProtocolTraceTest::saveWritesSupportFile()
{
    // "Save..." into a folder, this line in the service log / one file with versions, trace lines
    // and the service log's line as it was logged
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
    QFile file(QDir(target.path()).filePath(files.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.contains(QStringLiteral("ZELVO Service V 1.02")));
    QVERIFY(text.contains(QStringLiteral("Qt: ") + QString::fromLatin1(qVersion())));
    QVERIFY(text.contains(QSysInfo::kernelVersion()));
#ifdef Q_OS_LINUX
    QVERIFY(text.contains(QStringLiteral("BlueZ: 5.66-fake")));
#endif
    QVERIFY(text.contains(ProtocolTrace::formatLine(trace.lines().at(0))));
    QVERIFY(text.contains(QStringLiteral("$fr?3 400!\\r\\n")));
    QVERIFY2(text.contains(logLine), qPrintable(text));
    QCOMPARE(window.lblSaved->text(), file.fileName());
    QVERIFY(dialogs.messages.isEmpty());
    setUserDialogs(nullptr);
}

void ProtocolTraceTest::saveCancelledWritesNothing()
{
    // the folder dialog cancelled, or a folder that cannot be written / no file, a message for the
    // latter
    RecordingDialogs dialogs;
    setUserDialogs(&dialogs);
    ProtocolTrace trace;
    trace.recordSent(QStringLiteral("$gcv!"));
    frmTrace window(&trace);
    window.cmdSave->click();
    QCOMPARE(dialogs.folderRequests, 1);
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(window.lblSaved->text().isEmpty());
    QTemporaryDir dir;
    dialogs.folder = dir.filePath(QStringLiteral("missing/deeper"));
    window.cmdSave->click();
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(window.lblSaved->text().isEmpty());
    setUserDialogs(nullptr);
}

void ProtocolTraceTest::menuOpensTraceOfWholeSession()
{
    // traffic before the window is first opened / the menu shows it, window hidden until then
    AppHarness app;
    QVERIFY(app.connectGauge());
    QVERIFY(app.window().ble()->channel()->send(QStringLiteral("$naxo00!\r\n")).ok());
    QTRY_COMPARE(app.window().trace()->lines().size(), 2);
    QVERIFY(!app.window().traceWindow()->isVisible());
    app.window().mnuTrace->trigger();
    frmTrace* window = app.window().traceWindow();
    QVERIFY(window->isVisible());
    QVERIFY(window->txtTrace->toPlainText().contains(app.window().trace()->lines().first().text));
    const int shown = window->txtTrace->blockCount();
    QVERIFY(app.window().ble()->channel()->send(QStringLiteral("$gcv!")).ok());
    QTRY_COMPARE(window->txtTrace->blockCount(), shown + 2);
    window->cmdClear->click();
    QVERIFY(app.window().trace()->lines().isEmpty());
    QVERIFY(window->txtTrace->toPlainText().isEmpty());
}

QTEST_MAIN(ProtocolTraceTest)
#include "tst_protocoltrace.moc"
