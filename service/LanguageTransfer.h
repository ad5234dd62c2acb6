#pragma once

#include "link/TransferResult.h"

#include <QByteArray>
#include <QCoroTask>
#include <QObject>
#include <QString>
#include <functional>

class CommandChannel;

// What is wrong with the language file on the PC (nothing is sent then).
enum class LanguageFileProblem {
    None,
    Missing,    // no such file in the language folder
    Empty,      // the file holds no bytes
    Unreadable, // the file could not be opened or read
    TooLarge,   // more bytes than a device file can hold
};

struct LanguageTransferResult {
    LanguageFileProblem file = LanguageFileProblem::None;
    TransferResult device; // the device part: status, failing command, the gauge's words
    QString fileName;      // the file's name, also its name on the gauge
    QString detail;        // the file system's description of a file problem
    qint64 bytes = 0;      // the file's length
    int chunk = 0;         // 1-based number of the write command that failed
    bool ok() const { return file == LanguageFileProblem::None && device.ok(); }
    bool cancelled() const { return device.status == TransferStatus::Cancelled; }
};

// Sends a language file to the gauge as a new device file (DeviceFile): the create command
// "$fw?", the file as upper-case hex text in "$wr?" chunks of 32 bytes and a last shorter one, and
// the close "$fc?". Every wait is bounded; any failure stops the sequence and comes back as a typed
// result. The transfer holds the busy mark of the channel while it runs and must live until it
// has ended.
class LanguageTransfer : public QObject
{
    Q_OBJECT
public:
    static constexpr int kChunkBytes = 32;
    static constexpr int kChunkHexChars = 2 * kChunkBytes;
    static constexpr int kProgressBytes = 200; // one progress step per 200 bytes turned to hex
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

    explicit LanguageTransfer(CommandChannel& channel, QObject* parent = nullptr);

    // Sends folder + fileName under the name fileName. timeoutMs <= 0: the channel's default.
    QCoro::Task<LanguageTransferResult>
    run(QString folder, QString fileName, const CancelToken* cancel = nullptr, int timeoutMs = -1);

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
    LanguageTransferResult readFile(const QString& path, QByteArray& bytes) const;
    QCoro::Task<LanguageTransferResult> sendFile(QByteArray hex, LanguageTransferResult result);
    void step();
    void log(const QString& line) const;

    CommandChannel& m_channel;
    std::function<void(const QString&)> m_log;
    const CancelToken* m_cancel = nullptr;
    int m_timeoutMs = -1;
    int m_value = 0;
    int m_maximum = 0;
};
