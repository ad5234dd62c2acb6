#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

// What the simulated gauge does with the k-th command written to it (k counts from 1).
enum class SimFault {
    None,
    DropLink,       // the link drops when command k arrives; no reply
    DropAfterWrite, // command k's write is acknowledged, then the link drops; no reply
    NoReply,        // command k is swallowed; the read-back delivers an empty value
    Garbled,        // the reply to k is garbage
    StatusError,    // the reply to k carries an error status
};

// The gauge's answer to one written command.
struct SimReply {
    QByteArray value;            // what the next read-back of the command characteristic delivers
    bool dropLink = false;       // the gauge drops the link instead of answering
    bool dropAfterWrite = false; // ... once the write of the command is acknowledged
};

// A Zelvo gauge in software: device files with handles, the read / write / close protocol, the
// identity, the clock, the battery, listing and memory reset. It knows nothing about Bluetooth; a
// back end feeds it the commands written to the command characteristic.
class SimGauge : public QObject
{
    Q_OBJECT
public:
    explicit SimGauge(QObject* parent = nullptr);

    // Processes one command as written to the command characteristic.
    SimReply handleCommand(const QByteArray& command);

    // Device files (raw bytes by name).
    QMap<QString, QByteArray> files() const { return m_files; }
    QByteArray file(const QString& name) const { return m_files.value(name); }
    void setFile(const QString& name, const QByteArray& bytes) { m_files.insert(name, bytes); }
    void removeFile(const QString& name) { m_files.remove(name); }
    // Loads every file in the PC download format (one line of hex text plus CR LF) from dir.
    // Returns the names loaded; files that are not hex text are skipped and named in skipped.
    QStringList loadFolder(const QString& dir, QStringList* skipped = nullptr);

    // Advertising identity.
    QString name() const { return m_name; }
    QString serverId() const { return m_serverId; }
    void setName(const QString& name) { m_name = name; }
    void setServerId(const QString& id) { m_serverId = id; }
    void setIdentityReply(const QByteArray& reply) { m_identity = reply; }

    // Clock: the gauge's time runs with the computer's clock plus an offset.
    QDateTime clock() const;
    void setClock(const QDateTime& t);
    void setBatteryText(const QByteArray& text) { m_battery = text; }

    // Fault injection by command number (1-based count of commands received).
    void setFault(int commandNumber, SimFault fault) { m_faults.insert(commandNumber, fault); }
    // Command k is answered with exactly this text instead (a reply no fault kind produces).
    void setScriptedReply(int commandNumber, const QByteArray& reply)
    {
        m_scripted.insert(commandNumber, reply);
    }
    void clearFaults()
    {
        m_faults.clear();
        m_scripted.clear();
    }
    // Pads every read reply to 32 bytes with 0xFF, as some gauges do with a file's last block.
    void setPadReads(bool on) { m_padReads = on; }
    // Stores the byte at this offset of the next written file wrong (verify tests); -1 = off.
    void setCorruptWriteOffset(int offset) { m_corruptOffset = offset; }

    // Everything received, in order, and the commands counted so far.
    QList<QByteArray> transcript() const { return m_transcript; }
    void clearTranscript() { m_transcript.clear(); }
    int commandCount() const { return m_count; }
    // Handles still open (files a sequence left open).
    int openHandleCount() const { return int(m_open.size()); }
    bool resetDone() const { return m_resetDone; }

private:
    struct OpenFile {
        QString name;
        bool writing = false;
        int position = 0;
        int announcedLength = 0;
        QByteArray data;
    };
    QByteArray dispatch(const QByteArray& command);
    QByteArray openForRead(const QByteArray& args);
    QByteArray readBlock(const QByteArray& args);
    QByteArray closeFile(const QByteArray& args);
    QByteArray removeFile(const QByteArray& args);
    QByteArray createFile(const QByteArray& args);
    QByteArray writeChunk(const QByteArray& args);
    QByteArray setClockText(const QByteArray& args);
    QByteArray listing() const;
    QByteArray memoryReset();
    QByteArray errorReplyFor(const QByteArray& command) const;
    int newHandle();

    QMap<QString, QByteArray> m_files;
    QMap<int, OpenFile> m_open;
    QMap<int, SimFault> m_faults;
    QMap<int, QByteArray> m_scripted;
    QList<QByteArray> m_transcript;
    QString m_name = QStringLiteral("ZE-100");
    QString m_serverId = QStringLiteral("5A454C564F01");
    QByteArray m_identity;
    QByteArray m_battery = "3710";
    qint64 m_clockOffsetSecs = 0;
    int m_count = 0;
    int m_nextHandle = 1;
    int m_corruptOffset = -1;
    bool m_resetDone = false;
    bool m_padReads = false;
};
