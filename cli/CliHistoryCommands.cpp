#include "cli/CliHistoryCommands.h"

#include "cli/CliHistoryText.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "history/HistoryService.h"
#include "history/HistoryTexts.h"
#include "history/SnapshotDiff.h"
#include "report/ServiceReportBuilder.h"
#include "report/ServiceReportDocument.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QFileInfo>
#include <QJsonArray>

namespace
{

int listGauges(const HistoryStore& store, bool json)
{
    const QList<GaugeSummary> gauges = store.gauges();
    if (json) {
        QJsonArray list;
        for (const GaugeSummary& g : gauges)
            list.append(CliHistoryText::gaugeJson(g));
        CliOutput::printJson({{"Gauges", list}});
    } else {
        for (const GaugeSummary& g : gauges)
            CliOutput::printLine(CliHistoryText::gaugeLine(g));
    }
    if (gauges.isEmpty())
        CliOutput::message(
            pick("Noch kein Gerät in der Historie.", "No gauge in the history yet."));
    return ExitDone;
}

std::optional<GaugeSummary> findGauge(const HistoryStore& store, const QString& serial)
{
    std::optional<GaugeSummary> gauge = store.gauge(serial);
    if (!gauge)
        CliOutput::message(
            pick("Kein Gerät %1 in der Historie.", "No gauge %1 in the history.").arg(serial));
    return gauge;
}

int showGauge(const HistoryStore& store, const QString& serial, bool json)
{
    const std::optional<GaugeSummary> gauge = findGauge(store, serial);
    if (!gauge)
        return ExitFailed;
    const QList<VisitSummary> visits = store.visits(gauge->id);
    if (json) {
        QJsonArray list;
        for (const VisitSummary& v : visits)
            list.append(CliHistoryText::visitJson(v));
        CliOutput::printJson({{"Gauge", CliHistoryText::gaugeJson(*gauge)}, {"Visits", list}});
        return ExitDone;
    }
    CliOutput::printLine(CliHistoryText::gaugeLine(*gauge));
    for (const VisitSummary& v : visits)
        CliOutput::printLine(CliHistoryText::visitLines(v).join(QLatin1Char('\n')));
    return ExitDone;
}

// The pairs to compare: the two snapshots named, or per file its last two.
QList<QPair<HistorySnapshot, HistorySnapshot>> pairsOf(const QList<HistorySnapshot>& all,
                                                       const QStringList& ids)
{
    QList<QPair<HistorySnapshot, HistorySnapshot>> pairs;
    if (ids.size() == 2) {
        auto byId = [&](const QString& id) {
            for (const HistorySnapshot& s : all) {
                if (QString::number(s.id) == id)
                    return std::optional<HistorySnapshot>(s);
            }
            return std::optional<HistorySnapshot>();
        };
        const auto a = byId(ids[0]), b = byId(ids[1]);
        if (a && b && a->file == b->file)
            pairs.append({*a, *b});
        return pairs;
    }
    for (const char* file : {"probe", "factory"}) {
        QList<HistorySnapshot> ofFile;
        for (const HistorySnapshot& s : all) {
            if (s.file == QLatin1String(file))
                ofFile.append(s);
        }
        if (ofFile.size() >= 2)
            pairs.append({ofFile.at(ofFile.size() - 2), ofFile.last()});
    }
    return pairs;
}

int diff(const HistoryStore& store, const QString& serial, const QStringList& ids, bool json)
{
    const std::optional<GaugeSummary> gauge = findGauge(store, serial);
    if (!gauge)
        return ExitFailed;
    const auto pairs = pairsOf(store.snapshots(gauge->id), ids);
    if (pairs.isEmpty()) {
        CliOutput::message(ids.isEmpty() ? pick("Keine zwei verschiedenen Stände einer Datei.",
                                                "No two different contents of a file.")
                                         : pick("Keine zwei Stände derselben Datei dieses Geräts.",
                                                "Not two snapshots of one file of this gauge."));
        return ExitFailed;
    }
    QJsonArray files;
    for (const auto& [before, after] : pairs) {
        const QList<FieldChange> changes = SnapshotDiff::changes(before, after, QLocale());
        if (json)
            files.append(CliHistoryText::diffJson(before, after, changes));
        else
            CliOutput::printLine(CliHistoryText::diffLines(before, after, changes).join('\n'));
    }
    if (json)
        CliOutput::printJson({{"Serial", gauge->serial}, {"Files", files}});
    return ExitDone;
}

int printWritten(const QString& path, bool json)
{
    const QString written = QFileInfo(path).absoluteFilePath();
    if (json)
        CliOutput::printJson({{"File", written}});
    else
        CliOutput::printLine(written);
    return ExitDone;
}

int exportCsv(const HistoryStore& store, const QString& path, bool json)
{
    if (!store.exportCsv(path)) {
        CliOutput::message(
            pick("Export fehlgeschlagen: %1", "export failed: %1").arg(store.lastError()));
        return ExitFailed;
    }
    return printWritten(path, json);
}

int usage(const QString& why = {})
{
    CliOutput::message(
        QStringLiteral("zvctl: %1history [SERIAL | diff SERIAL [SNAPSHOT SNAPSHOT] | "
                       "export FILE.csv | report SERIAL [VISIT] FILE.pdf]; see zvctl --help")
            .arg(why.isEmpty() ? QString() : why + QStringLiteral("; ")));
    return ExitUsage;
}

// args: SERIAL [VISIT] FILE.pdf, already checked.
int report(const HistoryStore& store, const QStringList& args, bool json,
           const QString& programFolder)
{
    const QString serial = args.first();
    const qint64 visit = args.size() == 3 ? args.at(1).toLongLong() : 0;
    const ServiceReportSource::Result found = ServiceReportSource::load(store, serial, visit);
    if (found.problem == ServiceReportSource::Problem::UnknownGauge) {
        CliOutput::message(
            pick("Kein Gerät %1 in der Historie.", "No gauge %1 in the history.").arg(serial));
        return ExitFailed;
    }
    if (found.problem == ServiceReportSource::Problem::UnknownVisit) {
        CliOutput::message(pick("Kein Besuch %1 des Geräts %2 in der Historie.",
                                "No visit %1 of gauge %2 in the history.")
                               .arg(args.size() == 3 ? args.at(1) : QStringLiteral("-"), serial));
        return ExitFailed;
    }
    const ServiceReportDocument document(
        ServiceReportBuilder::build(found.input),
        ServiceReportDocument::logoIn(programFolder));
    if (!document.writePdf(args.last())) {
        CliOutput::message(
            pick("Bericht nicht geschrieben: %1", "report not written: %1").arg(args.last()));
        return ExitFailed;
    }
    return printWritten(args.last(), json);
}

// The reason report's words are wrong, or empty: SERIAL [VISIT] FILE.pdf.
QString reportArgumentsWrong(const QStringList& args)
{
    if (args.size() != 2 && args.size() != 3)
        return QStringLiteral("history report needs SERIAL [VISIT] FILE.pdf");
    bool number = true;
    if (args.size() == 3 && (args.at(1).toLongLong(&number) <= 0 || !number))
        return QStringLiteral(
            "the visit must be a visit's number (zvctl history SERIAL lists them)");
    if (!args.last().endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return QStringLiteral("the report's file must end in .pdf");
    return {};
}

// A subcommand with the right number of words: report SERIAL [VISIT] FILE.pdf is checked apart.
bool wellFormed(const QStringList& args)
{
    const QString first = args.value(0);
    const int n = int(args.size());
    if (first == QLatin1String("diff"))
        return n == 2 || n == 4;
    if (first == QLatin1String("export"))
        return n == 2;
    return n <= 1;
}

int runOn(const HistoryStore& store, const QStringList& args, bool json,
          const QString& programFolder)
{
    const QString first = args.value(0);
    if (first == QLatin1String("report"))
        return report(store, args.mid(1), json, programFolder);
    if (args.isEmpty())
        return listGauges(store, json);
    if (first == QLatin1String("diff"))
        return diff(store, args.at(1), args.mid(2), json);
    if (first == QLatin1String("export"))
        return exportCsv(store, args.at(1), json);
    return showGauge(store, first, json);
}
} // namespace

namespace CliHistoryCommands
{

int run(HistoryService& history, const QStringList& args, bool json,
        const QString& programFolder)
{
    if (args.value(0) == QLatin1String("report")) {
        if (const QString wrong = reportArgumentsWrong(args.mid(1)); !wrong.isEmpty())
            return usage(wrong);
    } else if (!wellFormed(args)) {
        return usage();
    }
    if (!history.store().isOpen())
        return ExitFailed; // the history has said why
    const bool shared = !history.syncStatus().server.isEmpty();
    if (shared)
        history.synchronise(kSyncBoundMs);
    const int rc = runOn(history.store(), args, json, programFolder);
    if (shared)
        CliOutput::message(HistoryTexts::syncLine(history.syncStatus(), history.store().backlog()));
    return rc;
}

} // namespace CliHistoryCommands
