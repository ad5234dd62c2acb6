#include "SequenceRuns.h"

#include "info/InfoSequences.h"
#include "info/InfoTexts.h"
#include "info/RecordReader.h"
#include "info/SafeWriter.h"
#include "link/DeviceBusy.h"
#include "service/DeviceClock.h"
#include "service/LanguageTransfer.h"
#include "service/MemoryReset.h"
#include "service/ServiceTexts.h"
#include "sim/SimRecords.h"
#include "state/ServiceLog.h"
#include "state/TextCatalogue.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace
{
constexpr int kLanguageBytes = 70; // two full chunks and a shorter last one
constexpr int kWaitBoundMs = 5000; // far beyond any limit of a run; only a hang reaches it
const QString kLanguageFile = QStringLiteral("lDE");

// Everything a run needs beside the link: fresh shared state, dialogs, a program folder.
struct RunContext {
    QTemporaryDir programFolder;
    RecordingDialogs dialogs;
    SimLink link;

    RunContext(int k, SimFault fault)
    {
        resetSharedState();
        fillTextTables();
        setUserDialogs(&dialogs);
        sharedState().ProgramFolder = programFolder.path();
        StartServiceLog();
        link.connectGauge();
        if (k > 0)
            link.gauge.setFault(k, fault);
    }
    ~RunContext() { setUserDialogs(nullptr); }

    void finish(RunOutcome& out, int k) const
    {
        out.messages += dialogs.messages;
        out.linkDropped = link.dropped;
        out.openHandles = link.gauge.openHandleCount();
        out.commands = link.gauge.commandCount();
        const QList<QByteArray> sent = link.gauge.transcript();
        if (k > 0 && k <= sent.size())
            out.lastKeyword = SequenceRuns::keywordOf(sent.at(k - 1));
        for (const QString& f : SequenceRuns::leftoverFiles(programFolder.path()))
            out.problems.append(QStringLiteral("file left on the PC: ") + f);
        if (deviceBusy().isBusy())
            out.problems.append(QStringLiteral("channel still marked busy"));
    }
};

// The read button's sequence: "probe" with the identity, then "factory" unless the link went.
RunOutcome runRead(int k, SimFault fault)
{
    RunContext c(k, fault);
    RunOutcome out;
    const InfoOutcome r = QCoro::waitFor(
        InfoSequences::readRecords({&c.link.channel, &c.dialogs, std::make_shared<CancelToken>(),
                                    std::make_shared<InfoEvents>()}));
    out.ok = r.status == TransferStatus::Ok && !sharedState().Identity.Revision.isEmpty();
    out.result = QStringLiteral("status %1").arg(int(r.status));
    c.finish(out, k);
    return out;
}

// The read of "probe" alone, with the identity request.
RunOutcome runIdentity(int k, SimFault fault)
{
    RunContext c(k, fault);
    RunOutcome out;
    RecordReader reader(c.link.channel);
    const TransferResult r = QCoro::waitFor(reader.Lese_Com(QStringLiteral("probe")));
    out.ok = r.ok() && !sharedState().Identity.Revision.isEmpty();
    out.result = describeTransfer(r);
    if (!r.ok())
        out.messages.append(InfoTexts::readFailed(r));
    c.finish(out, k);
    return out;
}

RunOutcome runLanguage(int k, SimFault fault)
{
    RunContext c(k, fault);
    RunOutcome out;
    QTemporaryDir folder;
    QFile f(folder.filePath(kLanguageFile));
    if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray(kLanguageBytes, 'L')) < 0)
        out.problems.append(QStringLiteral("language file not written"));
    f.close();
    LanguageTransfer transfer(c.link.channel);
    transfer.setLogSink({});
    const LanguageTransferResult r =
        QCoro::waitFor(transfer.run(folder.path() + QLatin1Char('/'), kLanguageFile));
    out.ok = r.ok() && c.link.gauge.file(kLanguageFile) == QByteArray(kLanguageBytes, 'L');
    out.result = QStringLiteral("file problem %1, ").arg(int(r.file)) + describeTransfer(r.device);
    if (!r.ok())
        out.messages.append(ServiceTexts::transferFailed(r));
    c.finish(out, k);
    return out;
}

RunOutcome runReset(int k, SimFault fault)
{
    RunContext c(k, fault);
    RunOutcome out;
    MemoryReset reset(c.link.channel);
    const TransferResult r = QCoro::waitFor(reset.send());
    out.ok = r.ok();
    out.result = ServiceTexts::resetOutcome(r);
    if (!out.ok)
        out.messages.append(out.result);
    c.finish(out, k);
    return out;
}

