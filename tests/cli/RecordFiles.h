#pragma once

// Device record files for the zvctl tests: hex texts and files in the PC download format.
#include "info/RecordDecoder.h"
#include "sim/SimRecords.h"

#include <QFile>
#include <QString>
#include <QtTest>

inline QString hexOf(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

inline void writeHexFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A probe record that differs from the simulated gauge's default one.
inline QByteArray otherProbe()
{
    QByteArray r = SimRecords::defaultProbe();
    for (int i = RecordLayout::SerialNumber; i < RecordLayout::SerialNumber + 4; ++i)
        r[i] = char(0x11 * (i + 1));
    return r;
}
