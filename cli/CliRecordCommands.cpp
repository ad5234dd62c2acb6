#include "cli/CliRecordCommands.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/RecordJson.h"
#include "cli/RecordTable.h"
#include "info/DeviceFiles.h"
#include "info/FileWriter.h"
#include "info/InfoTexts.h"
#include "info/RecordReader.h"
#include "info/SafeWriter.h"
#include "link/GaugeProtocol.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <functional>

namespace
{
using GaugeProtocol::kFactoryFile;
using GaugeProtocol::kProbeFile;

// One record file as read from the gauge.
struct RecordRead {
    QString name;
    DeviceResult<GaugeRecord> read;
};

// "probe" and "factory" as read, and the exit code of the worse failure.
struct BothReads {
    RecordRead probe;
    RecordRead factory;
    int exitCode = ExitDone;
};

// Reads one record file; a failure is reported on standard error.
QCoro::Task<RecordRead> readRecord(SequenceContext run, QString name)
{
    RecordRead read;
    read.name = name;
    read.read = co_await RecordReader::Lese_Com(*run.session, name, &run.cancel);
    if (!read.read.ok())
        CliOutput::message(
            QStringLiteral("%1: %2").arg(name, InfoTexts::readFailed(read.read.outcome)));
    co_return read;
}

// Reads "probe" and then, unless the link is gone or the run cancelled, "factory".
DeviceResult<BothReads> readBoth(CliSession& session)
{
    return session.run(Sequence<DeviceResult<BothReads>>(
        [](SequenceContext run) -> QCoro::Task<DeviceResult<BothReads>> {
            BothReads both;
            both.probe = co_await readRecord(run, kProbeFile);
            both.exitCode = CliOutput::exitFor(both.probe.read.outcome);
            DeviceOutcome outcome = both.probe.read.outcome;
            if (outcome.endsSession())
                co_return{outcome, both};
            both.factory = co_await readRecord(run, kFactoryFile);
            both.exitCode = qMax(both.exitCode, CliOutput::exitFor(both.factory.read.outcome));
            if (outcome.ok())
                outcome = both.factory.read.outcome;
            co_return{outcome, both};
        }));
}

void printTable(const RecordRead& read)
{
    for (const QString& line : RecordTable::lines(read.read.value->values, read.name, QLocale()))
        CliOutput::printLine(line);
}

QJsonObject recordObject(const RecordRead& read)
{
    QJsonObject o = RecordJson::record(read.read.value->values);
    o.insert(QStringLiteral("Hex"), read.read.value->hex);
    return o;
}

bool isFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    CliOutput::message(pick("Kein Ordner: %1", "not a folder: %1").arg(folder));
    return false;
}
} // namespace

