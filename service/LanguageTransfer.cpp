#include "service/LanguageTransfer.h"

#include "link/DeviceFile.h"
#include "link/GaugeSession.h"
#include "state/LogCategories.h"
#include "state/ServiceJournal.h"
#include "state/ServiceLog.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace
{
constexpr char kHexDigits[] = "0123456789ABCDEF";

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

LanguageTransfer::LanguageTransfer(GaugeSession& session, const QString& programFolder,
                                   QObject* parent)
    : QObject(parent), m_session(session), m_programFolder(programFolder), m_log(AppendServiceLog)
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

DeviceOutcome LanguageTransfer::checkFile(const QString& path, QByteArray* bytes)
{
    const QFileInfo info(path);
    const auto problem = [&info](int error, const QString& detail) {
        DeviceOutcome o =
            DeviceOutcome::failed(DeviceFailure::FileError, DeviceStep::PcFile, QString(), detail);
        o.pcFileError = error;
        o.file = info.fileName();
        o.bytes = info.isFile() ? info.size() : 0;
        return o;
    };
    if (!info.exists())
        return problem(kFileMissing, QStringLiteral("file not found"));
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return problem(kFileUnreadable, file.errorString());
    if (file.size() > kMaxFileBytes)
        return problem(kFileTooLarge, QStringLiteral("file too large"));
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError || content.size() != file.size())
        return problem(kFileUnreadable, file.errorString());
    if (content.isEmpty())
        return problem(kFileEmpty, QStringLiteral("file empty"));
    if (bytes)
        *bytes = content;
    DeviceOutcome o = DeviceOutcome::success(DeviceStep::PcFile);
    o.file = info.fileName();
    o.bytes = content.size();
    return o;
}

QCoro::Task<DeviceOutcome> LanguageTransfer::run(QString folder, QString fileName,
                                                 const CancelToken* cancel, int timeoutMs)
{
    m_cancel = cancel;
    m_timeoutMs = timeoutMs;
    QByteArray bytes;
    DeviceOutcome result = checkFile(folder + fileName, &bytes);
    result.file = fileName;
    if (!result.ok())
        co_return result;

    m_value = 0;
    m_maximum = progressMaximum(bytes.size());
    emit progress(m_value, m_maximum);
    QByteArray hex = hexText(bytes, [this] { step(); });
    bytes.clear();

    log(QStringLiteral("Logdatei ") +
        QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat));
    log(QStringLiteral("App.Path = ") + m_programFolder);
    emit sending();
    const DeviceOutcome sent = co_await sendFile(std::move(hex), result);
    m_session.journal().languageFileSent(sent.file, sent.bytes, sent.ok(),
                                         sent.ok() ? QString() : describeOutcome(sent));
    co_return sent;
}

// The create, the full chunks, a last shorter one and the close, each with the create's handle.
// Progress: a step after every chunk the gauge took, before the close, and full once closed. The
// log names the command sent last before each full chunk, and each command once it is answered.
QCoro::Task<DeviceOutcome> LanguageTransfer::sendFile(QByteArray hex, DeviceOutcome result)
{
    // The step's outcome, for this file. Each result into a variable first: g++ 12 mishandles a
    // co_await inside a larger expression.
    const auto keep = [&result](const DeviceOutcome& step) {
        const QString file = result.file;
        const qint64 bytes = result.bytes;
        const int chunk = result.chunk;
        result = step;
        result.file = file, result.bytes = bytes, result.chunk = chunk;
    };
    DeviceFile file(m_session.channel(), m_cancel, m_timeoutMs);
    DeviceOutcome done = co_await file.create(result.file, result.bytes);
    keep(done);
    if (!result.ok())
        co_return result;
    QString sent = DeviceFile::createCommand(result.bytes, result.file);
    for (qint64 offset = 0; offset < hex.size(); offset += kChunkHexChars) {
        const qint64 characters = qMin<qint64>(kChunkHexChars, hex.size() - offset);
        const QByteArray chunk = hex.mid(offset, characters);
        if (characters == kChunkHexChars)
            log(QStringLiteral("to write") + sent);
        ++result.chunk;
        sent = DeviceFile::writeCommand(file.handle(), offset / 2, int(characters / 2), chunk);
        done = co_await file.write(offset / 2, chunk);
        keep(done);
        log(sent);
        if (!result.ok()) {
            done = co_await file.closeAfter(result);
            keep(done);
            co_return result;
        }
        step();
    }
    result.chunk = 0;
    step();
    done = co_await file.close();
    keep(done);
    log(DeviceFile::closeCommand(file.handle()));
    // The maximum counts more steps than most files take: a transfer that is done shows it full.
    if (result.ok())
        emit progress(m_maximum, m_maximum);
    co_return result;
}
