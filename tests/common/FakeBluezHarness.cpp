#include "tests/common/FakeBluezHarness.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace
{
constexpr int kWaitMs = 10000;
const QString kConnectionName = "zv-harness-control";

// SIGTERM, then SIGKILL if that does not end it; true if it ended on SIGTERM with exit code 0.
bool end(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return true;
    process.terminate();
    if (process.waitForFinished(kWaitMs))
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    process.kill();
    process.waitForFinished(kWaitMs);
    return false;
}
} // namespace

FakeBluezHarness::~FakeBluezHarness()
{
    end(m_fake);
    QDBusConnection::disconnectFromBus(kConnectionName);
    end(m_daemon);
}

QString FakeBluezHarness::daemonProgram()
{
    return QStandardPaths::findExecutable("dbus-daemon");
}

QByteArray FakeBluezHarness::launch(QProcess& process, const QString& program,
                                    const QStringList& arguments)
{
    m_error.clear();
    process.setProgram(program);
    process.setArguments(arguments);
    process.start();
    const QString name = QFileInfo(program).fileName();
    if (!process.waitForStarted(kWaitMs))
        m_error = name + " did not start: " + process.errorString();
    while (m_error.isEmpty() && !process.canReadLine())
        if (!process.waitForReadyRead(kWaitMs))
            m_error =
                name + " printed nothing (exit code " + QString::number(process.exitCode()) + ")";
    return m_error.isEmpty() ? process.readLine().trimmed() : QByteArray();
}

bool FakeBluezHarness::startBus()
{
    // The session configuration lets anyone own any name, which is all the fake needs.
    m_address = launch(m_daemon, daemonProgram(),
                       {"--session", "--address=unix:tmpdir=" + QDir::tempPath(), "--nofork",
                        "--nopidfile", "--print-address=1"});
    return !m_address.isEmpty();
}

bool FakeBluezHarness::startFake(const QStringList& options)
{
    stopFake();
    const QFileInfo program(
        qEnvironmentVariable("ZV_BIN_DIR", QCoreApplication::applicationDirPath() + "/../bin") +
        "/fakebluez");
    m_fake.setProcessEnvironment(environment());
    m_fake.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QByteArray line = launch(m_fake, program.absoluteFilePath(), options);
    if (!line.isEmpty() && line != "ready")
        m_error = "fakebluez said: " + line;
    return line == "ready";
}

bool FakeBluezHarness::stopFake()
{
    const bool clean = end(m_fake);
    if (!clean)
        m_error = "fakebluez did not end cleanly on SIGTERM";
    return clean;
}

QProcessEnvironment FakeBluezHarness::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", m_address);
    env.insert("BLUETOOTH_FORCE_DBUS_LE_VERSION", "5.66");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    return env;
}

void FakeBluezHarness::applyToThisProcess() const
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toLocal8Bit());
    qputenv("BLUETOOTH_FORCE_DBUS_LE_VERSION",
            environment().value("BLUETOOTH_FORCE_DBUS_LE_VERSION").toLatin1());
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

QVariantList FakeBluezHarness::control(const QString& method, const QVariantList& arguments) const
{
    QDBusMessage call = QDBusMessage::createMethodCall("org.bluez", "/com/zelvo/fakebluez",
                                                       "com.zelvo.FakeBluez1", method);
    call.setArguments(arguments);
    const QDBusMessage reply =
        QDBusConnection::connectToBus(m_address, kConnectionName).call(call, QDBus::Block, kWaitMs);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments() : QVariantList();
}
