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
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <functional>

namespace
{

// One record file as read from the gauge.
struct RecordRead {
    QString name;
    TransferResult result;
    DeviceRecordValues values;
    QString hex;
};

// Reads one record file; a failure is reported on standard error.
QCoro::Task<RecordRead> readRecord(CommandChannel& channel, const CancelToken* cancel, QString name)
{
    RecordReader reader(channel, cancel);
    const TransferResult result = co_await reader.Lese_Com(name);
    RecordRead read{name, result, {}, {}};
    if (!read.result.ok()) {
        CliOutput::message(QStringLiteral("%1: %2").arg(name, InfoTexts::readFailed(read.result)));
        co_return read;
    }
    const SharedState& s = sharedState();
    read.values = s.Record;
    read.hex = s.FileHex;
    co_return read;
}

bool endsTheSession(const TransferResult& r)
{
    return r.status == TransferStatus::NoReply || r.status == TransferStatus::LinkLost ||
           r.status == TransferStatus::NotConnected || r.status == TransferStatus::Cancelled;
}

// "probe" and "factory" as read, and the exit code of the worse failure.
struct BothReads {
    RecordRead probe;
    RecordRead factory;
    int exitCode = ExitDone;
};

// Reads "probe" and then, unless the link is gone or the run cancelled, "factory".
QCoro::Task<BothReads> readBoth(CliSession& session)
{
    const SharedState& s = sharedState();
    CommandChannel& channel = session.channel();
    BothReads both;
    const RecordRead probe = co_await readRecord(channel, session.cancelToken(), s.ProbeFileName);
    both.probe = probe;
    both.exitCode = CliOutput::exitFor(probe.result);
    if (endsTheSession(probe.result))
        co_return both;
    const RecordRead factory =
        co_await readRecord(channel, session.cancelToken(), s.FactoryFileName);
    both.factory = factory;
    both.exitCode = qMax(both.exitCode, CliOutput::exitFor(factory.result));
    co_return both;
}

void printTable(const RecordRead& read)
{
    for (const QString& line : RecordTable::lines(read.values, read.name, QLocale()))
        CliOutput::printLine(line);
}

QJsonObject recordObject(const RecordRead& read)
{
    QJsonObject o = RecordJson::record(read.values);
    o.insert(QStringLiteral("Hex"), read.hex);
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
    SharedState& s = sharedState();
    s.Identity = IdentityFields();
    const TransferResult r =
        QCoro::waitFor(requestIdentity(session.channel(), session.cancelToken()));
    if (r.status == TransferStatus::GaugeError && !r.garbled) {
        CliOutput::message(pick("Die Kennung des Geräts ist unvollständig.",
                                "The gauge's identity reply is incomplete."));
        return ExitFailed;
    }
    if (!r.ok()) {
        CliOutput::message(InfoTexts::failureReason(r));
        return CliOutput::exitFor(r);
    }
    const IdentityFields& id = s.Identity;
    if (session.options().json)
        CliOutput::printJson(RecordJson::identity(id));
    else
        CliOutput::printLine(RecordTable::identityLines(id));
    session.disconnectGauge();
    return ExitDone;
}

int read(CliSession& session)
{
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    const BothReads both = QCoro::waitFor(readBoth(session));
    const RecordRead& probe = both.probe;
    const RecordRead& factory = both.factory;
    if (session.options().json) {
        QJsonObject o;
        for (const RecordRead* r : {&probe, &factory}) {
            if (r->result.ok() && !r->name.isEmpty())
                o.insert(r->name, recordObject(*r));
        }
        if (probe.result.ok())
            o.insert(QStringLiteral("Identity"), RecordJson::identity(sharedState().Identity));
        CliOutput::printJson(o);
    } else {
        if (probe.result.ok())
            printTable(probe);
        if (probe.result.ok() && factory.result.ok())
            CliOutput::printLine(QString());
        if (factory.result.ok() && !factory.name.isEmpty())
            printTable(factory);
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
    const BothReads both = QCoro::waitFor(readBoth(session));
    if (both.exitCode != ExitDone) {
        CliOutput::message(pick("Nichts gespeichert.", "Nothing saved."));
        return both.exitCode;
    }
    session.disconnectGauge();
    QJsonObject paths;
    for (const RecordRead* r : {&both.probe, &both.factory}) {
        const PcFileResult saved = DeviceFiles::saveHexFile(folder, r->name, r->hex);
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
// What zvctl says about a safe write that did not succeed.
QString failureText(const SafeWriteResult& r)
{
    if (r.leftIncomplete())
        return InfoTexts::incompleteWrite(
            r, pick("Zurückschreiben: zvctl --yes restore \"%1\" --to %2",
                    "To restore it: zvctl --yes restore \"%1\" --to %2")
                   .arg(QFileInfo(r.backupPath).absoluteFilePath(), r.deviceFile));
    if (r.declined())
        return pick("Nichts geschrieben.", "Nothing written.");
    if (r.cancelled() && !r.gaugeTouched())
        return pick("Abgebrochen, nichts geschrieben.", "Cancelled, nothing written.");
    return InfoTexts::safeWriteFailed(r);
}

// Connects and runs one safe write (backup of the gauge's file, guard question, write, read
// back); exit 0 only when the read-back matches.
int writeSafely(CliSession& session, const QString& deviceFile,
                const std::function<QCoro::Task<SafeWriteResult>(SafeWriter&)>& write)
{
    const QString backupDir = session.options().backupDir;
    if (!backupDir.isEmpty() && !QDir().mkpath(backupDir)) {
        CliOutput::message(pick("Der Ordner für Sicherungen kann nicht angelegt werden: %1",
                                "The folder for backups cannot be created: %1")
                               .arg(backupDir));
        return ExitFailed;
    }
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    SafeWriter writer(session.channel(), userDialogs(), session.cancelToken());
    if (!backupDir.isEmpty())
        writer.setBackupFolder(backupDir);
    QObject::connect(&writer, &SafeWriter::backupSaved, [](const QString& path) {
        CliOutput::message(InfoTexts::backupSavedNote(path));
    });
    QObject::connect(&writer, &SafeWriter::backupSkipped, [](const QString& file) {
        CliOutput::message(InfoTexts::noBackupNote(file));
    });
    const SafeWriteResult r = QCoro::waitFor(write(writer));
    if (!r.ok()) {
        CliOutput::message(failureText(r));
        return CliOutput::exitFor(r.asTransfer());
    }
    session.disconnectGauge();
    if (session.options().json)
        CliOutput::printJson({{"File", deviceFile},
                              {"Bytes", r.writtenBytes},
                              {"Backup", r.backupPath},
                              {"Verified", true}});
    else
        CliOutput::printLine(pick("%1 Bytes in \"%2\" geschrieben und geprüft",
                                  "%1 bytes written into \"%2\" and verified")
                                 .arg(r.writtenBytes)
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
    if (const TransferResult confirmed = FileWriter::confirmData(loaded.hex, userDialogs());
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
    if (const int rc = loadChecked(folder, sharedState().ProbeFileName, hex); rc != ExitDone)
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
