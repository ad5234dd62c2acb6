#include "service/LanguageTransfer.h"

#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "state/LogCategories.h"
#include "state/ServiceLog.h"
#include "state/SharedState.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace
{
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr qint16 kPending = 55;

// The whole number nearest to x; a half goes to the even neighbour.
qint64 roundHalfEven(double x)
{
    const double below = std::floor(x);
    const double rest = x - below;
    const qint64 n = qint64(below);
    if (rest > 0.5)
        return n + 1;
    if (rest < 0.5)
        return n;
    return (n % 2 == 0) ? n : n + 1;
}
} // namespace

LanguageTransfer::LanguageTransfer(CommandChannel& channel, QObject* parent)
    : QObject(parent), m_channel(channel), m_log(AppendServiceLog)
{
}

int LanguageTransfer::progressMaximum(qint64 length)
{
    const double l = double(qMax<qint64>(length, 0));
    return int(1 + roundHalfEven(l / 32.0 + l / 200.0 + 0.5));
}

QByteArray LanguageTransfer::hexText(const QByteArray& bytes, const std::function<void()>& step)
{
    QByteArray hex(2 * bytes.size(), Qt::Uninitialized);
    char* out = hex.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        *out++ = kHexDigits[b >> 4];
        *out++ = kHexDigits[b & 0x0F];
        if ((i + 1) % kProgressBytes == 0 && step)
            step();
    }
    return hex;
}

QString LanguageTransfer::createCommand(qint64 length, const QString& name)
{
    return QStringLiteral("$fw?") + QString::number(length) + QLatin1Char(' ') + name +
           QLatin1Char('!');
}

QString LanguageTransfer::writeCommand(int handle, qint64 byteOffset, int count,
                                       const QByteArray& hex)
{
    return QStringLiteral("$wr?") + QString::number(handle) + QLatin1Char(' ') +
           QString::number(byteOffset) + QLatin1Char(' ') + QString::number(count) +
           QLatin1Char(' ') + QLatin1String(hex) + QLatin1Char('!');
}

QString LanguageTransfer::closeCommand(int handle)
{
    return QStringLiteral("$fc?") + QString::number(handle) + QLatin1Char('!');
}

void LanguageTransfer::step()
{
    ++m_value;
    emit progress(qMin(m_value, m_maximum), m_maximum);
}

void LanguageTransfer::log(const QString& line) const
{
    if (m_log)
        m_log(line);
}

LanguageTransferResult LanguageTransfer::readFile(const QString& path, QByteArray& bytes) const
{
    LanguageTransferResult result;
    QFile file(path);
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = LanguageTransferError::FileMissing;
        return result;
    }
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        result.error = LanguageTransferError::FileUnreadable;
        result.detail = file.errorString();
        return result;
    }
    result.bytes = file.size();
    if (result.bytes > kMaxFileBytes) {
        result.error = LanguageTransferError::FileTooLarge;
        return result;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() != result.bytes) {
        result.error = LanguageTransferError::FileUnreadable;
        result.detail = file.errorString();
        return result;
    }
    if (bytes.isEmpty())
        result.error = LanguageTransferError::FileEmpty;
    return result;
}

LanguageTransferResult LanguageTransfer::run(const QString& folder, const QString& fileName,
                                             const CancelToken* cancel, int timeoutMs)
{
    const DeviceBusy::Guard busy;
    m_cancel = cancel;
    m_timeoutMs = timeoutMs;
    QByteArray bytes;
    LanguageTransferResult result = readFile(folder + fileName, bytes);
    result.fileName = fileName;
    if (!result.ok())
        return result;

    m_value = 0;
    m_maximum = progressMaximum(bytes.size());
    emit progress(m_value, m_maximum);
    const QByteArray hex = hexText(bytes, [this] { step(); });
    bytes.clear();

    log(QStringLiteral("Logdatei ") +
        QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat));
    log(QStringLiteral("App.Path = ") + sharedState().ProgramFolder);
    emit sending();
    return sendFile(hex, result);
}

WaitResult LanguageTransfer::ask(const QString& command, const QByteArray& keyword)
{
    return m_channel.requestReply(command, keyword, {}, m_cancel, m_timeoutMs);
}

