// fakebluez: a bluetoothd stand-in for the tests. It owns org.bluez on the bus named by
// DBUS_SYSTEM_BUS_ADDRESS and serves one simulated gauge. Prints "ready" on stdout once the name
// is owned. SIGTERM / SIGINT end it (after writing the device files to --dump-dir, if given).
#include "sim/SimGauge.h"

#include <QtCore>
#include <QtDBus>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/signalfd.h>
#include <unistd.h>

// The D-Bus shapes bluetoothd hands out: interfaces of one object (a{sa{sv}}), every object below
// "/" (a{oa{sa{sv}}}) and the manufacturer data of an advertisement (a{qv}).
using FakeInterfaceList = QMap<QString, QVariantMap>;
using FakeManagedObjects = QMap<QDBusObjectPath, FakeInterfaceList>;
using FakeManufacturerData = QMap<quint16, QDBusVariant>;
Q_DECLARE_METATYPE(FakeInterfaceList)
Q_DECLARE_METATYPE(FakeManagedObjects)
Q_DECLARE_METATYPE(FakeManufacturerData)

// The scenario the fake plays, chosen on its command line (see README.md).
struct FakeBluezOptions {
    bool noAdapter = false, poweredOff = false, neverResolve = false, ignoreDisconnect = false,
         noCommandChar = false;
    int disconnectAfter = 0, opDelayUs = 0;
    QString simDir, dumpDir;
    QStringList remembered;
};

namespace
{
const QString kProperties = "org.freedesktop.DBus.Properties";
const QString kObjectManager = "org.freedesktop.DBus.ObjectManager";
const QString kUnknownMethod = "org.freedesktop.DBus.Error.UnknownMethod";
const QString kGattChar = "org.bluez.GattCharacteristic1";
const QString kAdapterPath = "/org/bluez/hci0";
const QString kAdapter = "org.bluez.Adapter1";
const QString kDevice = "org.bluez.Device1";
const QString kGattService = "org.bluez.GattService1";
const QString kFailed = "org.bluez.Error.Failed";
const QString kNotReady = "org.bluez.Error.NotReady";
// bluetoothd hands out lower-case UUIDs.
const QString kGaugeService = "722383ea-0662-466f-b41f-0fd548267c10";
const QString kCommandChar = "000028ca-0000-1000-8000-00805f9b34fb";
const QString kTraceChar = "ca28ed7b-0662-466f-b41f-0fd548267c10";
const QString kGenericAccess = "00001800-0000-1000-8000-00805f9b34fb";
const QString kCccd = "00002902-0000-1000-8000-00805f9b34fb";

// "5A454C564F01" -> "5A:45:4C:56:4F:01"
QString colonAddress(QString serverId)
{
    for (qsizetype i = serverId.size() - 2; i > 0; i -= 2)
        serverId.insert(i, ':');
    return serverId.toUpper();
}

QVariant path(const QString& p)
{
    return QVariant::fromValue(QDBusObjectPath(p));
}

// One interface of an object from name, value, name, value...
FakeInterfaceList object(const QString& iface, const QVariantList& nameValues)
{
    QVariantMap props;
    for (qsizetype i = 0; i + 1 < nameValues.size(); i += 2)
        props.insert(nameValues[i].toString(), nameValues[i + 1]);
    return {{iface, props}};
}

FakeInterfaceList gattObject(const QString& iface, const QString& uuid, const QString& owner,
                             const QStringList& flags = {})
{
    if (iface == kGattService)
        return object(iface, {"UUID", uuid, "Primary", true, "Device", path(owner)});
    return object(iface, {"UUID", uuid, iface == kGattChar ? "Service" : "Characteristic",
                          path(owner), "Value", QByteArray(), "Notifying", false, "Flags", flags});
}
} // namespace

// A bluetoothd stand-in on one bus: adapter hci0, the gauge and a device that is no gauge, and
// the gauge's GATT objects while it is connected. Every object below "/" is answered here; every
// change bluetoothd would announce is announced. Writes to the command characteristic go to the
// simulated gauge, the next read-back delivers its reply. Besides org.bluez it offers a control
// interface for the tests (Transcript, SendTrace, SetPowered).
class FakeBluez : public QDBusVirtualObject
{
public:
    FakeBluez(SimGauge& gauge, const FakeBluezOptions& options, const QDBusConnection& bus)
        : m_gauge(gauge), m_options(options), m_bus(bus)
    {
        m_devices = {{colonAddress(gauge.serverId()), gauge.name(), -67, true},
                     {"00:A0:C9:14:7E:21", "Kopfhörer ♪", -80, false}};
        m_scanTimer.setInterval(300);
        connect(&m_scanTimer, &QTimer::timeout, this, &FakeBluez::hearDevices);
    }

