#include "history/HistoryTypes.h"

#include <array>

namespace
{
struct KindName {
    HistoryEventKind kind;
    const char* name;
};
constexpr std::array<KindName, 10> kKindNames{{
    {HistoryEventKind::Identity, "identity"},
    {HistoryEventKind::RecordRead, "read"},
    {HistoryEventKind::Backup, "backup"},
    {HistoryEventKind::Write, "write"},
    {HistoryEventKind::Restore, "restore"},
    {HistoryEventKind::LanguageFile, "language"},
    {HistoryEventKind::Reset, "reset"},
    {HistoryEventKind::ClockRead, "clock-read"},
    {HistoryEventKind::ClockSet, "clock-set"},
    {HistoryEventKind::Battery, "battery"},
}};
} // namespace

QString historyEventKindName(HistoryEventKind kind)
{
    for (const KindName& k : kKindNames) {
        if (k.kind == kind)
            return QString::fromLatin1(k.name);
    }
    return QString();
}

std::optional<HistoryEventKind> historyEventKindFromName(QStringView name)
{
    for (const KindName& k : kKindNames) {
        if (name == QLatin1String(k.name))
            return k.kind;
    }
    return std::nullopt;
}

qint64 HistoryEvent::driftSeconds() const
{
    if (!gaugeTime.isValid() || !pcTime.isValid())
        return 0;
    return pcTime.secsTo(gaugeTime);
}
