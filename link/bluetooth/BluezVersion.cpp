#include "link/bluetooth/BluezVersion.h"

#include "state/LogCategories.h"

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#ifdef ZV_BLE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#endif

namespace BluezVersion
{
namespace
{
// Where distributions install bluetoothd.
const QStringList kDaemonPlaces = {QStringLiteral("/usr/libexec/bluetooth/bluetoothd"),
                                   QStringLiteral("/usr/lib/bluetooth/bluetoothd"),
                                   QStringLiteral("/usr/sbin/bluetoothd")};

// The program of a running process, through /proc. Another user's process (bluetoothd runs as
// root) cannot be looked at; then the daemon installed in its usual place is asked.
QString programOf(uint pid)
{
    const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath();
    if (!exe.isEmpty())
        return exe;
    for (const QString& place : kDaemonPlaces) {
        if (QFileInfo(place).isExecutable())
            return place;
    }
    return QString();
}

QString versionOf(const QString& program)
{
    if (program.isEmpty())
        return QString();
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, {QStringLiteral("--version")}, QIODevice::ReadOnly);
    if (!process.waitForFinished(kAnswerLimitMs)) {
        process.kill();
        process.waitForFinished(kAnswerLimitMs);
        return QString();
    }
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    return out.section(QLatin1Char('\n'), 0, 0).trimmed();
}
} // namespace

QString query()
{
#ifdef ZV_BLE_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface())
        return QString();
    const QDBusReply<uint> pid = bus.interface()->servicePid(QStringLiteral("org.bluez"));
    if (!pid.isValid())
        return QString();
    const QString version = versionOf(programOf(pid.value()));
    qCDebug(zvBle) << "bluetoothd of pid" << pid.value() << "is version" << version;
    return version;
#else
    return QString();
#endif
}

} // namespace BluezVersion
