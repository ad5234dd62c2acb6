#include "history/HistoryRecorder.h"

#include "history/HistoryStorePrivate.h"
#include "history/HistoryWrites.h"
#include "info/RecordDecoder.h"
#include "link/GaugeProtocol.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"

namespace
{
QDateTime now()
{
    return QDateTime::currentDateTimeUtc();
}

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

HistoryRecorder::HistoryRecorder(HistoryStore& store, Warning warning)
    : m_store(store), m_warning(std::move(warning))
{
}

HistoryRecorder::~HistoryRecorder()
{
    if (m_visitOpen)
        visitEnded();
}

HistoryOpenResult HistoryRecorder::open(const QString& location)
{
    // A visit under way ends in the history it began in; the next report starts it anew.
    if (m_visitOpen)
        visitEnded();
    m_visitId = m_gaugeId = 0;
    const HistoryOpenResult r = m_store.open(location);
    if (!r.movedAside.isEmpty())
        warn(QStringLiteral("the history was damaged: moved to %1, a new one started")
                 .arg(r.movedAside));
    if (!r.ok)
        warn(QStringLiteral("no history: %1; the service work goes on without it").arg(r.error));
    return r;
}

void HistoryRecorder::warn(const QString& text)
{
    qCInfo(zvHistory) << text;
    AppendServiceLog(QStringLiteral("History: ") + text);
    if (m_warning)
        m_warning(text);
}

void HistoryRecorder::record(const QString& what, const std::function<bool()>& step)
{
    if (!m_store.isOpen())
        return;
    const qint64 gauge = m_gaugeId, visit = m_visitId;
    const bool open = m_visitOpen;
    if (m_store.d->inTransaction(step)) {
        m_failing = false;
        return;
    }
    m_gaugeId = gauge; // what the failed transaction made is gone
    m_visitId = visit;
    m_visitOpen = open;
    const QString text =
        QStringLiteral("%1 not recorded in the history: %2").arg(what, m_store.lastError());
    if (std::exchange(m_failing, true)) {
        qCInfo(zvHistory) << text;
        AppendServiceLog(QStringLiteral("History: ") + text);
        return;
    }
    warn(text);
}

bool HistoryRecorder::ensureVisit(const QString& mac)
{
    if (m_visitId != 0)
        return true;
    m_gaugeId = HistoryWrites::gaugeForMac(*m_store.d, mac, now());
    m_serialSettled = false;
    if (m_gaugeId != 0)
        m_visitId = HistoryWrites::startVisit(*m_store.d, m_gaugeId, now());
    m_visitOpen = m_visitId != 0;
    return m_visitOpen;
}

void HistoryRecorder::recordEvent(HistoryEvent event)
{
    record(historyEventKindName(event.kind), [&] {
        if (!ensureVisit(m_mac))
            return false;
        event.visitId = m_visitId;
        event.at = now();
        return HistoryWrites::addEvent(*m_store.d, event);
    });
}

void HistoryRecorder::visitStarted(const QString& mac)
{
    if (m_visitOpen)
        visitEnded();
    m_visitId = m_gaugeId = 0;
    m_mac = mac;
    record(QStringLiteral("visit"), [&] { return ensureVisit(mac); });
}

// The ids stay: a report that arrives after the link went down (a reset drops it) belongs to
// the visit that just ended.
void HistoryRecorder::visitEnded()
{
    if (!std::exchange(m_visitOpen, false))
        return;
    record(QStringLiteral("visit end"),
           [&] { return HistoryWrites::endVisit(*m_store.d, m_visitId, now()); });
    m_store.d->checkpoint();
}

void HistoryRecorder::identityRead(const IdentityFields& id)
{
    record(QStringLiteral("identity"), [&] {
        if (!ensureVisit(m_mac) || !HistoryWrites::setIdentity(*m_store.d, m_gaugeId, id))
            return false;
        HistoryEvent e =
            eventOf(HistoryEventKind::Identity, {}, true,
                    QStringLiteral("H:%1 V:%2 B:%3 R:%4 M:%5")
                        .arg(id.Hardware, id.Controler, id.Build, id.Revision, id.Mac));
        e.visitId = m_visitId;
        e.at = now();
        return HistoryWrites::addEvent(*m_store.d, e);
    });
}

// The first probe record read in a visit names the gauge, unless the probe file was written
// before: that record (a read-back) carries the data written, perhaps another gauge's serial
// after a Yes, but the visit is still with the gauge that is connected. Later records do not
// name it either.
bool HistoryRecorder::adoptSerialOf(const QString& hex)
{
    if (m_serialSettled)
        return true;
    DeviceRecordValues values;
    if (!decodeRecord(hex, values).ok || values.SerialNumber == 0)
        return true;
    const qint64 gauge = HistoryWrites::gaugeForSerial(*m_store.d, m_gaugeId, m_visitId,
                                                       QString::number(values.SerialNumber), now());
    if (gauge != 0)
        m_gaugeId = gauge;
    m_serialSettled = gauge != 0;
    return gauge != 0;
}

void HistoryRecorder::recordRead(const QString& file, const QString& hex)
{
    if (!isRecordFile(file))
        return;
    record(QStringLiteral("read"), [&] {
        if (!ensureVisit(m_mac))
            return false;
        if (file == GaugeProtocol::kProbeFile && !adoptSerialOf(hex))
            return false;
        HistoryEvent e = eventOf(HistoryEventKind::RecordRead, file);
        e.snapshotId =
            HistoryWrites::snapshotFor(*m_store.d, m_gaugeId, file, hex.toUpper(), now());
        e.bytes = hex.size() / 2;
        e.visitId = m_visitId;
        e.at = now();
        return e.snapshotId != 0 && HistoryWrites::addEvent(*m_store.d, e);
    });
}

// A write of the probe file settles the visit's gauge as it is now: by the serial read before
// it, else by the gauge's address.
void HistoryRecorder::fileWriteStarting(const QString& file)
{
    if (file != GaugeProtocol::kProbeFile)
        return;
    record(QStringLiteral("write"), [&] { return ensureVisit(m_mac); });
    m_serialSettled = true;
}

void HistoryRecorder::backupSaved(const QString& file, const QString& path)
{
    HistoryEvent e = eventOf(HistoryEventKind::Backup, file);
    e.path = path;
    recordEvent(e);
}

void HistoryRecorder::fileWritten(const QString& file, const QString& hex, bool verified,
                                  int differingByte, const QString& backupPath,
                                  const QString& detail)
{
    record(QStringLiteral("write"), [&] {
        if (!ensureVisit(m_mac))
            return false;
        HistoryEvent e = eventOf(HistoryEventKind::Write, file, verified, detail);
        e.path = backupPath;
        e.differingByte = differingByte;
        e.bytes = hex.size() / 2;
        e.snapshotId =
            HistoryWrites::snapshotFor(*m_store.d, m_gaugeId, file, hex.toUpper(), now());
        e.visitId = m_visitId;
        e.at = now();
        return e.snapshotId != 0 && HistoryWrites::addEvent(*m_store.d, e);
    });
}

void HistoryRecorder::backupRestored(const QString& file, const QString& backupPath, bool ok,
                                     const QString& detail)
{
    HistoryEvent e = eventOf(HistoryEventKind::Restore, file, ok, detail);
    e.path = backupPath;
    recordEvent(e);
}

void HistoryRecorder::languageFileSent(const QString& name, qint64 bytes, bool ok,
                                       const QString& detail)
{
    HistoryEvent e = eventOf(HistoryEventKind::LanguageFile, name, ok, detail);
    e.bytes = bytes;
    recordEvent(e);
}

void HistoryRecorder::memoryReset(bool ok, const QString& detail)
{
    recordEvent(eventOf(HistoryEventKind::Reset, {}, ok, detail));
}

void HistoryRecorder::clockRead(const QString& gaugeTimeText, const QDateTime& pcTime)
{
    HistoryEvent e = eventOf(HistoryEventKind::ClockRead, {}, true, gaugeTimeText);
    e.gaugeTime = gaugeTimeOf(gaugeTimeText);
    e.pcTime = pcTime;
    e.ok = e.gaugeTime.isValid();
    recordEvent(e);
}

void HistoryRecorder::clockSet(const QString& timeText)
{
    HistoryEvent e = eventOf(HistoryEventKind::ClockSet, {}, true, timeText);
    e.pcTime = gaugeTimeOf(timeText);
    recordEvent(e);
}

void HistoryRecorder::batteryRead(double level)
{
    recordEvent(eventOf(HistoryEventKind::Battery, {}, true, QString::number(level)));
}
