#include "history/HistoryRecorder.h"

#include "history/HistoryStorePrivate.h"
#include "history/HistoryWriter.h"
#include "link/GaugeProtocol.h"
#include "state/ProgramIdentity.h"

namespace
{
HistoryEvent eventOf(HistoryEventKind kind, const QString& file = {}, bool ok = true,
                     const QString& detail = {})
{
    HistoryEvent e;
    e.kind = kind;
    e.file = file;
    e.ok = ok;
    e.detail = detail;
    return e;
}

bool isRecordFile(const QString& file)
{
    return file == GaugeProtocol::kProbeFile || file == GaugeProtocol::kFactoryFile;
}

// The gauge's clock text "YYYY-MM-DD/hh:mm:ss"; invalid for anything else.
QDateTime gaugeTimeOf(const QString& text)
{
    return QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd/HH:mm:ss"));
}
} // namespace

HistoryRecorder::HistoryRecorder(HistoryWriter& writer) : m_writer(writer) {}

HistoryRecorder::~HistoryRecorder()
{
    visitEnded();
}

void HistoryRecorder::endVisitForNewHistory()
{
    visitEnded();
    m_visitKey.clear();
}

void HistoryRecorder::report(HistoryReport r)
{
    if (m_visitKey.isEmpty()) {
        m_visitKey = historyNewKey();
        m_visitOpen = true;
    }
    r.visitKey = m_visitKey;
    r.mac = m_mac;
    r.programVersion = QString::fromUtf16(ProgramIdentity::kVersion);
    r.at = QDateTime::currentDateTimeUtc();
    m_writer.enqueue(std::move(r));
}

void HistoryRecorder::report(HistoryReport::Kind kind, const HistoryEvent& event,
                             const QString& hex)
{
    HistoryReport r;
    r.kind = kind;
    r.event = event;
    r.hex = hex.toUpper();
    r.probe = kind == HistoryReport::Kind::Read && event.file == GaugeProtocol::kProbeFile;
    report(std::move(r));
}

void HistoryRecorder::visitStarted(const QString& mac)
{
    visitEnded();
    m_visitKey = historyNewKey();
    m_visitOpen = true;
    m_mac = mac;
    HistoryReport r;
    r.kind = HistoryReport::Kind::VisitStart;
    r.visitKey = m_visitKey;
    r.mac = mac;
    r.programVersion = QString::fromUtf16(ProgramIdentity::kVersion);
    r.at = QDateTime::currentDateTimeUtc();
    m_writer.enqueue(std::move(r));
}

// The key stays: a report that arrives after the link went down (a reset drops it) belongs to
// the visit that just ended.
void HistoryRecorder::visitEnded()
{
    if (!std::exchange(m_visitOpen, false))
        return;
    HistoryReport r;
    r.kind = HistoryReport::Kind::VisitEnd;
    r.visitKey = m_visitKey;
    r.at = QDateTime::currentDateTimeUtc();
    m_writer.enqueue(std::move(r));
}

void HistoryRecorder::identityRead(const IdentityFields& id)
{
    HistoryReport r;
    r.kind = HistoryReport::Kind::Identity;
    r.identity = id;
    r.event = eventOf(HistoryEventKind::Identity, {}, true,
                      QStringLiteral("H:%1 V:%2 B:%3 R:%4 M:%5")
                          .arg(id.Hardware, id.Controler, id.Build, id.Revision, id.Mac));
    report(std::move(r));
}

void HistoryRecorder::recordRead(const QString& file, const QString& hex)
{
    if (!isRecordFile(file))
        return;
    HistoryEvent e = eventOf(HistoryEventKind::RecordRead, file);
    e.bytes = hex.size() / 2;
    report(HistoryReport::Kind::Read, e, hex);
}

// From a write of the probe file on, what is read from it no longer names the visit's gauge.
void HistoryRecorder::fileWriteStarting(const QString& file)
{
    if (file == GaugeProtocol::kProbeFile)
        report(HistoryReport::Kind::WriteStarting, eventOf(HistoryEventKind::Write, file));
}

void HistoryRecorder::backupSaved(const QString& file, const QString& path)
{
    HistoryEvent e = eventOf(HistoryEventKind::Backup, file);
    e.path = path;
    report(HistoryReport::Kind::Event, e);
}

void HistoryRecorder::fileWritten(const QString& file, const QString& hex, bool verified,
                                  int differingByte, const QString& backupPath,
                                  const QString& detail)
{
    HistoryEvent e = eventOf(HistoryEventKind::Write, file, verified, detail);
    e.path = backupPath;
    e.differingByte = differingByte;
    e.bytes = hex.size() / 2;
    report(HistoryReport::Kind::Write, e, hex);
}

void HistoryRecorder::backupRestored(const QString& file, const QString& backupPath, bool ok,
                                     const QString& detail)
{
    HistoryEvent e = eventOf(HistoryEventKind::Restore, file, ok, detail);
    e.path = backupPath;
    report(HistoryReport::Kind::Event, e);
}

void HistoryRecorder::languageFileSent(const QString& name, qint64 bytes, bool ok,
                                       const QString& detail)
{
    HistoryEvent e = eventOf(HistoryEventKind::LanguageFile, name, ok, detail);
    e.bytes = bytes;
    report(HistoryReport::Kind::Event, e);
}

void HistoryRecorder::memoryReset(bool ok, const QString& detail)
{
    report(HistoryReport::Kind::Event, eventOf(HistoryEventKind::Reset, {}, ok, detail));
}

void HistoryRecorder::clockRead(const QString& gaugeTimeText, const QDateTime& pcTime)
{
    HistoryEvent e = eventOf(HistoryEventKind::ClockRead, {}, true, gaugeTimeText);
    e.gaugeTime = gaugeTimeOf(gaugeTimeText);
    e.pcTime = pcTime;
    e.ok = e.gaugeTime.isValid();
    report(HistoryReport::Kind::Event, e);
}

void HistoryRecorder::clockSet(const QString& timeText)
{
    HistoryEvent e = eventOf(HistoryEventKind::ClockSet, {}, true, timeText);
    e.pcTime = gaugeTimeOf(timeText);
    report(HistoryReport::Kind::Event, e);
}

void HistoryRecorder::batteryRead(double level)
{
    report(HistoryReport::Kind::Event,
           eventOf(HistoryEventKind::Battery, {}, true, QString::number(level)));
}
