// The service history on an SQLite file:
//  - what recording adds to a device operation: the journal reports of one read of both record
//    files (two snapshots, the identity) on the caller's thread (target under 5 ms), and how long
//    the writer thread takes to write them, each in its own transaction;
//  - opening a history of 10,000 gauges with 10 visits each and listing the gauges (target
//    under 200 ms).
// Prints: history_record <median> ms p95 <ms> max <ms> per operation, written in <ms>;
// history_open_list <median> ms
#include "history/HistoryService.h"
#include "state/SharedState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr int kOperations = 200;
constexpr int kGauges = 10000;
constexpr int kVisitsPerGauge = 10;
constexpr int kOpenRuns = 5;

// The value below which the given share of the values lie.
double quantile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[size_t(double(values.size() - 1) * share)];
}

QString recordHex(int variant)
{
    QByteArray bytes(400, '\0');
    bytes[4] = char(0x39); // a serial number
    bytes[40] = char(variant);
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// The caller's time per operation; writtenMs: the writer's time per operation.
std::vector<double> recordOperations(const QString& path, double& writtenMs)
{
    HistoryService history(
        [](const QString& w) { std::fprintf(stderr, "history_record: %s\n", qPrintable(w)); });
    if (!history.open(path).ok)
        return {};
    const IdentityFields identity{"HW2", "A1B2C3D4E5F6", "1.05", "21", "3"};
    ServiceJournal& journal = history.journal();
    journal.visitStarted(QStringLiteral("5A454C564F01"));
    history.flush();
    std::vector<double> ms;
    QElapsedTimer all;
    all.start();
    for (int i = 0; i < kOperations; ++i) {
        QElapsedTimer t;
        t.start();
        journal.recordRead(QStringLiteral("probe"), recordHex(i % 7));
        journal.identityRead(identity);
        journal.recordRead(QStringLiteral("factory"), recordHex(100 + i % 3));
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    if (!history.flush(60000))
        return {};
    writtenMs = double(all.nsecsElapsed()) / 1e6 / kOperations;
    return ms;
}

bool fill(const QString& path)
{
    {
        HistoryStore store; // creates the tables
        if (!store.open(path).ok)
            return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
    db.setDatabaseName(path);
    if (!db.open() || !db.transaction())
        return false;
    QSqlQuery gauge(db), visit(db);
    gauge.prepare(QStringLiteral("INSERT INTO gauges (id, serial, mac, first_seen, last_seen) "
                                 "VALUES (?, ?, ?, '2026-01-01T00:00:00.000Z', ?)"));
    visit.prepare(QStringLiteral("INSERT INTO visits (gauge_id, started) VALUES (?, ?)"));
    for (int g = 1; g <= kGauges; ++g) {
        const QString seen =
            QStringLiteral("2026-%1-01T00:00:00.000Z").arg(1 + g % 12, 2, 10, QLatin1Char('0'));
        gauge.addBindValue(g);
        gauge.addBindValue(QString::number(1000000 + g));
        gauge.addBindValue(QStringLiteral("5A454C%1").arg(g, 6, 16, QLatin1Char('0')));
        gauge.addBindValue(seen);
        if (!gauge.exec())
            return false;
        for (int v = 0; v < kVisitsPerGauge; ++v) {
            visit.addBindValue(g);
            visit.addBindValue(seen);
            if (!visit.exec())
                return false;
        }
    }
    const bool ok = db.commit();
    db.close();
    return ok;
}

std::vector<double> openAndList(const QString& path, qsizetype& listed)
{
    std::vector<double> ms;
    for (int i = 0; i < kOpenRuns; ++i) {
        QElapsedTimer t;
        t.start();
        HistoryStore store;
        if (!store.open(path).ok)
            return {};
        listed = store.gauges().size();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return ms;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    double writtenMs = 0;
    const std::vector<double> record =
        recordOperations(dir.filePath(QStringLiteral("r.sqlite")), writtenMs);
    if (record.empty())
        return 1;
    std::printf("history_record %.3f ms p95 %.3f ms max %.3f ms per operation on the caller's "
                "thread (3 reports, target < 5 ms); written in %.2f ms per operation\n",
                quantile(record, 0.5), quantile(record, 0.95), quantile(record, 1.0), writtenMs);
    const QString big = dir.filePath(QStringLiteral("big.sqlite"));
    if (!fill(big)) {
        std::fprintf(stderr, "history_open_list: could not fill %s\n", qPrintable(big));
        return 1;
    }
    qsizetype listed = 0;
    const std::vector<double> open = openAndList(big, listed);
    if (open.empty() || listed != kGauges)
        return 1;
    std::printf("history_open_list %.1f ms for %lld gauges with %d visits each (target < 200 ms)\n",
                quantile(open, 0.5), qlonglong(listed), kVisitsPerGauge);
    return 0;
}
