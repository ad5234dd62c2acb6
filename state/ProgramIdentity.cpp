#include "state/ProgramIdentity.h"

#include "state/LogCategories.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

namespace ProgramIdentity
{

void apply()
{
    QCoreApplication::setApplicationName(QStringLiteral("ZVService"));
    QCoreApplication::setOrganizationName(QStringLiteral("Zelvo"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("zelvo.de"));
}

void adoptSettings(QSettings& earlier, QSettings& current)
{
    const QStringList keys = earlier.allKeys();
    if (keys.isEmpty() || !current.allKeys().isEmpty())
        return;
    for (const QString& key : keys)
        current.setValue(key, earlier.value(key));
    current.sync();
    qCInfo(zvState) << "settings taken over from" << earlier.fileName();
    earlier.clear();
    earlier.sync();
}

void adoptEarlierSettings()
{
    // The name Qt uses when no organisation is set.
    QSettings earlier(QSettings::NativeFormat, QSettings::UserScope,
                      QStringLiteral("Unknown Organization"), QCoreApplication::applicationName());
    QSettings current;
    adoptSettings(earlier, current);
    if (earlier.allKeys().isEmpty() && QFile::exists(earlier.fileName()))
        QFile::remove(earlier.fileName());
}

} // namespace ProgramIdentity