// Backups on the PC must be whole copies of what the gauge held before the write.
void checkBackups(const QString& folder, const QByteArray& before, RunOutcome& out)
{
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly) || f.readAll() != before.toHex().toUpper() + "\r\n")
            out.problems.append(QStringLiteral("backup not a whole copy: ") + f.fileName());
    }
}

RunOutcome runSafeWrite(const QString& deviceFile, int k, SimFault fault)
{
    RunContext c(k, fault);
    RunOutcome out;
    const QByteArray before = c.link.gauge.file(deviceFile);
    const QString backups = c.programFolder.filePath(QStringLiteral("backup"));
    QDir().mkpath(backups);
    SafeWriter writer(c.link.channel, c.dialogs);
    writer.setBackupFolder(backups);
    // Writes the same record back: every step runs, and the verify compares it all.
    const SafeWriteResult r =
        QCoro::waitFor(writer.write(deviceFile, QString::fromLatin1(before.toHex().toUpper())));
    out.ok = r.ok();
    out.result = describeSafeWrite(r);
    if (!r.ok())
        out.messages.append(InfoTexts::safeWriteFailed(r));
    checkBackups(backups, before, out);
    c.finish(out, k);
    return out;
}

// Read the clock, set it once the first read is in, read it again.
RunOutcome runTime(int k, SimFault fault)
{
    RunContext c(k, fault);
    RunOutcome out;
    DeviceClock clock(c.link.channel);
    QSignalSpy read(&clock, &DeviceClock::timeRead);
    QSignalSpy failed(&clock, &DeviceClock::readFailed);
    QSignalSpy set(&clock, &DeviceClock::timeSet);
    QObject::connect(
        &clock, &DeviceClock::timeRead, &clock,
        [&clock, &read] {
            if (read.count() == 1)
                clock.setTime();
        },
        Qt::QueuedConnection);
    clock.start();
    QTest::qWaitFor([&] { return !failed.isEmpty() || read.count() >= 2; }, kWaitBoundMs);
    clock.stop();
    out.ok = failed.isEmpty() && read.count() >= 2 && set.count() == 1;
    out.result = QStringLiteral("%1 reads, %2 sets, %3 failures")
                     .arg(read.count())
                     .arg(set.count())
                     .arg(failed.count());
    if (!failed.isEmpty())
        out.messages.append(
            ServiceTexts::clockReadFailed(failed.first().first().value<WaitResult>()));
    c.finish(out, k);
    return out;
}
} // namespace

namespace SequenceRuns
{
QList<Sequence> all()
{
    return {Sequence::Read,     Sequence::Identity, Sequence::Upload, Sequence::Factory,
            Sequence::Language, Sequence::Time,     Sequence::Reset};
}

QString name(Sequence sequence)
{
    switch (sequence) {
    case Sequence::Read:
        return QStringLiteral("read");
    case Sequence::Identity:
        return QStringLiteral("identity");
    case Sequence::Upload:
        return QStringLiteral("upload");
    case Sequence::Factory:
        return QStringLiteral("factory");
    case Sequence::Language:
        return QStringLiteral("language");
    case Sequence::Time:
        return QStringLiteral("time");
    case Sequence::Reset:
        return QStringLiteral("reset");
    }
    return {};
}

RunOutcome run(Sequence sequence, int k, SimFault fault)
{
    switch (sequence) {
    case Sequence::Read:
        return runRead(k, fault);
    case Sequence::Identity:
        return runIdentity(k, fault);
    case Sequence::Upload:
        return runSafeWrite(QStringLiteral("probe"), k, fault);
    case Sequence::Factory:
        return runSafeWrite(QStringLiteral("factory"), k, fault);
    case Sequence::Language:
        return runLanguage(k, fault);
    case Sequence::Time:
        return runTime(k, fault);
    case Sequence::Reset:
        return runReset(k, fault);
    }
    return {};
}

QString keywordOf(const QByteArray& command)
{
    qsizetype end = 0;
    while (end < command.size() && command.at(end) != '?' && command.at(end) != '!' &&
           command.at(end) != '\r')
        ++end;
    return QString::fromLatin1(command.left(end));
}

QStringList leftoverFiles(const QString& folder)
{
    static const QRegularExpression temporary(
        QStringLiteral("(\\.tmp|\\.part|~|\\.[A-Za-z0-9]{6})$"));
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (temporary.match(path).hasMatch())
            found.append(QDir(folder).relativeFilePath(path));
    }
    return found;
}

QString recordHex()
{
    return QString::fromLatin1(SimRecords::defaultProbe().toHex().toUpper());
}
} // namespace SequenceRuns