    bool start(QString& error)
    {
        if (!m_bus.registerVirtualObject("/", this, QDBusConnection::SubPath))
            error = "cannot export objects: " + m_bus.lastError().message();
        else if (addAdapter(); !m_bus.registerService("org.bluez"))
            error = "cannot own org.bluez: " + m_bus.lastError().message();
        return error.isEmpty();
    }
    // Writes each device file of the gauge as one line of hex text plus CR LF into dir.
    bool dumpFiles(const QString& dir) const
    {
        const QMap<QString, QByteArray> files = m_gauge.files();
        bool ok = QDir().mkpath(dir);
        for (auto it = files.cbegin(); it != files.cend(); ++it) {
            QFile file(QDir(dir).filePath(it.key()));
            ok = file.open(QIODevice::WriteOnly) &&
                 file.write(it.value().toHex().toUpper() + "\r\n") >= 0 && ok;
        }
        return ok;
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override
    {
        const QString iface = message.interface();
        const bool known = m_objects.value(message.path()).contains(iface);
        if (iface == kProperties)
            handleProperties(message);
        else if (iface == kObjectManager && message.member() == "GetManagedObjects") {
            FakeManagedObjects all;
            for (auto it = m_objects.cbegin(); it != m_objects.cend(); ++it)
                all.insert(QDBusObjectPath(it.key()), it.value());
            reply(message, {QVariant::fromValue(all)});
        } else if (iface == "com.zelvo.FakeBluez1")
            handleControl(message);
        else if (known && iface == "org.bluez.Adapter1")
            handleAdapter(message);
        else if (known && iface == "org.bluez.Device1")
            handleDevice(message);
        else if (known && iface.startsWith("org.bluez.Gatt"))
            handleGatt(message);
        else
            replyError(message, kUnknownMethod, iface + '.' + message.member());
        return true;
    }

private:
    struct Device { // rssi 0: out of range, never advertises
        QString address, name;
        qint16 rssi;
        bool gauge;
    };

    QVariant property(const QString& path, const QString& iface, const QString& name) const
    {
        return m_objects.value(path).value(iface).value(name);
    }
    // Announces the change (PropertiesChanged) if the value changed, or always for notifications.
    void setProperty(const QString& path, const QString& iface, const QString& name,
                     const QVariant& value, bool announceAlways = false)
    {
        auto object = m_objects.find(path);
        if (object == m_objects.end() || !object->contains(iface) ||
            (!announceAlways && (*object)[iface].value(name) == value))
            return;
        (*object)[iface].insert(name, value);
        QDBusMessage signal = QDBusMessage::createSignal(path, kProperties, "PropertiesChanged");
        signal << iface << QVariantMap{{name, value}} << QStringList();
        m_bus.send(signal);
    }
    void addObject(const QString& path, const FakeInterfaceList& interfaces)
    {
        m_objects.insert(path, interfaces);
        QDBusMessage signal = QDBusMessage::createSignal("/", kObjectManager, "InterfacesAdded");
        signal << QVariant::fromValue(QDBusObjectPath(path)) << QVariant::fromValue(interfaces);
        m_bus.send(signal);
    }
    // Removes path and every object below it, deepest first, announcing each.
    void removeTree(const QString& path)
    {
        QStringList doomed = m_objects.keys().filter(
            QRegularExpression('^' + QRegularExpression::escape(path) + "(/|$)"));
        std::sort(doomed.begin(), doomed.end(),
                  [](auto& a, auto& b) { return a.size() > b.size(); });
        for (const QString& p : std::as_const(doomed)) {
            QDBusMessage signal =
                QDBusMessage::createSignal("/", kObjectManager, "InterfacesRemoved");
            signal << QVariant::fromValue(QDBusObjectPath(p))
                   << QStringList(m_objects.take(p).keys());
            m_bus.send(signal);
        }
    }

    void handleProperties(const QDBusMessage& message)
    {
        const QVariantList args = message.arguments();
        const QVariantMap props = m_objects.value(message.path()).value(args.value(0).toString());
        const QString name = args.value(1).toString();
        if (message.member() == "GetAll" && !props.isEmpty())
            reply(message, {props});
        else if (message.member() == "Get" && props.contains(name))
            reply(message, {QVariant::fromValue(QDBusVariant(props.value(name)))});
        else
            replyError(message, "org.freedesktop.DBus.Error.InvalidArgs", "no such property");
    }
    void handleControl(const QDBusMessage& message)
    {
        const QString member = message.member();
        const QVariant argument = message.arguments().value(0);
        const QString trace = m_gattPath + "/service000a/char000d";
        if (member == "Transcript") {
            QStringList lines;
            for (const QByteArray& c : m_gauge.transcript())
                lines.append(QString::fromLatin1(c));
            reply(message, {lines});
        } else if (member == "SetPowered") {
            setPowered(argument.toBool());
            reply(message);
        } else if (member == "SendTrace") { // a notification, announced even if equal to the last
            const bool on = property(trace, kGattChar, "Notifying").toBool();
            if (on)
                setProperty(trace, kGattChar, "Value", argument.toByteArray(), true);
            reply(message, {on});
        } else {
            replyError(message, kUnknownMethod, member);
        }
    }
    void handleAdapter(const QDBusMessage& message)
    {
        const QString member = message.member();
        if (member == "StartDiscovery") {
            if (!property(kAdapterPath, kAdapter, "Powered").toBool())
                return replyError(message, kNotReady, "Resource Not Ready");
            reply(message);
            setProperty(kAdapterPath, kAdapter, "Discovering", true);
            m_scanTimer.start();
            return QTimer::singleShot(10, this, &FakeBluez::hearDevices);
        }
        if (member == "StopDiscovery") {
            m_scanTimer.stop();
            setProperty(kAdapterPath, kAdapter, "Discovering", false);
        } else if (member == "RemoveDevice") {
            const QString device =
                qvariant_cast<QDBusObjectPath>(message.arguments().value(0)).path();
            if (device == m_gattPath)
                closeLink();
            removeTree(device);
        } // SetDiscoveryFilter and the rest are accepted as they come
        reply(message);
    }
    void handleDevice(const QDBusMessage& message)
    {
        if (message.member() == "Connect") {
            connectDevice(message);
        } else if (message.member() == "Disconnect") {
            if (m_options.ignoreDisconnect)
                return; // neither answered nor carried out
            closeLink();
            reply(message);
        } else {
            replyError(message, "org.bluez.Error.NotSupported", message.member());
        }
    }
    void handleGatt(const QDBusMessage& message)
    {
        const QString member = message.member();
        const QByteArray value = message.arguments().value(0).toByteArray();
        if (message.path().endsWith("/char000b") && member.endsWith("Value")) {
            commandValue(message);
        } else if (member == "WriteValue") {
            setProperty(message.path(), message.interface(), "Value", value);
            reply(message);
        } else if (member == "ReadValue") {
            reply(message, {property(message.path(), message.interface(), "Value")});
        } else if (member.endsWith("Notify") && message.interface() == kGattChar) {
            setProperty(message.path(), kGattChar, "Notifying", member.startsWith("Start"));
            reply(message);
        } else {
            replyError(message, "org.bluez.Error.NotSupported", member);
        }
    }

    // A remembered device is known before any scan, without RSSI: the gauge then gets its RSSI once
    // the scan hears it; any other address is a gauge that is out of range and never advertises.
    void addAdapter()
    {
        if (m_options.noAdapter)
            return;
        addObject(kAdapterPath,
                  object(kAdapter, {"Address", "00:1A:7D:DA:71:13", "Name", "fakehci", "Alias",
                                    "fakehci", "Powered", !m_options.poweredOff, "Discoverable",
                                    false, "Discovering", false}));
        for (const QString& id : std::as_const(m_options.remembered)) {
            auto known = std::find_if(m_devices.cbegin(), m_devices.cend(),
                                      [&](auto& d) { return d.address == colonAddress(id); });
            if (known == m_devices.cend())
                known = m_devices.insert(m_devices.cend(), {colonAddress(id), "ZE-200", 0, true});
            addDevice(*known, false);
        }
    }
    void addDevice(const Device& d, bool withRssi)
    {
        const QStringList uuids = d.gauge ? QStringList{kGaugeService} : QStringList();
        FakeInterfaceList device =
            object(kDevice, {"Address", d.address, "Name", d.name, "Alias", d.name, "Adapter",
                             path(kAdapterPath), "Paired", false, "Connected", false,
                             "ServicesResolved", false, "UUIDs", uuids});
        if (withRssi)
            device[kDevice].insert("RSSI", QVariant::fromValue(d.rssi));
        if (d.gauge)
            device[kDevice].insert("ManufacturerData",
                                   QVariant::fromValue(FakeManufacturerData{
                                       {0x0059, QDBusVariant(QByteArray("ZE"))}}));
        addObject(pathOf(d), device);
    }
    // The scan hears every device in range: a new one appears, a known one gets its RSSI, which
    // moves by one on every other round.
    void hearDevices()
    {
        if (!m_scanTimer.isActive())
            return;
        const int shift = m_rssiStep++ % 2;
        for (const Device& d : std::as_const(m_devices)) {
            if (d.rssi == 0)
                continue;
            if (m_objects.contains(pathOf(d)))
                setProperty(pathOf(d), kDevice, "RSSI",
                            QVariant::fromValue(qint16(d.rssi - shift)));
            else
                addDevice(d, true);
        }
    }
    // Switching off ends the link and the scan first.
    void setPowered(bool on)
    {
        if (!on) {
            m_scanTimer.stop();
            closeLink();
            setProperty(kAdapterPath, kAdapter, "Discovering", false);
        }
        setProperty(kAdapterPath, kAdapter, "Powered", on);
    }
    // In bluetoothd's order: Connected, the GATT objects, ServicesResolved, then the reply.
    void connectDevice(const QDBusMessage& message)
    {
        auto device = std::find_if(m_devices.cbegin(), m_devices.cend(),
                                   [&](auto& d) { return pathOf(d) == message.path(); });
        if (!property(kAdapterPath, kAdapter, "Powered").toBool())
            return replyError(message, kNotReady, "Resource Not Ready");
        if (!device->gauge || device->rssi == 0)
            return replyError(message, kFailed, "le-connection-abort-by-local");
        if (m_gattPath.isEmpty()) {
            setProperty(message.path(), kDevice, "Connected", true);
            m_gattPath = message.path();
            if (m_options.neverResolve) {
                m_pendingConnect = message; // answered only by a Disconnect
                return;
            }
            addGatt();
            setProperty(m_gattPath, kDevice, "ServicesResolved", true);
        }
        reply(message);
    }
    void addGatt()
    {
        const QString service = m_gattPath + "/service000a", trace = service + "/char000d";
        const QStringList rw{"read", "write", "write-without-response"};
        m_commandValue.clear();
        addObject(m_gattPath + "/service0001",
                  gattObject(kGattService, kGenericAccess, m_gattPath));
        addObject(service, gattObject(kGattService, kGaugeService, m_gattPath));
        if (!m_options.noCommandChar)
            addObject(service + "/char000b", gattObject(kGattChar, kCommandChar, service, rw));
        addObject(trace, gattObject(kGattChar, kTraceChar, service, rw + QStringList{"notify"}));
        addObject(trace + "/desc000f", gattObject("org.bluez.GattDescriptor1", kCccd, trace, rw));
    }
    void closeLink()
    {
        if (m_gattPath.isEmpty())
            return;
        setProperty(m_gattPath, kDevice, "ServicesResolved", false);
        removeTree(m_gattPath + "/service0001");
        removeTree(m_gattPath + "/service000a");
        setProperty(m_gattPath, kDevice, "Connected", false);
        m_gattPath.clear();
        if (m_pendingConnect.type() == QDBusMessage::MethodCallMessage)
            replyError(m_pendingConnect, kFailed, "Operation canceled");
        m_pendingConnect = QDBusMessage();
    }
    // A write of the command characteristic goes to the gauge; a read gives its last reply.
    void commandValue(const QDBusMessage& message)
    {
        if (message.member() == "ReadValue")
            return afterOperation([this, message, v = m_commandValue] { reply(message, {v}); });
        const SimReply answer = m_gauge.handleCommand(message.arguments().value(0).toByteArray());
        if (answer.dropLink) {
            closeLink();
            return replyError(message, "org.bluez.Error.Failed", "Not connected");
        }
        m_commandValue = answer.value;
        afterOperation([this, message] { reply(message); });
    }
    // Runs what after the command characteristic's operation delay (at once without one); the
    // lateness of each timer is taken off the next delay, so the mean delay holds.
    void afterOperation(std::function<void()> what)
    {
        if (m_options.opDelayUs <= 0)
            return what();
        if (!m_clock.isValid())
            m_clock.start();
        const qint64 wantUs = qMax<qint64>(0, m_options.opDelayUs - m_lateUs);
        const qint64 startUs = m_clock.nsecsElapsed() / 1000;
        QTimer::singleShot(int((wantUs + 500) / 1000), Qt::PreciseTimer, this,
                           [this, what = std::move(what), wantUs, startUs] {
                               m_lateUs = m_clock.nsecsElapsed() / 1000 - startUs - wantUs;
                               what();
                           });
    }
    QString pathOf(const Device& device) const
    {
        return kAdapterPath + "/dev_" + QString(device.address).replace(':', '_');
    }
    void reply(const QDBusMessage& message, const QVariantList& arguments = {})
    {
        m_bus.send(message.createReply(arguments));
    }
    void replyError(const QDBusMessage& message, const QString& name, const QString& text)
    {
        m_bus.send(message.createErrorReply(name, text));
    }

    SimGauge& m_gauge;
    FakeBluezOptions m_options;
    QDBusConnection m_bus;
    QMap<QString, FakeInterfaceList> m_objects;
    QList<Device> m_devices;
    QTimer m_scanTimer;
    int m_rssiStep = 0;
    QDBusMessage m_pendingConnect; // a Connect that has not been answered (never resolving)
    QString m_gattPath;            // the connected gauge's path; empty without a link
    QByteArray m_commandValue;     // what the next read-back of the command characteristic gives
    QElapsedTimer m_clock;
    qint64 m_lateUs = 0;
};

namespace
{
// The scenario options; "" on success, else the reason.
QString parse(QStringList args, FakeBluezOptions& o)
{
    const QMap<QString, bool*> flags{{"--no-adapter", &o.noAdapter},
                                     {"--powered-off", &o.poweredOff},
                                     {"--never-resolve", &o.neverResolve},
                                     {"--ignore-disconnect", &o.ignoreDisconnect},
                                     {"--no-command-char", &o.noCommandChar}};
    const QMap<QString, int*> numbers{{"--disconnect-after", &o.disconnectAfter},
                                      {"--op-delay-us", &o.opDelayUs}};
    const QMap<QString, QString*> texts{{"--sim-dir", &o.simDir}, {"--dump-dir", &o.dumpDir}};
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        bool ok = true;
        if (flags.contains(a))
            *flags[a] = true;
        else if (args.isEmpty())
            return a + " needs a value";
        else if (numbers.contains(a))
            *numbers[a] = args.takeFirst().toInt(&ok);
        else if (texts.contains(a))
            *texts[a] = args.takeFirst();
        else if (a == "--remembered")
            o.remembered.append(args.takeFirst());
        else
            return "unknown option: " + a;
        if (!ok)
            return a + " needs a number";
    }
    return {};
}

int fail(const QString& text)
{
    std::fprintf(stderr, "fakebluez: %s\n", qPrintable(text));
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    sigset_t ends; // blocked before any thread starts, read through a descriptor
    sigemptyset(&ends);
    sigaddset(&ends, SIGTERM);
    sigaddset(&ends, SIGINT);
    sigprocmask(SIG_BLOCK, &ends, nullptr);
    const int signalFd = signalfd(-1, &ends, SFD_CLOEXEC);
    QCoreApplication app(argc, argv);
    FakeBluezOptions options;
    if (const QString e = parse(app.arguments().mid(1), options); !e.isEmpty())
        return fail(e);
    qDBusRegisterMetaType<FakeInterfaceList>();
    qDBusRegisterMetaType<FakeManagedObjects>();
    qDBusRegisterMetaType<FakeManufacturerData>();
    SimGauge gauge;
    if (!options.simDir.isEmpty())
        gauge.loadFolder(options.simDir);
    if (options.disconnectAfter > 0)
        gauge.setFault(options.disconnectAfter + 1, SimFault::DropLink);
    FakeBluez fake(gauge, options, QDBusConnection::systemBus());
    if (QString e; !fake.start(e))
        return fail(e);
    QSocketNotifier endNotifier(signalFd, QSocketNotifier::Read);
    QObject::connect(&endNotifier, &QSocketNotifier::activated, &app, [&] {
        signalfd_siginfo info;
        if (read(signalFd, &info, sizeof info) < 0)
            std::perror("fakebluez: signal");
        if (!options.dumpDir.isEmpty() && !fake.dumpFiles(options.dumpDir))
            std::fprintf(stderr, "fakebluez: cannot write %s\n", qPrintable(options.dumpDir));
        app.quit();
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