bool LanguageTransfer::waitFailed(WaitResult wait, LanguageTransferResult& result) const
{
    switch (wait) {
    case WaitResult::Done:
        return false;
    case WaitResult::TimedOut:
        result.error = LanguageTransferError::NoReply;
        break;
    case WaitResult::LinkLost:
        result.error = LanguageTransferError::LinkLost;
        break;
    case WaitResult::Cancelled:
        result.error = LanguageTransferError::Cancelled;
        break;
    case WaitResult::Garbled:
        result.error = LanguageTransferError::GarbledReply;
        break;
    }
    qCWarning(zvService) << "language transfer stopped:" << waitResultName(wait);
    return true;
}

LanguageTransferResult LanguageTransfer::sendFile(const QByteArray& hex,
                                                  LanguageTransferResult result)
{
    SharedState& s = sharedState();
    s.FileHandle = 0;
    s.ReplyData.clear();
    // The create reply carries the handle; the wait covers it by waiting for the status.
    s.ReplyStatus = kPending;
    result.step = LanguageTransferStep::Create;
    const WaitResult created = ask(createCommand(result.bytes, result.fileName), "$fw?");
    if (waitFailed(created, result))
        return result;
    // Every later command of this transfer uses the handle of this reply, never the shared one.
    const int handle = s.FileHandle;
    if (handle == 0 || s.ReplyStatus != 0) {
        result.error = LanguageTransferError::CreateRefused;
        result.status = s.ReplyStatus;
        if (handle > 0) // a refused create that still opened a file
            closeAfterFailure(handle, result);
        return result;
    }
    qint64 writeOffset = 0;
    qint64 remaining = hex.size();
    result.step = LanguageTransferStep::Write;
    while (remaining >= kChunkHexChars) {
        log(QStringLiteral("to write") + s.CommandText);
        if (!sendChunk(handle, hex, writeOffset, kChunkBytes, result)) {
            closeAfterFailure(handle, result);
            return result;
        }
        remaining -= kChunkHexChars;
        writeOffset += kChunkHexChars;
    }
    if (remaining > 0) {
        result.step = LanguageTransferStep::LastWrite;
        if (!sendChunk(handle, hex, writeOffset, int(remaining / 2), result)) {
            closeAfterFailure(handle, result);
            return result;
        }
    }
    if (!closeFile(handle, result))
        return result;
    result.step = LanguageTransferStep::Done;
    return result;
}

bool LanguageTransfer::sendChunk(int handle, const QByteArray& hex, qint64 writeOffset, int count,
                                 LanguageTransferResult& result)
{
    SharedState& s = sharedState();
    ++result.chunk;
    s.ReplyStatus = kPending;
    const QString command =
        writeCommand(handle, writeOffset / 2, count, hex.mid(writeOffset, 2 * count));
    const WaitResult wait = ask(command, "$wr?");
    log(s.CommandText);
    if (waitFailed(wait, result))
        return false;
    const bool full = count == kChunkBytes;
    if (full)
        step();
    if (s.ReplyStatus != 0) {
        result.error =
            full ? LanguageTransferError::WriteRefused : LanguageTransferError::LastWriteRefused;
        result.status = s.ReplyStatus;
        return false;
    }
    if (!full)
        step();
    return true;
}

bool LanguageTransfer::closeFile(int handle, LanguageTransferResult& result)
{
    SharedState& s = sharedState();
    result.step = LanguageTransferStep::Close;
    step();
    s.ReplyStatus = kPending;
    const WaitResult wait = ask(closeCommand(handle), "$fc?");
    log(s.CommandText);
    if (waitFailed(wait, result))
        return false;
    if (s.ReplyStatus != 0) {
        result.error = LanguageTransferError::CloseRefused;
        result.status = s.ReplyStatus;
        return false;
    }
    return true;
}

// After a failed write (or a refused create that gave a handle) the new file is still open on the
// gauge: one close (deaf to the cancel
// token) while the link is up, so that it does not hold one of the gauge's handles. Its outcome
// is only logged; the failed write is the result.
void LanguageTransfer::closeAfterFailure(int handle, const LanguageTransferResult& result)
{
    if (result.error == LanguageTransferError::LinkLost || !sharedState().DeviceConnected)
        return;
    sharedState().ReplyStatus = kPending;
    const WaitResult wait =
        m_channel.requestReply(closeCommand(handle), "$fc?", {}, nullptr, m_timeoutMs);
    const bool closed = wait == WaitResult::Done && sharedState().ReplyStatus == 0;
    qCInfo(zvService) << "language file closed after the failed write:" << closed;
}
