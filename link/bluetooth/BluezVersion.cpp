#include "link/bluetooth/BluezVersion.h"

#include "state/LogCategories.h"

#include <QFileInfo>
#include <QProcess>

#ifdef ZV_BLE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#endif

namespace BluezVersion
{
namespace
{
// The program of a running process, through /proc.
QString programOf(uint pid)
{
    const QFileInfo exe(QStringLiteral("/proc/%1/exe").arg(pid));
    return exe.canonicalFilePath();
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
