#include "cli/CliServiceCommands.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/LanguageProgress.h"
#include "service/DeviceClock.h"
#include "service/LanguageFiles.h"
#include "service/LanguageTransfer.h"
#include "service/MemoryReset.h"
#include "service/ServiceTexts.h"
#include "state/RadioText.h"
#include "state/ServiceJournal.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QCoroTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace
{

// The name a language file must have on the gauge: "l" + a known code, nothing else.
bool isLanguageFileName(const QString& name)
{
    QString file = name;
    QString language = LanguageFiles::DateinameUmsetzen(file);
    return !language.isEmpty() &&
           QStringLiteral("l") + LanguageFiles::SpracheUmsetzen(language) == name;
}

} // namespace

namespace CliServiceCommands
{

int languages(CliSession& session, const QString& folder)
{
    QVector<LanguageFileEntry> entries;
    if (folder.isEmpty()) {
        entries = LanguageFiles::search(session.options().programFolder).entries;
    } else if (QFileInfo(folder).isDir()) {
        entries = LanguageFiles::listFolder(folder);
    } else {
        CliOutput::message(pick("Kein Ordner: %1", "not a folder: %1").arg(folder));
        return ExitUsage;
    }
    if (session.options().json) {
        QJsonArray list;
        for (const LanguageFileEntry& e : entries)
            list.append(QJsonObject{{"File", e.fileName}, {"Language", e.languageName}});
        CliOutput::printJson({{"Languages", list}});
    } else {
        for (const LanguageFileEntry& e : entries)
            CliOutput::printLine(e.fileName + QLatin1Char('\t') + e.languageName);
    }
    if (entries.isEmpty())
        CliOutput::message(pick("Keine Sprachdatei gefunden.", "No language file found."));
    return ExitDone;
}

int sendLanguage(CliSession& session, const QString& path)
{
    const QFileInfo file(path);
    const QString name = file.fileName();
    if (!isLanguageFileName(name)) {
        CliOutput::message(pick("%1 ist kein Name einer Sprachdatei (\"l\" und ein Sprachkürzel, "
                                "z. B. lDE); so würde das Gerät die Datei nicht finden.",
                                "%1 is not a language file name (\"l\" and a language code, e.g. "
                                "lDE); the gauge would not find the file under it.")
                               .arg(name));
        return ExitUsage;
    }
    // A missing or empty file is known before the link is made (the transfer checks it again).
    if (const DeviceOutcome checked = LanguageTransfer::checkFile(file.absoluteFilePath());
        !checked.ok()) {
        CliOutput::message(ServiceTexts::transferFailed(checked));
        return ExitFailed;
    }
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    std::unique_ptr<LanguageTransfer> transfer;
    std::unique_ptr<LanguageProgress> display;
    const QString folder = file.absolutePath() + QLatin1Char('/');
    const DeviceOutcome r = session.run(Sequence<DeviceOutcome>([&](SequenceContext run) {
        transfer =
            std::make_unique<LanguageTransfer>(*run.session, session.options().programFolder);
        display =
            std::make_unique<LanguageProgress>(run.session->channel(), *transfer, file.size());
        return transfer->run(folder, name, &run.cancel);
    }));
    if (display)
        display->end(r.ok());
    if (!r.ok()) {
        CliOutput::message(ServiceTexts::transferFailed(r));
        return CliOutput::exitFor(r);
    }
    session.disconnectGauge();
    if (session.options().json)
        CliOutput::printJson({{"File", r.file}, {"Bytes", r.bytes}, {"Chunks", r.chunk}});
    else
        CliOutput::printLine(ServiceTexts::transferSucceeded(r.file));
    return ExitDone;
}

int reset(CliSession& session, bool confirmed)
{
    if (!confirmed) {
        CliOutput::message(
            pick("Der Speicher-Reset löscht das Gerät: nur mit --yes. Nichts gesendet.",
                 "The memory reset erases the gauge: only with --yes. Nothing sent."));
        return ExitUsage;
    }
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    const DeviceOutcome r =
        session.run(Sequence<DeviceOutcome>([](SequenceContext run) -> QCoro::Task<DeviceOutcome> {
            MemoryReset reset(*run.session);
            DeviceOutcome outcome = co_await reset.run(userDialogs(), &run.cancel);
            co_return outcome;
        }));
    const QString text = ServiceTexts::resetOutcome(r);
    session.disconnectGauge();
    if (r.ok())
        CliOutput::printLine(text);
    else
        CliOutput::message(text);
    return CliOutput::exitFor(r);
}

int time(CliSession& session, bool set)
{
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    // The window's clock: a set (when asked) and its pause, then a read.
    const DeviceResult<QString> r = session.run(Sequence<DeviceResult<QString>>(
        [set](SequenceContext run) -> QCoro::Task<DeviceResult<QString>> {
            if (set) {
                const DeviceResult<QString> sent = DeviceClock::setClock(*run.session);
                if (!sent.ok())
                    co_return sent;
                run.session->journal().clockSet(*sent.value);
                CliOutput::printLine(QStringLiteral("set ") + *sent.value);
                co_await QCoro::sleepFor(std::chrono::milliseconds(DeviceClock::kSetPauseMs));
            }
            DeviceResult<QString> read = co_await DeviceClock::readClock(*run.session, &run.cancel);
            if (read.ok())
                run.session->journal().clockRead(*read.value, QDateTime::currentDateTime());
            co_return read;
        }));
    if (r.outcome.failure == DeviceFailure::Cancelled)
        return ExitFailed; // interrupted
    if (!r.ok()) {
        CliOutput::message(ServiceTexts::clockReadFailed(r.outcome));
        return CliOutput::exitFor(r.outcome);
    }
    CliOutput::printLine(RadioText::visible(*r.value));
    session.disconnectGauge();
    return ExitDone;
}

} // namespace CliServiceCommands
