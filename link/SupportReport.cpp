#include "link/SupportReport.h"

#include "state/Windows1252.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSysInfo>

namespace SupportReport
{
namespace
{
std::function<QString()>& provider()
{
    static std::function<QString()> p;
    return p;
}

QString section(const QString& title, const QString& body)
{
    QString text = QStringLiteral("===== ") + title + QStringLiteral(" =====\n") + body;
    if (!text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    return text + QLatin1Char('\n');
}

QString orUnknown(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("unknown") : text;
}
} // namespace

void setBluezVersionProvider(std::function<QString()> p)
{
    provider() = std::move(p);
}

SupportVersions currentVersions(const QString& program)
{
    SupportVersions v;
    v.program = program.trimmed();
    v.qt = QString::fromLatin1(qVersion());
    v.os = QSysInfo::prettyProductName() + QStringLiteral(", kernel ") + QSysInfo::kernelType() +
           QLatin1Char(' ') + QSysInfo::kernelVersion() + QStringLiteral(", ") +
           QSysInfo::currentCpuArchitecture();
    if (provider())
        v.bluez = provider()();
    return v;
}

// The log is written in Windows-1252.
QString serviceLogText(const QString& logPath)
{
    QFile log(logPath);
    if (logPath.isEmpty() || !log.open(QIODevice::ReadOnly))
        return QString();
    QString text = fromWindows1252(log.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QString compose(const SupportVersions& versions, const QString& traceText, const QString& logPath,
                const QString& serviceLog)
{
    QString versionText;
    versionText += QStringLiteral("Program: ") + orUnknown(versions.program) + QLatin1Char('\n');
    versionText += QStringLiteral("Qt: ") + orUnknown(versions.qt) + QLatin1Char('\n');
    versionText += QStringLiteral("OS: ") + orUnknown(versions.os) + QLatin1Char('\n');
#ifdef Q_OS_LINUX
    versionText += QStringLiteral("BlueZ: ") + orUnknown(versions.bluez) + QLatin1Char('\n');
#endif
    versionText += QStringLiteral("Written: ") +
                   QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + QLatin1Char('\n');
    return section(QStringLiteral("Versions"), versionText) +
           section(QStringLiteral("Protocol trace"), traceText) +
           section(QStringLiteral("Service log ") + logPath, serviceLog);
}

QString defaultFileName()
{
    return QStringLiteral("ZVServiceSupport-") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
           QStringLiteral(".txt");
}

WriteResult write(const QString& folder, const QString& traceText, const QString& program,
                  const QString& logPath)
{
    WriteResult r;
    r.path = QDir(folder).filePath(defaultFileName());
    QSaveFile file(r.path);
    if (!file.open(QIODevice::WriteOnly)) {
        r.error = file.errorString();
        return r;
    }
    file.write(
        compose(currentVersions(program), traceText, logPath, serviceLogText(logPath)).toUtf8());
    r.ok = file.commit();
    if (!r.ok)
        r.error = file.errorString();
    return r;
}

} // namespace SupportReport
