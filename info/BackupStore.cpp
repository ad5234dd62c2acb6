#include "info/BackupStore.h"

#include "info/DeviceFiles.h"
#include "info/WriteGuard.h"
#include "state/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace
{
const QChar kSeparator = QLatin1Char('_');
constexpr int kMaxSuffix = 999;

// The folder when it is (or can be made) a writable folder; empty otherwise.
QString usableFolder(const QString& path)
{
    QFileInfo info(path);
    if (!info.isDir() && (info.exists() || info.isSymLink() || !QDir().mkpath(path)))
        return {};
    info.refresh();
    return info.isDir() && info.isWritable() ? path : QString();
}

// Device file names go into the backup's name: anything but letters and digits becomes "-".
QString safePart(const QString& text)
{
    QString out;
    for (const QChar c : text)
        out += (c.isLetterOrNumber() && c.unicode() < 128) ? c : QLatin1Char('-');
    return out.isEmpty() ? QStringLiteral("-") : out;
}
} // namespace

QString BackupStore::defaultFolder(const QString& programFolder)
{
    const QString name = QString::fromLatin1(kFolderName);
    if (!programFolder.isEmpty()) {
        if (QString f = usableFolder(QDir(programFolder).filePath(name)); !f.isEmpty())
            return f;
    }
    const QString appData = ProgramFiles::userDataFolder();
    return appData.isEmpty() ? QString() : usableFolder(QDir(appData).filePath(name));
}

BackupStore BackupStore::besideProgram(const QString& programFolder)
{
    BackupStore store;
    store.m_programFolder = programFolder;
    return store;
}

QString BackupStore::folder() const
{
    return m_folder.isEmpty() ? defaultFolder(m_programFolder) : m_folder;
}

QString BackupStore::fileName(const QString& hex, const QString& deviceFile, const QDateTime& time)
{
    const WriteGuard::Marks marks = WriteGuard::marksOf(hex);
    const QString serial =
        marks.serialNumber ? QString::number(*marks.serialNumber) : QStringLiteral("unknown");
    return serial + kSeparator + safePart(deviceFile) + kSeparator +
           time.toString(QString::fromLatin1(kTimeFormat));
}

BackupName BackupStore::parseName(const QString& fileName)
{
    const QStringList parts = fileName.split(kSeparator);
    if (parts.size() != 3 || parts[0].isEmpty() || parts[1].isEmpty())
        return {};
    const QString format = QString::fromLatin1(kTimeFormat);
    QString stamp = parts[2].left(format.size());
    const QString suffix = parts[2].mid(format.size());
    if (!suffix.isEmpty()) {
        bool number = false;
        const int n = suffix.mid(1).toInt(&number);
        if (!suffix.startsWith(QLatin1Char('-')) || !number || n < 2)
            return {};
    }
    BackupName name;
    name.time = QDateTime::fromString(stamp, format);
    if (!name.time.isValid())
        return {};
    name.ok = true;
    name.serialNumber = parts[0];
    name.deviceFile = parts[1];
    return name;
}

BackupSaveResult BackupStore::save(const QString& hex, const QString& deviceFile,
                                   const QDateTime& time) const
{
    BackupSaveResult result;
    const QString target = folder();
    if (target.isEmpty()) {
        result.description = QStringLiteral("no folder for backups can be created or written");
        return result;
    }
    const QString base = fileName(hex, deviceFile, time);
    QString name = base;
    for (int n = 2; QFileInfo::exists(QDir(target).filePath(name)); ++n) {
        if (n > kMaxSuffix) {
            result.description = QDir(target).filePath(base) + QStringLiteral(": name taken");
            return result;
        }
        name = base + QLatin1Char('-') + QString::number(n);
    }
    const PcFileResult saved = DeviceFiles::saveHexFile(target, name, hex);
    if (!saved.ok) {
        result.description = saved.description;
        return result;
    }
    result.ok = true;
    result.path = QFileInfo(QDir(target).filePath(name)).absoluteFilePath();
    return result;
}

QStringList BackupStore::list() const
{
    const QString target = folder();
    if (target.isEmpty())
        return {};
    struct Entry {
        QDateTime time;
        QString name;
    };
    QList<Entry> entries;
    for (const QString& name : QDir(target).entryList(QDir::Files)) {
        if (const BackupName parsed = parseName(name); parsed.ok)
            entries.append({parsed.time, name});
    }
    // Newest first; within one second the higher suffix ("-10" after "-9") is the newer.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.time != b.time)
            return a.time > b.time;
        if (a.name.size() != b.name.size())
            return a.name.size() > b.name.size();
        return a.name > b.name;
    });
    QStringList paths;
    for (const Entry& e : entries)
        paths.append(QFileInfo(QDir(target).filePath(e.name)).absoluteFilePath());
    return paths;
}
