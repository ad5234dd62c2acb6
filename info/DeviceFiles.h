#pragma once

#include <QByteArray>
#include <QString>

// The PC copies of the gauge's files: one line of hex text followed by CR LF, in a folder the
// caller names (never the process's current folder).
struct PcFileResult {
    bool ok = true;
    int errorNumber = 0; // 53 file not found, 62 file too short, 75 access error, 7 too large
    QString description; // English, with the path
    QString hex;         // the text loaded (load only)
};

namespace DeviceFiles
{
constexpr int ErrorTooLarge = 7;
constexpr int ErrorNotFound = 53;
constexpr int ErrorTooShort = 62;
constexpr int ErrorAccess = 75;
// Files larger than this are no copy of a gauge file.
constexpr qint64 MaxFileBytes = 1 << 20;

// Writes hex + CR LF into folder/name, replacing an existing file only once the new one is
// complete.
PcFileResult saveHexFile(const QString& folder, const QString& name, const QString& hex);

// Reads folder/name and drops its line end (CR LF, or a lone LF). A file of fewer than two
// characters is refused; one holding only the line end gives empty text. The text is not checked
// here (the writer checks it before it sends anything).
PcFileResult loadHexFile(const QString& folder, const QString& name);

// The text of a PC copy read into memory, as loadHexFile gives it (the description without the
// path). Total on any bytes.
PcFileResult hexFromFileBytes(QByteArray bytes);
// What saveHexFile writes for hex: the text and CR LF.
QByteArray fileBytesFor(const QString& hex);
} // namespace DeviceFiles
