#pragma once

#include "link/ReplyWait.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class CommandChannel;

// Why a language-file transfer ended.
enum class LanguageTransferError {
    None,
    FileMissing,      // no such file in the language folder (nothing is created)
    FileEmpty,        // the file holds no bytes; nothing is sent
    FileUnreadable,   // the file could not be opened or read
    FileTooLarge,     // more bytes than a device file can hold
    CreateRefused,    // the gauge gave no handle (or a bad status) for the new file
    WriteRefused,     // a full 32-byte chunk was refused
    LastWriteRefused, // the last, shorter chunk was refused
    CloseRefused,     // the close was refused
    GarbledReply,     // the gauge's answer could not be taken apart
    NoReply,          // the gauge did not answer in time
    LinkLost,         // the link dropped (or the command could not be written)
    Cancelled,        // the user or a closing window cancelled
};

// The step a transfer was in when it ended.
enum class LanguageTransferStep { File, Create, Write, LastWrite, Close, Done };

struct LanguageTransferResult {
    LanguageTransferError error = LanguageTransferError::None;
    LanguageTransferStep step = LanguageTransferStep::File;
    int status = 0;   // ReplyStatus of a refusing reply
    int chunk = 0;    // 1-based number of the write command that failed
    QString fileName; // the file's name, also its name on the gauge
    QString detail;   // the file system's description of a file error
    qint64 bytes = 0; // the file's length
    bool ok() const { return error == LanguageTransferError::None; }
};

// Sends a language file to the gauge as a new device file: the create command "$fw?", the file
// as upper-case hex text in "$wr?" chunks of 32 bytes and a last shorter one, and the close
// "$fc?". Every wait is bounded; any failure stops the sequence and comes back as a typed result.
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
    LanguageTransferResult run(const QString& folder, const QString& fileName,
                               const CancelToken* cancel = nullptr, int timeoutMs = -1);

    // Where the log lines go (the service log unless replaced).
    void setLogSink(std::function<void(const QString&)> sink) { m_log = std::move(sink); }

    // 1 + the whole number nearest to L/32 + L/200 + 0.5, halves to the even neighbour.
    static int progressMaximum(qint64 length);
    // Two upper-case hex digits per byte in one pass; step() after every 200th byte.
    static QByteArray hexText(const QByteArray& bytes, const std::function<void()>& step = {});

    static QString createCommand(qint64 length, const QString& name);
    static QString writeCommand(int handle, qint64 byteOffset, int count, const QByteArray& hex);
    static QString closeCommand(int handle);

signals:
    void progress(int value, int maximum);
    // The file has been read and the commands are about to go out.
    void sending();

private:
    LanguageTransferResult readFile(const QString& path, QByteArray& bytes) const;
    LanguageTransferResult sendFile(const QByteArray& hex, LanguageTransferResult result);
    bool sendChunk(int handle, const QByteArray& hex, qint64 writeOffset, int count,
                   LanguageTransferResult& result);
    bool closeFile(int handle, LanguageTransferResult& result);
    void closeAfterFailure(int handle, const LanguageTransferResult& result);
    WaitResult ask(const QString& command, const QByteArray& keyword);
    bool waitFailed(WaitResult wait, LanguageTransferResult& result) const;
    void step();
    void log(const QString& line) const;

    CommandChannel& m_channel;
    std::function<void(const QString&)> m_log;
    const CancelToken* m_cancel = nullptr;
    int m_timeoutMs = -1;
    int m_value = 0;
    int m_maximum = 0;
};
