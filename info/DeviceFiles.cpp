#include "info/DeviceFiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace DeviceFiles
{
namespace
{
PcFileResult failure(int number, const QString& description)
{
    PcFileResult r;
    r.ok = false;
    r.errorNumber = number;
    r.description = description;
    return r;
}
} // namespace

PcFileResult saveHexFile(const QString& folder, const QString& name, const QString& hex)
{
    const QString path = QDir(folder).filePath(name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(ErrorAccess, path + QStringLiteral(": ") + file.errorString());
    file.write(fileBytesFor(hex));
    if (!file.commit())
        return failure(ErrorAccess, path + QStringLiteral(": ") + file.errorString());
    return {};
}

PcFileResult loadHexFile(const QString& folder, const QString& name)
{
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (!file.exists())
        return failure(ErrorNotFound, path + QStringLiteral(": file not found"));
    if (!file.open(QIODevice::ReadOnly))
        return failure(ErrorAccess, path + QStringLiteral(": ") + file.errorString());
    if (file.size() > MaxFileBytes)
        return failure(ErrorTooLarge, path + QStringLiteral(": file too large"));
    PcFileResult r = hexFromFileBytes(file.read(MaxFileBytes + 1));
    if (!r.ok)
        r.description = path + QStringLiteral(": ") + r.description;
    return r;
}

QByteArray fileBytesFor(const QString& hex)
{
    return hex.toLatin1() + "\r\n";
}

PcFileResult hexFromFileBytes(QByteArray bytes)
{
    if (bytes.size() > MaxFileBytes)
        return failure(ErrorTooLarge, QStringLiteral("file too large"));
    if (bytes.size() < 2)
        return failure(ErrorTooShort, QStringLiteral("file too short"));
    if (bytes.endsWith("\r\n"))
        bytes.chop(2);
    else if (bytes.endsWith('\n'))
        bytes.chop(1);
    PcFileResult r;
    r.hex = QString::fromLatin1(bytes);
    return r;
}
} // namespace DeviceFiles
