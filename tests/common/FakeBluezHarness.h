#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Starts a private D-Bus bus and the fake bluetoothd on it, for tests that drive the real Qt
// Bluetooth code. Qt picks its BlueZ back end once per process from the environment, so the
// bus is started once (startBus) and applyToThisProcess() runs before any Qt Bluetooth use;
// the fake can then be started and stopped per test with a different scenario on the same bus.
class FakeBluezHarness
{
public:
    ~FakeBluezHarness();

    // Path of the dbus-daemon program; empty if it is not installed.
    static QString daemonProgram();

    bool startBus();
    // Starts fakebluez (ZV_BIN_DIR, else beside the test program) with these scenario options;
    // waits until it owns org.bluez.
    bool startFake(const QStringList& options);
    // Ends the fake with SIGTERM (it writes its files to --dump-dir if given) and waits.
    bool stopFake();

    QString errorText() const { return m_error; }
    // Everything a process needs to use this bus as its system bus with Qt's D-Bus LE back end.
    QProcessEnvironment environment() const;
    // Puts environment() into this process (before the first Qt Bluetooth or D-Bus use).
    void applyToThisProcess() const;

    // Calls one method of the fake's control interface; returns its reply arguments.
    QVariantList control(const QString& method, const QVariantList& arguments = {}) const;

private:
    // Starts the program and returns the first line it prints; "" with errorText() set if none.
    QByteArray launch(QProcess& process, const QString& program, const QStringList& arguments);

    QProcess m_daemon;
    QProcess m_fake;
    QString m_address;
    QString m_error;
};
