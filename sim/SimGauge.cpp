#include "sim/SimGauge.h"

#include "sim/SimRecords.h"
#include "state/LogCategories.h"

#include <QDir>
#include <QFile>

namespace
{
constexpr int kMaxReadBlock = 32;     // the gauge hands out at most 32 bytes per read
constexpr int kMaxFileSize = 1 << 24; // refuse absurd create lengths
const QByteArray kDefaultMac = "A1B2C3D4E5F6";

// "$kw?args!" or "$kw!" (with or without CR LF) -> keyword and argument text.
void splitCommand(const QByteArray& command, QByteArray& keyword, QByteArray& args)
{
    QByteArray c = command;
    while (c.endsWith('\n') || c.endsWith('\r'))
        c.chop(1);
    if (c.endsWith('!'))
        c.chop(1);
    const int q = c.indexOf('?');
    keyword = q < 0 ? c : c.left(q);
    args = q < 0 ? QByteArray() : c.mid(q + 1);
}

bool toInt(const QByteArray& text, int& value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}
} // namespace

SimGauge::SimGauge(QObject* parent) : QObject(parent)
{
    m_files.insert(QStringLiteral("probe"), SimRecords::defaultProbe());
    m_files.insert(QStringLiteral("factory"), SimRecords::defaultFactory());
    m_identity = "$naxo00 H:HW2 V:1.05 B:21 R:3 T:0 M:" + kDefaultMac + "!";
}

SimReply SimGauge::handleCommand(const QByteArray& command)
{
    ++m_count;
    m_transcript.append(command);
    const SimFault fault = m_faults.value(m_count, SimFault::None);
    qCDebug(zvSim) << "command" << m_count << command;
    if (m_scripted.contains(m_count))
        return {m_scripted.value(m_count), false};
    switch (fault) {
    case SimFault::DropLink:
        return {QByteArray(), true};
    case SimFault::DropAfterWrite:
        return {QByteArray(), false, true};
    case SimFault::NoReply:
        return {QByteArray(), false};
    case SimFault::Garbled:
        return {QByteArray("$\x7f#?%%").append(command.left(3)), false};
    case SimFault::StatusError:
        return {errorReplyFor(command), false};
    case SimFault::None:
        break;
    }
    return {dispatch(command), false};
}

QByteArray SimGauge::dispatch(const QByteArray& command)
{
    QByteArray keyword, args;
    splitCommand(command, keyword, args);
    if (keyword == "$fr")
        return openForRead(args);
    if (keyword == "$rd")
        return readBlock(args);
    if (keyword == "$fc")
        return closeFile(args);
    if (keyword == "$rm")
        return removeFile(args);
    if (keyword == "$fw")
        return createFile(args);
    if (keyword == "$wr")
        return writeChunk(args);
    if (keyword.startsWith("$naxo"))
        return m_identity;
    if (keyword == "$glt")
        return "$glt?" + clock().toString(QStringLiteral("yyyy-MM-dd/HH:mm:ss")).toLatin1() + "!";
    if (keyword == "$slt")
        return setClockText(args);
    if (keyword == "$gcv")
        return "$gcv?" + m_battery + "!";
    if (keyword == "$ls")
        return listing();
    if (keyword == "$fsf")
        return memoryReset();
    if (keyword == "$fmod")
        return "$fmod?0!";
    return "$err?unknown!";
}

// Replies that carry an error status the program can see.
QByteArray SimGauge::errorReplyFor(const QByteArray& command) const
{
    QByteArray keyword, args;
    splitCommand(command, keyword, args);
    if (keyword == "$fr")
        return "$fr?0 0!";
    if (keyword == "$fw")
        return "$fw?0 5!";
    if (keyword == "$fc")
        return "$fc?" + args.split(' ').value(0) + " 5!";
    if (keyword == "$wr" || keyword == "$rm")
        return keyword + "?E 5!";
    if (keyword == "$rd")
        return "$rd?0 0 00!";
    if (keyword == "$fsf")
        return "$fsf?5!";
    return "$err?5!";
}

int SimGauge::newHandle()
{
    int h = m_nextHandle;
    while (m_open.contains(h) || h == 0)
        h = (h % 250) + 1;
    m_nextHandle = (h % 250) + 1;
    return h;
}

QByteArray SimGauge::openForRead(const QByteArray& args)
{
    const QString name = QString::fromLatin1(args);
    if (!m_files.contains(name))
        return "$fr?0 0!";
    const int h = newHandle();
    m_open.insert(h, OpenFile{name, false, 0, 0, m_files.value(name)});
    return "$fr?" + QByteArray::number(h) + ' ' + QByteArray::number(m_files.value(name).size()) +
           '!';
}

