#include "report/ServiceReportBuilder.h"

#include "history/HistoryTexts.h"
#include "info/CurvePoints.h"
#include "info/ViewTexts.h"
#include "report/ServiceReportTexts.h"
#include "state/RadioText.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QHash>

namespace T = ServiceReportTexts;

namespace
{
const QString kNone = QStringLiteral("–");

QLocale reportLocale()
{
    return sharedState().LanguageIndex == LanguageGerman
               ? QLocale(QLocale::German, QLocale::Germany)
               : QLocale(QLocale::English, QLocale::UnitedKingdom);
}

QString orNone(const QString& text)
{
    return text.isEmpty() ? kNone : RadioText::visible(text);
}

QString gaugeName(const GaugeSummary& g)
{
    return g.serial.isEmpty() ? g.mac : g.serial;
}

// The first and the last content of a file read during the visit (the backup read before a
// write, the read-back after it); empty snapshots when the file was not read.
struct FileReads {
    HistorySnapshot first;
    HistorySnapshot last;
    bool read() const { return last.id != 0; }
    bool changed() const { return read() && first.id != last.id; }
};

FileReads readsOf(const ServiceReportInput& in, const QString& file)
{
    QHash<qint64, HistorySnapshot> byId;
    for (const HistorySnapshot& s : in.snapshots)
        byId.insert(s.id, s);
    FileReads reads;
    for (const HistoryEvent& e : in.visit.events) {
        if (e.kind != HistoryEventKind::RecordRead || e.file != file ||
            !byId.contains(e.snapshotId))
            continue;
        if (!reads.read())
            reads.first = byId.value(e.snapshotId);
        reads.last = byId.value(e.snapshotId);
    }
    return reads;
}

QList<QPointF> curveOf(const HistorySnapshot& snapshot, int kind)
{
    const std::optional<DeviceRecordValues> values = CurvePoints::decoded(snapshot.hex);
    return values ? CurvePoints::of(*values, kind) : QList<QPointF>();
}

QList<ReportField> headerOf(const VisitSummary& v)
{
    const QString end = v.end.isValid() ? HistoryTexts::localTime(v.end) : kNone;
    return {{T::visitDate(), HistoryTexts::localTime(v.start)},
            {T::visitEnd(), end},
            {T::computer(), orNone(v.computer)},
            {T::technician(), orNone(v.user)},
            {T::program(), orNone(v.programVersion)}};
}

QString probeTypeOf(const FileReads& probe)
{
    const std::optional<DeviceRecordValues> values = CurvePoints::decoded(probe.last.hex);
    return values ? T::probeTypeValue(values->ProbeType) : kNone;
}

QList<ReportField> gaugeOf(const GaugeSummary& g, const FileReads& probe)
{
    return {{T::serialNumber(), orNone(g.serial)},
            {T::address(), orNone(g.mac)},
            {T::hardware(), orNone(g.hardware)},
            {T::controller(), orNone(g.controler)},
            {T::build(), orNone(g.build)},
            {T::revision(), orNone(g.revision)},
            {T::probeType(), probeTypeOf(probe)},
            {T::firstSeen(), HistoryTexts::localTime(g.firstSeen)}};
}

QList<ReportAction> actionsOf(const VisitSummary& v)
{
    QList<ReportAction> actions;
    const HistoryEvent* clockRead = nullptr;
    for (const HistoryEvent& e : v.events) {
        const HistoryEvent* before = e.kind == HistoryEventKind::ClockSet ? clockRead : nullptr;
        actions.append({e.at.toLocalTime().toString(QStringLiteral("hh:mm:ss")),
                        RadioText::visible(T::actionWhat(e)),
                        RadioText::visible(T::actionOutcome(e, before)), e.ok});
        if (e.kind == HistoryEventKind::ClockRead)
            clockRead = &e;
    }
    return actions;
}

ReportCalibration changedSection(const QString& file, const FileReads& reads)
{
    ReportCalibration c;
    c.caption = T::changedCaption(file);
    c.headers = T::changedHeaders();
    c.rows = SnapshotDiff::changes(reads.first, reads.last, reportLocale());
    for (int kind = 0; kind < CurvePoints::KindCount; ++kind) {
        c.curves[kind] = {curveOf(reads.first, kind), curveOf(reads.last, kind)};
        c.curveNames[kind] = {T::curveBefore(kind), T::curveAfter(kind)};
    }
    return c;
}

// The values as read, probe beside factory, drawn as the information window draws them.
ReportCalibration readSection(const FileReads& probe, const FileReads& factory)
{
    const SharedState& s = sharedState();
    ReportCalibration c;
    c.caption = T::readCaption();
    c.headers = T::readHeaders(s.ProbeFileName, s.FactoryFileName);
    c.rows = SnapshotDiff::fields(probe.last, factory.last, reportLocale());
    for (int kind = 0; kind < CurvePoints::KindCount; ++kind) {
        c.curves[kind] = {curveOf(probe.last, kind), curveOf(factory.last, kind)};
        c.curveNames[kind] = {ViewTexts::seriesName(kind, ViewTexts::Record::Probe),
                              ViewTexts::seriesName(kind, ViewTexts::Record::Factory)};
    }
    return c;
}

// The files the visit changed, each with its differences; else the values as read.
QList<ReportCalibration> calibrationOf(const FileReads& probe, const FileReads& factory)
{
    QList<ReportCalibration> sections;
    if (probe.changed())
        sections.append(changedSection(sharedState().ProbeFileName, probe));
    if (factory.changed())
        sections.append(changedSection(sharedState().FactoryFileName, factory));
    if (sections.isEmpty() && (probe.read() || factory.read()))
        sections.append(readSection(probe, factory));
    return sections;
}
} // namespace

namespace ServiceReportBuilder
{
ServiceReport build(const ServiceReportInput& in)
{
    const FileReads probe = readsOf(in, sharedState().ProbeFileName);
    const FileReads factory = readsOf(in, sharedState().FactoryFileName);
    const QString name = RadioText::visible(gaugeName(in.gauge));
    ServiceReport r;
    r.title = T::title();
    r.documentTitle =
        T::documentTitle(name, in.visit.start.toLocalTime().date().toString(Qt::ISODate));
    r.header = headerOf(in.visit);
    r.gaugeCaption = T::gaugeCaption();
    r.gauge = gaugeOf(in.gauge, probe);
    r.actionsCaption = T::actionsCaption();
    r.actionHeaders = T::actionHeaders();
    r.actions = actionsOf(in.visit);
    r.calibrationCaption = T::calibrationCaption();
    r.calibration = calibrationOf(probe, factory);
    if (r.calibration.isEmpty())
        r.calibrationNote = T::noRecordRead();
    r.outcome = VisitOutcome::of(in.visit.events);
    r.closing = T::closing(r.outcome);
    r.footer = T::footer(name, in.visit.programVersion);
    r.pageOf = T::pageOf();
    return r;
}
} // namespace ServiceReportBuilder
