#include "history/FileLocks.h"

#include <QFile>
#include <QRegularExpression>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace FileLocks
{

bool listsLock(const QString& procLocks, unsigned major, unsigned minor, quint64 inode)
{
    // "1: POSIX  ADVISORY  READ 20361 fe:00:10952963 128 128": device in hex, inode in decimal.
    static const QRegularExpression file(
        QStringLiteral("(?:^|\\s)([0-9a-f]+):([0-9a-f]+):([0-9]+)(?:\\s|$)"),
        QRegularExpression::MultilineOption);
    for (auto it = file.globalMatch(procLocks); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        bool ok[3] = {};
        if (m.captured(1).toUInt(&ok[0], 16) == major &&
            m.captured(2).toUInt(&ok[1], 16) == minor &&
            m.captured(3).toULongLong(&ok[2]) == inode && ok[0] && ok[1] && ok[2])
            return true;
    }
    return false;
}

bool isLocked(const QString& path)
{
    struct stat info {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    return listsLock(QString::fromLatin1(locks.readAll()), ::major(info.st_dev),
                     ::minor(info.st_dev), info.st_ino);
}

} // namespace FileLocks