QByteArray SimGauge::readBlock(const QByteArray& args)
{
    const QList<QByteArray> parts = args.split(' ');
    int h = 0, count = 0;
    if (parts.size() != 2 || !toInt(parts[0], h) || !toInt(parts[1], count) ||
        !m_open.contains(h) || m_open[h].writing || count < 1 || count > kMaxReadBlock)
        return "$rd?0 0 00!";
    OpenFile& f = m_open[h];
    QByteArray chunk = f.data.mid(f.position, count);
    const int offset = f.position;
    f.position += chunk.size();
    if (m_padReads)
        chunk = chunk.leftJustified(kMaxReadBlock, '\xFF');
    return "$rd?" + QByteArray::number(h) + ' ' + QByteArray::number(offset % 10000) + ' ' +
           QByteArray::number(chunk.size()).rightJustified(2, '0') + chunk.toHex().toUpper() + '!';
}

QByteArray SimGauge::closeFile(const QByteArray& args)
{
    int h = 0;
    if (!toInt(args.split(' ').value(0), h) || !m_open.contains(h))
        return "$fc?" + QByteArray::number(h) + " 1!";
    OpenFile f = m_open.take(h);
    if (f.writing) {
        if (m_corruptOffset >= 0 && m_corruptOffset < f.data.size()) {
            f.data[m_corruptOffset] = char(f.data[m_corruptOffset] ^ 0x01);
            m_corruptOffset = -1;
        }
        m_files.insert(f.name, f.data);
    }
    return "$fc?" + QByteArray::number(h) + " 0!";
}

QByteArray SimGauge::removeFile(const QByteArray& args)
{
    const QString name = QString::fromLatin1(args);
    const bool existed = m_files.remove(name) > 0;
    return existed ? "$rm?0 0!" : "$rm?1 0!";
}

QByteArray SimGauge::createFile(const QByteArray& args)
{
    const int blank = args.indexOf(' ');
    int length = 0;
    if (blank < 1 || !toInt(args.left(blank), length) || length < 0 || length > kMaxFileSize)
        return "$fw?0 2!";
    const QString name = QString::fromLatin1(args.mid(blank + 1));
    if (name.isEmpty())
        return "$fw?0 2!";
    const int h = newHandle();
    OpenFile f{name, true, 0, length, QByteArray(length, '\0')};
    m_open.insert(h, f);
    return "$fw?" + QByteArray::number(h) + " 0!";
}

QByteArray SimGauge::writeChunk(const QByteArray& args)
{
    const QList<QByteArray> parts = args.split(' ');
    int h = 0, offset = 0, count = 0;
    if (parts.size() != 4 || !toInt(parts[0], h) || !toInt(parts[1], offset) ||
        !toInt(parts[2], count) || !m_open.contains(h) || !m_open[h].writing)
        return "$wr?E 3!";
    const QByteArray bytes = QByteArray::fromHex(parts[3]);
    OpenFile& f = m_open[h];
    if (count != bytes.size() || parts[3].size() != 2 * count || offset < 0 ||
        offset + count > f.announcedLength)
        return "$wr?E 4!";
    f.data.replace(offset, count, bytes);
    return "$wr?" + QByteArray::number(h) + " 0!";
}

QByteArray SimGauge::setClockText(const QByteArray& args)
{
    const QDateTime t =
        QDateTime::fromString(QString::fromLatin1(args), QStringLiteral("yyyy-MM-dd/HH:mm:ss"));
    if (!t.isValid())
        return "$slt?1!";
    setClock(t);
    return "$slt?0!";
}

QByteArray SimGauge::listing() const
{
    QByteArray names;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it)
        names += (names.isEmpty() ? "" : " ") + it.key().toLatin1();
    return "$ls?" + names + "!";
}

// The memory reset clears every language file; the calibration files survive.
QByteArray SimGauge::memoryReset()
{
    for (const QString& name : m_files.keys()) {
        if (name.startsWith(QLatin1Char('l')))
            m_files.remove(name);
    }
    m_open.clear();
    m_resetDone = true;
    return "$fsf?0!";
}

QDateTime SimGauge::clock() const
{
    return QDateTime::currentDateTime().addSecs(m_clockOffsetSecs);
}

void SimGauge::setClock(const QDateTime& t)
{
    m_clockOffsetSecs = QDateTime::currentDateTime().secsTo(t);
}

QStringList SimGauge::loadFolder(const QString& dir, QStringList* skipped)
{
    QStringList loaded;
    const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& info : entries) {
        QFile f(info.absoluteFilePath());
        if (info.size() > 2 * kMaxFileSize + 2 || !f.open(QIODevice::ReadOnly)) {
            if (skipped)
                skipped->append(info.fileName());
            continue;
        }
        const QByteArray text = f.readAll().trimmed();
        const bool isHex = !text.isEmpty() && text.size() % 2 == 0 &&
                           std::all_of(text.begin(), text.end(), [](char c) {
                               return std::isxdigit(static_cast<unsigned char>(c));
                           });
        if (!isHex) {
            if (skipped)
                skipped->append(info.fileName());
            continue;
        }
        m_files.insert(info.fileName(), QByteArray::fromHex(text));
        loaded.append(info.fileName());
    }
    return loaded;
}
