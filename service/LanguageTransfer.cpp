#include "service/LanguageTransfer.h"

#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "link/DeviceFile.h"
#include "state/LogCategories.h"
#include "state/ServiceJournal.h"
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
        result.file = LanguageFileProblem::Missing;
        return result;
    }
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        result.file = LanguageFileProblem::Unreadable;
        result.detail = file.errorString();
        return result;
    }
    result.bytes = file.size();
    if (result.bytes > kMaxFileBytes) {
        result.file = LanguageFileProblem::TooLarge;
        return result;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() != result.bytes) {
        result.file = LanguageFileProblem::Unreadable;
        result.detail = file.errorString();
        return result;
    }
    if (bytes.isEmpty())
        result.file = LanguageFileProblem::Empty;
    return result;
}

QCoro::Task<LanguageTransferResult> LanguageTransfer::run(QString folder, QString fileName,
                                                          const CancelToken* cancel, int timeoutMs)
{
    const DeviceBusy::Guard busy;
    m_cancel = cancel;
    m_timeoutMs = timeoutMs;
    QByteArray bytes;
    LanguageTransferResult result = readFile(folder + fileName, bytes);
    result.fileName = fileName;
    if (!result.ok())
        co_return result;

    m_value = 0;
    m_maximum = progressMaximum(bytes.size());
    emit progress(m_value, m_maximum);
    QByteArray hex = hexText(bytes, [this] { step(); });
    bytes.clear();

    log(QStringLiteral("Logdatei ") +
        QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat));
    log(QStringLiteral("App.Path = ") + sharedState().ProgramFolder);
    emit sending();
    const LanguageTransferResult sent = co_await sendFile(std::move(hex), result);
    m_channel.journal().languageFileSent(sent.fileName, sent.bytes, sent.ok(),
                                         sent.ok() ? QString() : describeTransfer(sent.device));
    co_return sent;
}

// The create, the full chunks, a last shorter one and the close, each with the create's handle.
// Progress: a step after every chunk the gauge took, before the close, and full once closed.
QCoro::Task<LanguageTransferResult> LanguageTransfer::sendFile(QByteArray hex,
                                                               LanguageTransferResult result)
{
    SharedState& s = sharedState();
    DeviceFile file(m_channel, m_cancel, m_timeoutMs);
    result.device = co_await file.create(result.fileName, result.bytes);
    if (!result.device.ok())
        co_return result;
    for (qint64 offset = 0; offset < hex.size(); offset += kChunkHexChars) {
        const qint64 characters = qMin<qint64>(kChunkHexChars, hex.size() - offset);
        const bool full = characters == kChunkHexChars;
        if (full)
            log(QStringLiteral("to write") + s.CommandText);
        ++result.chunk;
        result.device = co_await file.write(offset / 2, hex.mid(offset, characters));
        log(s.CommandText);
        if (!result.device.ok()) {
            result.device = co_await file.closeAfter(result.device);
            co_return result;
        }
        step();
    }
    result.chunk = 0;
    step();
    result.device = co_await file.close();
    log(s.CommandText);
    // The maximum counts more steps than most files take: a transfer that is done shows it full.
    if (result.device.ok())
        emit progress(m_maximum, m_maximum);
    co_return result;
}
