#pragma once

#include "tests/common/RecordBuilder.h"
#include "state/ServiceLog.h"
#include "tests/common/RecordingDialogs.h"
#include "tests/common/SimLink.h"

#include <QFile>
#include <QTemporaryDir>

// A connected simulated gauge, recording dialogs and a fresh service log in a temporary program
// folder (backups then go to <program folder>/backup).
struct SafeWriteFixture {
    QTemporaryDir programFolder;
    RecordingDialogs dialogs;
    SimSession sim;

    SafeWriteFixture()
    {
        setUserDialogs(&dialogs);
        sharedState().ProgramFolder = programFolder.path();
        StartServiceLog();
        sim.connect();
    }
    ~SafeWriteFixture() { setUserDialogs(nullptr); }

    QString backupFolder() const { return programFolder.filePath(QStringLiteral("backup")); }

    QStringList logLines() const
    {
        QFile f(sharedState().LogFilePath);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    }

    // Position of the first transcript command starting with prefix; -1 when none.
    int firstIndexOf(const QString& prefix) const
    {
        const QStringList t = sim.transcript();
        for (int i = 0; i < t.size(); ++i)
            if (t[i].startsWith(prefix))
                return i;
        return -1;
    }
};

// A 400-byte record with this serial number and probe type; `fill` varies the curve bytes.
inline QByteArray safeRecord(qint32 serial, quint8 probeType, int fill = 0)
{
    RecordBuilder b;
    b.i32(4, serial).u8(32, probeType);
    for (int i = 0; i < 60; ++i)
        b.f32(36 + 4 * i, float(i + fill) * 0.5f);
    return QByteArray::fromHex(b.hex().toLatin1());
}

inline QString hexOf(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

inline QByteArray fileContent(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
