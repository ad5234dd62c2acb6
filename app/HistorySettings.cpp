#include "app/HistorySettings.h"

#include "history/HistoryLocation.h"

#include <QSettings>

namespace
{
const QString kKey = QStringLiteral("history/location");
} // namespace

QString HistorySettings::takeLocation()
{
    const QString stored = m_settings.value(kKey).toString();
    if (HistoryLocation::withoutPassword(stored) != stored)
        setLocation(stored);
    return stored;
}

void HistorySettings::setLocation(const QString& text)
{
    const QString kept = HistoryLocation::withoutPassword(text.trimmed());
    if (kept.isEmpty())
        m_settings.remove(kKey);
    else
        m_settings.setValue(kKey, kept);
    m_settings.sync();
}
