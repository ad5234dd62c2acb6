#include "tests/bluez/fakebluez/FakeBluez.h"

#include "sim/SimGauge.h"

#include <QDBusArgument>
#include <QDir>
#include <QFile>

using namespace FakeBluezNames;

namespace
{
const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
} // namespace

FakeBluez::FakeBluez(SimGauge& gauge, const FakeBluezOptions& options, const QDBusConnection& bus)
    : m_gauge(gauge), m_options(options), m_bus(bus), m_tree(bus),
      m_gatt(m_tree, gauge, options, bus), m_adapter(m_tree, m_gatt, gauge, options, bus)
{
    m_gatt.onLinkDropped = [this] { m_adapter.dropLink(); };
}

bool FakeBluez::start(QString& error)
{
    if (!m_bus.isConnected()) {
        error = QStringLiteral("no bus: %1").arg(m_bus.lastError().message());
        return false;
    }
    if (!m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath)) {
        error = QStringLiteral("cannot export objects: %1").arg(m_bus.lastError().message());
        return false;
    }
    m_adapter.addAdapter();
    if (!m_bus.registerService(kService)) {
        error = QStringLiteral("cannot own %1: %2").arg(kService, m_bus.lastError().message());
        return false;
    }
    return true;
}

bool FakeBluez::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    const QString iface = message.interface();
    if (iface == kProperties) {
        handleProperties(message);
    } else if (iface == kObjectManager && message.member() == QLatin1String("GetManagedObjects")) {
        reply(message, {QVariant::fromValue(m_tree.managedObjects())});
    } else if (iface == kIntrospectable) {
        reply(message, {QStringLiteral("<node>%1</node>").arg(introspect(message.path()))});
    } else if (iface == kControl && message.path() == kControlPath) {
        handleControl(message);
    } else if (!m_adapter.handle(message) && !m_gatt.handle(message)) {
        replyError(message, kUnknownMethod,
                   QStringLiteral("%1.%2 on %3").arg(iface, message.member(), message.path()));
    }
    return true;
}

void FakeBluez::handleProperties(const QDBusMessage& message)
{
    const QVariantList args = message.arguments();
    const QString path = message.path();
    const QString iface = args.value(0).toString();
    const QString member = message.member();
    if (!m_tree.contains(path, iface)) {
        replyError(message, kInvalidArgs, QStringLiteral("No such interface '%1'").arg(iface));
        return;
    }
    const QVariantMap props = m_tree.properties(path, iface);
    if (member == QLatin1String("GetAll")) {
        reply(message, {props});
    } else if (member == QLatin1String("Get") && props.contains(args.value(1).toString())) {
        reply(message, {QVariant::fromValue(QDBusVariant(props.value(args.value(1).toString())))});
    } else if (member == QLatin1String("Set") && props.contains(args.value(1).toString())) {
        m_tree.setProperty(path, iface, args.value(1).toString(),
                           qvariant_cast<QDBusVariant>(args.value(2)).variant());
        reply(message);
    } else {
        replyError(message, kInvalidArgs, QStringLiteral("No such property"));
    }
}

void FakeBluez::handleControl(const QDBusMessage& message)
{
    const QString member = message.member();
    const QVariantList args = message.arguments();
    if (member == QLatin1String("DumpFiles")) {
        if (dumpFiles(args.value(0).toString()))
            reply(message);
        else
            replyError(message, QStringLiteral("org.bluez.Error.Failed"),
                       QStringLiteral("cannot write the files"));
    } else if (member == QLatin1String("Transcript")) {
        QStringList lines;
        for (const QByteArray& c : m_gauge.transcript())
            lines.append(QString::fromLatin1(c));
        reply(message, {lines});
    } else if (member == QLatin1String("SetPowered")) {
        m_adapter.setPowered(args.value(0).toBool());
        reply(message);
    } else if (member == QLatin1String("SendTrace")) {
        reply(message, {m_gatt.sendTrace(args.value(0).toByteArray())});
    } else {
        replyError(message, kUnknownMethod, member);
    }
}

bool FakeBluez::dumpFiles(const QString& dir) const
{
    if (!QDir().mkpath(dir))
        return false;
    const QMap<QString, QByteArray> files = m_gauge.files();
    bool ok = true;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QFile file(QDir(dir).filePath(it.key()));
        ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
             file.write(it.value().toHex().toUpper() + "\r\n") >= 0 && ok;
    }
    return ok;
}

QString FakeBluez::introspect(const QString& path) const
{
    QString xml;
    for (const QString& child : m_tree.childNames(path))
        xml += QStringLiteral("<node name=\"%1\"/>").arg(child);
    return xml;
}

void FakeBluez::reply(const QDBusMessage& message, const QVariantList& arguments)
{
    m_bus.send(message.createReply(arguments));
}

void FakeBluez::replyError(const QDBusMessage& message, const QString& name, const QString& text)
{
    m_bus.send(message.createErrorReply(name, text));
}
