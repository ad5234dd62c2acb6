// HistoryStore::exportCsv: one line per event, with its gauge and visit.
#include "history/HistoryStore.h"
#include "history/HistoryStorePrivate.h"

#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

namespace
{
const QStringList kHeader = {QStringLiteral("serial"),   QStringLiteral("mac"),
                             QStringLiteral("visit"),    QStringLiteral("visit_start"),
                             QStringLiteral("computer"), QStringLiteral("user"),
                             QStringLiteral("time"),     QStringLiteral("kind"),
                             QStringLiteral("file"),     QStringLiteral("ok"),
                             QStringLiteral("detail"),   QStringLiteral("path"),
                             QStringLiteral("bytes"),    QStringLiteral("differing_byte"),
                             QStringLiteral("snapshot"), QStringLiteral("gauge_time"),
                             QStringLiteral("pc_time"),  QStringLiteral("drift_s")};

// A spreadsheet reads a cell that begins with one of these as a formula (or strips it).
bool looksLikeFormula(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[-+]?[0-9]+(\\.[0-9]+)?\\z"));
    return !text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front()) &&
           !number.match(text).hasMatch();
}

// RFC 4180: a field with a separator, a quote or a line break goes in quotes, quotes doubled.
// A field a spreadsheet would take for a formula (a gauge's reply, a file name) gets a leading
// single quote inside the quotes, so that it shows as the text it is; numbers stay numbers.
QString csvField(QString text)
{
    const bool formula = looksLikeFormula(text);
    if (!formula && !text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + (formula ? QStringLiteral("'") : QString()) + text + QLatin1Char('"');
}

QString driftText(const QString& gaugeTime, const QString& pcTime)
{
    HistoryEvent e;
    e.gaugeTime = QDateTime::fromString(gaugeTime, Qt::ISODate);
    e.pcTime = QDateTime::fromString(pcTime, Qt::ISODate);
    return e.gaugeTime.isValid() && e.pcTime.isValid() ? QString::number(e.driftSeconds())
                                                       : QString();
}

QStringList rowOf(const QSqlQuery& q)
{
    QStringList fields;
    for (int i = 0; i < 17; ++i)
        fields.append(q.value(i).toString());
    fields[9] = fields[9] == QLatin1String("0") ? QStringLiteral("no") : QStringLiteral("yes");
    if (fields[14] == QLatin1String("0"))
        fields[14].clear();
    fields.append(driftText(fields[15], fields[16]));
    return fields;
}
} // namespace

bool HistoryStore::exportCsv(const QString& path, qint64 gaugeId) const
{
    QSqlQuery q(d->db());
    q.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "SELECT g.serial, g.mac, v.id, v.started, v.computer, v.user_name, e.happened, e.kind, "
        "e.file, e.ok, e.detail, e.path, e.bytes, e.differing_byte, COALESCE(e.snapshot_id, 0), "
        "e.gauge_time, e.pc_time FROM events e JOIN visits v ON v.id = e.visit_id JOIN gauges g "
        "ON g.id = v.gauge_id WHERE ? = 0 OR g.id = ? ORDER BY g.id, v.started, e.happened, e.id");
    if (!d->exec(q, sql, {gaugeId, gaugeId}))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        d->lastError = file.errorString();
        return false;
    }
    QTextStream out(&file);
    out << kHeader.join(QLatin1Char(',')) << "\r\n";
    while (q.next()) {
        QStringList fields = rowOf(q);
        for (QString& f : fields)
            f = csvField(f);
        out << fields.join(QLatin1Char(',')) << "\r\n";
    }
    out.flush();
    if (file.commit())
        return true;
    d->lastError = file.errorString();
    return false;
}