namespace CliRecordCommands
{

int identity(CliSession& session)
{
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    const DeviceResult<IdentityFields> r =
        session.run(Sequence<DeviceResult<IdentityFields>>([](SequenceContext run) {
            return RecordReader::requestIdentity(*run.session, &run.cancel);
        }));
    if (r.outcome.failure == DeviceFailure::GaugeError) {
        CliOutput::message(pick("Die Kennung des Geräts ist unvollständig.",
                                "The gauge's identity reply is incomplete."));
        return ExitFailed;
    }
    if (!r.ok()) {
        CliOutput::message(InfoTexts::failureReason(r.outcome));
        return CliOutput::exitFor(r.outcome);
    }
    if (session.options().json)
        CliOutput::printJson(RecordJson::identity(*r.value));
    else
        CliOutput::printLine(RecordTable::identityLines(*r.value));
    session.disconnectGauge();
    return ExitDone;
}

int read(CliSession& session)
{
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    const std::shared_ptr<GaugeSession> gauge = session.gauge();
    const DeviceResult<BothReads> result = readBoth(session);
    if (!result.value)
        return CliOutput::exitFor(result.outcome);
    const BothReads& both = *result.value;
    const bool probeOk = both.probe.read.ok(), factoryOk = both.factory.read.ok();
    if (session.options().json) {
        QJsonObject o;
        for (const RecordRead* r : {&both.probe, &both.factory}) {
            if (r->read.ok())
                o.insert(r->name, recordObject(*r));
        }
        if (probeOk && gauge && gauge->identity())
            o.insert(QStringLiteral("Identity"), RecordJson::identity(*gauge->identity()));
        CliOutput::printJson(o);
    } else {
        if (probeOk)
            printTable(both.probe);
        if (probeOk && factoryOk)
            CliOutput::printLine(QString());
        if (factoryOk)
            printTable(both.factory);
    }
    session.disconnectGauge();
    return both.exitCode;
}

int download(CliSession& session, const QString& folder)
{
    if (!isFolder(folder))
        return ExitUsage;
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    // A download saves both files or none: half a copy would pass for a whole one.
    const DeviceResult<BothReads> result = readBoth(session);
    if (!result.outcome.ok()) {
        CliOutput::message(pick("Nichts gespeichert.", "Nothing saved."));
        return result.value ? result.value->exitCode : CliOutput::exitFor(result.outcome);
    }
    const BothReads& both = *result.value;
    session.disconnectGauge();
    QJsonObject paths;
    for (const RecordRead* r : {&both.probe, &both.factory}) {
        const PcFileResult saved = DeviceFiles::saveHexFile(folder, r->name, r->read.value->hex);
        if (!saved.ok) {
            CliOutput::message(saved.description);
            return ExitFailed;
        }
        const QString path = QFileInfo(QDir(folder).filePath(r->name)).absoluteFilePath();
        paths.insert(r->name, path);
        if (!session.options().json)
            CliOutput::printLine(path);
    }
    if (session.options().json)
        CliOutput::printJson(paths);
    return ExitDone;
}

namespace
{
// What zvctl says about a safe write that did not succeed (the runner has told an incomplete
// file already).
QString failureText(const DeviceOutcome& r)
{
    if (r.failure == DeviceFailure::Declined)
        return pick("Nichts geschrieben.", "Nothing written.");
    if (r.failure == DeviceFailure::Cancelled && !r.gaugeTouched())
        return pick("Abgebrochen, nichts geschrieben.", "Cancelled, nothing written.");
    return InfoTexts::safeWriteFailed(r);
}

using SafeWrite = std::function<QCoro::Task<DeviceOutcome>(SafeWriter&)>;

// Connects and runs one safe write (backup of the gauge's file, guard question, write, read
// back); exit 0 only when the read-back matches.
int writeSafely(CliSession& session, const QString& deviceFile, const SafeWrite& write)
{
    const CliOptions& options = session.options();
    if (!options.backupDir.isEmpty() && !QDir().mkpath(options.backupDir)) {
        CliOutput::message(pick("Der Ordner für Sicherungen kann nicht angelegt werden: %1",
                                "The folder for backups cannot be created: %1")
                               .arg(options.backupDir));
        return ExitFailed;
    }
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    const BackupStore backups = options.backupDir.isEmpty()
                                    ? BackupStore::besideProgram(options.programFolder)
                                    : BackupStore(options.backupDir);
    const DeviceOutcome r = session.run(Sequence<DeviceOutcome>(
        [backups, write](SequenceContext run) -> QCoro::Task<DeviceOutcome> {
            SafeWriter writer(*run.session, userDialogs(), backups, &run.cancel);
            QObject::connect(&writer, &SafeWriter::backupSaved, [](const QString& path) {
                CliOutput::message(InfoTexts::backupSavedNote(path));
            });
            QObject::connect(&writer, &SafeWriter::backupSkipped, [](const QString& file) {
                CliOutput::message(InfoTexts::noBackupNote(file));
            });
            DeviceOutcome outcome = co_await write(writer);
            co_return outcome;
        }));
    if (!r.ok()) {
        if (!r.fileIncomplete)
            CliOutput::message(failureText(r));
        return CliOutput::exitFor(r);
    }
    session.disconnectGauge();
    if (options.json)
        CliOutput::printJson({{"File", deviceFile},
                              {"Bytes", r.bytes},
                              {"Backup", r.backupPath},
                              {"Verified", true}});
    else
        CliOutput::printLine(pick("%1 Bytes in \"%2\" geschrieben und geprüft",
                                  "%1 bytes written into \"%2\" and verified")
                                 .arg(r.bytes)
                                 .arg(deviceFile));
    return ExitDone;
}

// Loads and checks a PC file completely before the first command; an exit code, 0 when usable.
int loadChecked(const QString& folder, const QString& name, QString& hex)
{
    const PcFileResult loaded = DeviceFiles::loadHexFile(folder, name);
    if (!loaded.ok) {
        CliOutput::message(loaded.description);
        return ExitFailed;
    }
    if (const DeviceOutcome confirmed = FileWriter::confirmData(loaded.hex, userDialogs());
        !confirmed.ok())
        return CliOutput::exitFor(confirmed);
    hex = loaded.hex;
    return ExitDone;
}
} // namespace

int upload(CliSession& session, const QString& folder, const QString& deviceFile)
{
    if (!isFolder(folder))
        return ExitUsage;
    QString hex;
    if (const int rc = loadChecked(folder, kProbeFile, hex); rc != ExitDone)
        return rc;
    return writeSafely(session, deviceFile,
                       [&](SafeWriter& w) { return w.write(deviceFile, hex); });
}

int restore(CliSession& session, const QString& path, const QString& deviceFile)
{
    const QFileInfo file(path);
    if (!file.isFile()) {
        CliOutput::message(pick("Keine Datei: %1", "Not a file: %1").arg(path));
        return ExitUsage;
    }
    QString hex;
    if (const int rc = loadChecked(file.absolutePath(), file.fileName(), hex); rc != ExitDone)
        return rc;
    return writeSafely(session, deviceFile, [&](SafeWriter& w) {
        return w.restore(file.absoluteFilePath(), deviceFile);
    });
}

} // namespace CliRecordCommands
