#include "cli/CliServiceCommands.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/LanguageProgress.h"
#include "link/CommandChannel.h"
#include "service/DeviceClock.h"
#include "service/LanguageFiles.h"
#include "service/LanguageTransfer.h"
#include "service/MemoryReset.h"
#include "service/ServiceTexts.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QEventLoop>
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

// A problem with the file on the PC is a failure; of the gauge's, only silence and a lost link
// are "no reply".
int exitForTransfer(const LanguageTransferResult& r)
{
    if (r.ok())
        return ExitDone;
    if (r.file != LanguageFileProblem::None)
        return ExitFailed;
    const TransferStatus status = r.device.status;
    return status == TransferStatus::NoReply || status == TransferStatus::LinkLost ? ExitNoReply
                                                                                   : ExitFailed;
}

} // namespace

namespace CliServiceCommands
{

int languages(CliSession& session, const QString& folder)
{
    QVector<LanguageFileEntry> entries;
    if (folder.isEmpty()) {
        entries = LanguageFiles::search(sharedState().ProgramFolder).entries;
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
    if (!file.isFile() || file.size() == 0) {
        LanguageTransferResult missing;
        missing.file = file.exists() && file.isFile() ? LanguageFileProblem::Empty
                                                      : LanguageFileProblem::Missing;
        missing.fileName = name;
        CliOutput::message(ServiceTexts::transferFailed(missing));
        return ExitFailed;
    }
    if (const int rc = session.connectGauge(); rc != ExitDone)
        return rc;
    LanguageTransfer transfer(session.channel());
    LanguageProgress display(session.channel(), transfer, file.size());
    const LanguageTransferResult r = QCoro::waitFor(
        transfer.run(file.absolutePath() + QLatin1Char('/'), name, session.cancelToken()));
    display.end(r.ok());
    if (!r.ok()) {
        CliOutput::message(ServiceTexts::transferFailed(r));
        return exitForTransfer(r);
    }
    session.disconnectGauge();
    if (session.options().json)
        CliOutput::printJson({{"File", r.fileName}, {"Bytes", r.bytes}, {"Chunks", r.chunk}});
    else
        CliOutput::printLine(ServiceTexts::transferSucceeded(r.fileName));
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
    const TransferResult r =
        QCoro::waitFor(MemoryReset(session.channel()).run(userDialogs(), session.cancelToken()));
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
    // The window's clock: a set (when asked), then reads until the first one answers or fails.
    DeviceClock clock(session.channel());
    QEventLoop loop;
    QString shown;
    WaitResult failure = WaitResult::Done;
    QObject::connect(&clock, &DeviceClock::timeSet, &loop,
                     [](const QString& t) { CliOutput::printLine(QStringLiteral("set ") + t); });
    QObject::connect(&clock, &DeviceClock::timeRead, &loop, [&](const QString& t) {
        shown = t;
        loop.quit();
    });
    QObject::connect(&clock, &DeviceClock::readFailed, &loop, [&](WaitResult why) {
        failure = why;
        loop.quit();
    });
    QObject::connect(session.cancelToken(), &CancelToken::cancelled, &loop, &QEventLoop::quit);
    if (set)
        clock.setTime();
    else
        clock.start();
    if (failure == WaitResult::Done && !session.cancelled())
        loop.exec();
    clock.stop();
    if (session.cancelled())
        return ExitFailed; // interrupted
    if (failure != WaitResult::Done) {
        CliOutput::message(ServiceTexts::clockReadFailed(failure));
        return CliSession::exitFor(failure);
    }
    CliOutput::printLine(shown);
    session.disconnectGauge();
    return ExitDone;
}

} // namespace CliServiceCommands
