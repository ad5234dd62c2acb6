#include "cli/CliRecordCommands.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/RecordJson.h"
#include "cli/RecordTable.h"
#include "info/DeviceFiles.h"
#include "info/DeviceRequest.h"
#include "info/FileWriter.h"
#include "info/InfoTexts.h"
#include "info/RecordReader.h"
#include "info/SafeWriter.h"
#include "state/SharedState.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <functional>

namespace
{
using CliOutput::pick;

// One record file as read from the gauge.
struct RecordRead {
    QString name;
    TransferResult result;
    DeviceRecordValues values;
    QString hex;
};

RecordRead readRecord(CliSession& session, const QString& name)
{
    RecordRead read{name, {}, {}, {}};
    read.result = RecordReader(session.channel()).Lese_Com(name);
    if (!read.result.ok()) {
        CliOutput::message(QStringLiteral("%1: %2").arg(name, InfoTexts::readFailed(read.result)));
        return read;
    }
    const SharedState& s = sharedState();
    read.values = s.Record;
    read.hex = s.FileHex;
    return read;
}

bool endsTheSession(const TransferResult& r)
{
    return r.status == TransferStatus::NoReply || r.status == TransferStatus::LinkLost ||
           r.status == TransferStatus::NotConnected;
}

// Reads "probe" and then, unless the link is gone, "factory". The exit code of the worse failure.
int readBoth(CliSession& session, RecordRead& probe, RecordRead& factory)
{
    const SharedState& s = sharedState();
    probe = readRecord(session, s.ProbeFileName);
    if (endsTheSession(probe.result))
        return CliOutput::exitFor(probe.result);
    factory = readRecord(session, s.FactoryFileName);
    return qMax(CliOutput::exitFor(probe.result), CliOutput::exitFor(factory.result));
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
    s.ReplyStatus = 55;
    const QString command = s.IdentityCommand + s.CommandTerminator;
    const WaitResult w =
        DeviceRequest(session.channel(), nullptr).send(command, s.IdentityCommand, [] {
            return !sharedState().Identity.Revision.isEmpty();
        });
    if (w != WaitResult::Done) {
        CliOutput::message(InfoTexts::failureReason(TransferResult::fromWait(w, command)));
        return CliSession::exitFor(w);
    }
    if (s.Identity.Revision.isEmpty()) {
        CliOutput::message(pick("Die Kennung des Geräts ist unvollständig.",
                                "The gauge's identity reply is incomplete."));
        return ExitFailed;
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
    RecordRead probe, factory;
    const int rc = readBoth(session, probe, factory);
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
    return rc;
}

int download(CliSession& session, const QString& folder)
{
    if (!isFolder(folder))
        return ExitUsage;
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    RecordRead probe, factory;
    // A download saves both files or none: half a copy would pass for a whole one.
    if (const int rc = readBoth(session, probe, factory); rc != ExitDone) {
        CliOutput::message(pick("Nichts gespeichert.", "Nothing saved."));
        return rc;
    }
    session.disconnectGauge();
    QJsonObject paths;
    for (const RecordRead* r : {&probe, &factory}) {
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
// Connects and runs one safe write (backup of the gauge's file, guard question, write, read
// back); exit 0 only when the read-back matches.
int writeSafely(CliSession& session, const QString& deviceFile,
                const std::function<SafeWriteResult(SafeWriter&)>& write)
{
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    SafeWriter writer(session.channel());
    if (!session.options().backupDir.isEmpty())
        writer.setBackupFolder(session.options().backupDir);
    QObject::connect(&writer, &SafeWriter::backupSaved, [](const QString& path) {
        CliOutput::message(InfoTexts::backupSavedNote(path));
    });
    QObject::connect(&writer, &SafeWriter::backupSkipped, [](const QString& file) {
        CliOutput::message(InfoTexts::noBackupNote(file));
    });
    const SafeWriteResult r = write(writer);
    if (!r.ok()) {
        CliOutput::message(r.declined() ? pick("Nichts geschrieben.", "Nothing written.")
                                        : InfoTexts::safeWriteFailed(r));
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
    if (const TransferResult confirmed = FileWriter::confirmData(loaded.hex); !confirmed.ok())
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
