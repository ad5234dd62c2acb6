#include "SequenceRuns.h"
#include "WindowRuns.h"
#include "link/ReplyWait.h"

#include <QElapsedTimer>
#include <QMap>
#include <QtTest>
#include <algorithm>

Q_DECLARE_METATYPE(Sequence)
Q_DECLARE_METATYPE(SimFault)
Q_DECLARE_METATYPE(WindowRuns::Window)

namespace
{
constexpr int kReplyLimitMs = 120;
// Far above the longest legitimate run (a few reply limits), far below a hang.
constexpr int kRunBoundMs = 20 * kReplyLimitMs;

const QList<QPair<SimFault, const char*>>& faults()
{
    static const QList<QPair<SimFault, const char*>> list{{SimFault::DropLink, "drop"},
                                                          {SimFault::NoReply, "noreply"},
                                                          {SimFault::Garbled, "garbled"},
                                                          {SimFault::StatusError, "status"}};
    return list;
}

// Faults after which the sequence still completes: the clock is set without waiting for the
// gauge's answer, so a lost or bad answer to "$slt" cannot be seen; a gauge that drops the link
// on "$fsf" is resetting.
bool completesDespite(const QString& keyword, SimFault fault)
{
    if (keyword == QLatin1String("$slt"))
        return fault != SimFault::DropLink;
    return keyword == QLatin1String("$fsf") && fault == SimFault::DropLink;
}

// A close the gauge swallows or refuses leaves that one file open although the link is up; the
// sequence must then fail and say that the file may still be open.
bool closeRefused(const QString& keyword, SimFault fault)
{
    return keyword == QLatin1String("$fc") && fault != SimFault::DropLink;
}

// Commands of a fault-free run, counted on the gauge.
int commandsOf(Sequence sequence)
{
    static QMap<Sequence, int> counted;
    if (!counted.contains(sequence))
        counted.insert(sequence, SequenceRuns::run(sequence, 0, SimFault::None).commands);
    return counted.value(sequence);
}

int commandsOf(WindowRuns::Window window)
{
    static QMap<WindowRuns::Window, int> counted;
    if (!counted.contains(window))
        counted.insert(window, WindowRuns::run(window, 0, SimFault::None).commands);
    return counted.value(window);
}

QString describe(const RunOutcome& out)
{
    return QStringLiteral("command %1, result \"%2\", messages %3, handles %4, dropped %5, %6")
        .arg(out.lastKeyword, out.result, out.messages.join(QLatin1Char('|')))
        .arg(out.openHandles)
        .arg(out.linkDropped)
        .arg(out.problems.join(QStringLiteral("; ")));
}

// A safe write whose backup open is answered "$fr?0 0!" meets a gauge without that file: there is
// nothing to back up, and the write goes on and verifies.
bool noFileToBackUp(const QString& run, int k, const QString& keyword, SimFault fault)
{
    return k == 1 && keyword == QLatin1String("$fr") && fault == SimFault::StatusError &&
           (run.endsWith(QLatin1String("upload")) || run.endsWith(QLatin1String("factory")));
}

// Everything a faulted run must satisfy, wherever it ran.
void checkRun(const QString& run, const RunOutcome& out, int k, SimFault fault, qint64 elapsedMs)
{
    const QByteArray what = describe(out).toUtf8();
    QVERIFY2(out.commands >= k, what.constData());
    QVERIFY2(elapsedMs < kRunBoundMs, what.constData());
    QVERIFY2(out.problems.isEmpty(), what.constData());
    if (completesDespite(out.lastKeyword, fault) ||
        noFileToBackUp(run, k, out.lastKeyword, fault)) {
        QVERIFY2(out.ok, what.constData());
    } else {
        QVERIFY2(!out.ok, what.constData());
        QVERIFY2(!out.messages.isEmpty() && !out.messages.first().isEmpty(), what.constData());
    }
    if (out.linkDropped)
        return;
    // A refused close may leave its one file open; the failure has been reported above.
    const int mayStayOpen = closeRefused(out.lastKeyword, fault) ? 1 : 0;
    QVERIFY2(out.openHandles <= mayStayOpen, what.constData());
}
} // namespace

class FaultMatrixTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setReplyTimeoutMs(kReplyLimitMs); }
    void cleanupTestCase() { setReplyTimeoutMs(0); }

    // no fault / every sequence succeeds without a message, closes its files, sends commands
    void faultFree_data()
    {
        QTest::addColumn<Sequence>("sequence");
        for (Sequence s : SequenceRuns::all())
            QTest::newRow(qPrintable(SequenceRuns::name(s))) << s;
    }
    void faultFree()
    {
        QFETCH(Sequence, sequence);
        const RunOutcome out = SequenceRuns::run(sequence, 0, SimFault::None);
        QVERIFY2(out.ok && out.messages.isEmpty(), qPrintable(describe(out)));
        QVERIFY(out.commands > 0);
        QCOMPARE(out.openHandles, 0);
        QVERIFY2(out.problems.isEmpty(), qPrintable(describe(out)));
    }

    // fault f at command k of a sequence / ends in time with a message (unless the fault cannot
    // be seen), no file left open on a live link, no temporary file on the PC
    void matrix_data()
    {
        QTest::addColumn<Sequence>("sequence");
        QTest::addColumn<int>("k");
        QTest::addColumn<SimFault>("fault");
        int rows = 0;
        QStringList sizes;
        for (Sequence s : SequenceRuns::all()) {
            const int n = commandsOf(s);
            sizes.append(SequenceRuns::name(s) + QLatin1Char(' ') + QString::number(n));
            for (int k = 1; k <= n; ++k) {
                for (const auto& [fault, tag] : faults()) {
                    QTest::addRow("%s/%d/%s", qPrintable(SequenceRuns::name(s)), k, tag)
                        << s << k << fault;
                    ++rows;
                }
            }
        }
        qInfo("fault matrix: %d runs (commands per sequence: %s; %d faults each)", rows,
              qPrintable(sizes.join(QStringLiteral(", "))), int(faults().size()));
    }
    void matrix()
    {
        QFETCH(Sequence, sequence);
        QFETCH(int, k);
        QFETCH(SimFault, fault);
        QElapsedTimer clock;
        clock.start();
        const RunOutcome out = SequenceRuns::run(sequence, k, fault);
        checkRun(SequenceRuns::name(sequence), out, k, fault, clock.elapsed());
    }

    // fault f at command k through the windows / the same, and the windows stay usable
    void windows_data()
    {
        using WindowRuns::Window;
        QTest::addColumn<Window>("window");
        QTest::addColumn<int>("k");
        QTest::addColumn<SimFault>("fault");
        // The first command, one in the middle and the last of a fault-free run; the clock
        // window: its first read and the set.
        int rows = 0;
        for (Window window : WindowRuns::all()) {
            const int n = window == Window::Time ? 2 : commandsOf(window);
            QList<int> positions{1, (n + 1) / 2, n};
            positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
            for (int k : positions) {
                for (const auto& [fault, tag] : faults()) {
                    QTest::addRow("%s/%d/%s", qPrintable(WindowRuns::name(window)), k, tag)
                        << window << k << fault;
                    ++rows;
                }
            }
        }
        qInfo("window pass: %d runs", rows);
    }
    void windows()
    {
        QFETCH(WindowRuns::Window, window);
        QFETCH(int, k);
        QFETCH(SimFault, fault);
        QElapsedTimer clock;
        clock.start();
        const RunOutcome out = WindowRuns::run(window, k, fault);
        checkRun(WindowRuns::name(window), out, k, fault, clock.elapsed());
    }
};

QTEST_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
