#pragma once

#include "link/DeviceOutcome.h"

#include <QByteArray>
#include <QCoroTask>
#include <QObject>
#include <QString>
#include <functional>

class CancelToken;
class GaugeSession;

// Sends a language file to the gauge as a new device file (DeviceFile): the create command
// "$fw?", the file as upper-case hex text in "$wr?" chunks of 32 bytes and a last shorter one, and
// the close "$fc?". Every wait is bounded; any failure stops the sequence. The outcome names the
// file (its name is also its name on the gauge), its length, and for a failed write the chunk;
// a problem with the file on the PC (nothing sent) is a FileError whose pcFileError says which.
// The transfer must live until it has ended.
class LanguageTransfer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kChunkBytes = 32;
    static constexpr int kChunkHexChars = 2 * kChunkBytes;
    static constexpr int kProgressBytes = 200; // one progress step per 200 bytes turned to hex
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
    // pcFileError of the file problems.
    static constexpr int kFileMissing = 53;
    static constexpr int kFileEmpty = 62;
    static constexpr int kFileUnreadable = 75;
    static constexpr int kFileTooLarge = 7;

    // programFolder: named in the service log ("App.Path").
    LanguageTransfer(GaugeSession& session, const QString& programFolder,
                     QObject* parent = nullptr);

    // Sends folder + fileName under the name fileName. timeoutMs <= 0: the channel's default.
    QCoro::Task<DeviceOutcome> run(QString folder, QString fileName,
                                   const CancelToken* cancel = nullptr, int timeoutMs = -1);

    // What is wrong with the file at path (success: nothing), its length in bytes.
    static DeviceOutcome checkFile(const QString& path, QByteArray* bytes = nullptr);

    // Where the log lines go (the service log unless replaced).
    void setLogSink(std::function<void(const QString&)> sink) { m_log = std::move(sink); }

    // 1 + the whole number nearest to L/32 + L/200 + 0.5, halves to the even neighbour.
    static int progressMaximum(qint64 length);
    // Two upper-case hex digits per byte in one pass; step() after every 200th byte.
    static QByteArray hexText(const QByteArray& bytes, const std::function<void()>& step = {});

signals:
    void progress(int value, int maximum);
    // The file has been read and the commands are about to go out.
    void sending();

private:
    QCoro::Task<DeviceOutcome> sendFile(QByteArray hex, DeviceOutcome result);
    void step();
    void log(const QString& line) const;

    GaugeSession& m_session;
    QString m_programFolder;
    std::function<void(const QString&)> m_log;
    const CancelToken* m_cancel = nullptr;
    int m_timeoutMs = -1;
    int m_value = 0;
    int m_maximum = 0;
};
