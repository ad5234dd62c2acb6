#include "tests/common/FakeBluezHarness.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace
{
constexpr int kStartWaitMs = 10000;
constexpr int kStopWaitMs = 5000;
const QString kConnectionName = QStringLiteral("zv-harness-control");

const char* const kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <auth>EXTERNAL</auth>
  <listen>unix:path=%1</listen>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
)";
} // namespace

FakeBluezHarness::FakeBluezHarness() = default;

FakeBluezHarness::~FakeBluezHarness()
{
    stopFake();
    stopBus();
}

QString FakeBluezHarness::daemonProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
}

QString FakeBluezHarness::fakeProgram()
{
    const QString dir =
        qEnvironmentVariable("ZV_BIN_DIR", QCoreApplication::applicationDirPath() + "/../bin");
    const QFileInfo program(dir + QStringLiteral("/fakebluez"));
    return program.isExecutable() ? program.absoluteFilePath() : QString();
}

bool FakeBluezHarness::fail(const QString& text)
{
    m_error = text;
    return false;
}

bool FakeBluezHarness::writeConfig(const QString& path)
{
    QFile file(path);
    const QByteArray text =
        QString::fromLatin1(kBusConfig).arg(m_dir->filePath(QStringLiteral("bus.sock"))).toUtf8();
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool FakeBluezHarness::startBus()
{
    if (daemonProgram().isEmpty())
        return fail(QStringLiteral("dbus-daemon is not installed (package dbus-daemon)"));
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid())
        return fail(QStringLiteral("no temporary folder"));
    const QString config = m_dir->filePath(QStringLiteral("bus.conf"));
    if (!writeConfig(config))
        return fail(QStringLiteral("cannot write %1").arg(config));
    m_daemon.setProgram(daemonProgram());
    m_daemon.setArguments({QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                           QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon.start();
    if (!m_daemon.waitForStarted(kStartWaitMs))
        return fail(QStringLiteral("dbus-daemon did not start: %1").arg(m_daemon.errorString()));
    while (!m_daemon.canReadLine())
        if (!m_daemon.waitForReadyRead(kStartWaitMs))
            return fail(QStringLiteral("dbus-daemon printed no address: %1")
                            .arg(QString::fromLocal8Bit(m_daemon.readAllStandardError())));
    m_address = QString::fromLatin1(m_daemon.readLine()).trimmed();
    return !m_address.isEmpty() || fail(QStringLiteral("dbus-daemon printed an empty address"));
}

bool FakeBluezHarness::startFake(const QStringList& options)
{
    const QString program = fakeProgram();
    if (program.isEmpty())
        return fail(QStringLiteral("fakebluez not found (set ZV_BIN_DIR)"));
    stopFake();
    m_fake.setProgram(program);
    m_fake.setArguments(options);
    m_fake.setProcessEnvironment(environment());
    m_fake.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_fake.start();
    if (!m_fake.waitForStarted(kStartWaitMs))
        return fail(QStringLiteral("fakebluez did not start: %1").arg(m_fake.errorString()));
    while (!m_fake.canReadLine())
        if (!m_fake.waitForReadyRead(kStartWaitMs))
            return fail(QStringLiteral("fakebluez did not get ready (exit code %1)")
                            .arg(m_fake.exitCode()));
    const QByteArray line = m_fake.readLine().trimmed();
    return line == "ready" || fail(QStringLiteral("fakebluez said: %1").arg(line));
}

bool FakeBluezHarness::stopFake()
{
    if (m_fake.state() == QProcess::NotRunning)
        return true;
    m_fake.terminate();
    if (m_fake.waitForFinished(kStopWaitMs))
        return m_fake.exitStatus() == QProcess::NormalExit && m_fake.exitCode() == 0;
    m_fake.kill();
    m_fake.waitForFinished(kStopWaitMs);
    return fail(QStringLiteral("fakebluez did not end on SIGTERM"));
}

void FakeBluezHarness::stopBus()
{
    QDBusConnection::disconnectFromBus(kConnectionName);
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(kStopWaitMs)) {
        m_daemon.kill();
        m_daemon.waitForFinished(kStopWaitMs);
    }
}

QProcessEnvironment FakeBluezHarness::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
    env.insert(QStringLiteral("BLUETOOTH_FORCE_DBUS_LE_VERSION"), QStringLiteral("5.66"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return env;
}

void FakeBluezHarness::applyToThisProcess() const
{
    const QProcessEnvironment env = environment();
    for (const char* name : {"DBUS_SYSTEM_BUS_ADDRESS", "BLUETOOTH_FORCE_DBUS_LE_VERSION"})
        qputenv(name, env.value(name).toLocal8Bit());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

QVariantList FakeBluezHarness::control(const QString& method, const QVariantList& arguments) const
{
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, kConnectionName);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.bluez"), QStringLiteral("/com/zelvo/fakebluez"),
        QStringLiteral("com.zelvo.FakeBluez1"), method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kStartWaitMs);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments() : QVariantList();
}
