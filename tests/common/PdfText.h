#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

// What a PDF says, by poppler's pdftotext and pdfinfo (Debian poppler-utils).
namespace PdfText
{
inline constexpr char kMissing[] =
    "pdftotext, pdfinfo or pdftoppm is missing (Debian poppler-utils)";

inline bool available()
{
    for (const char* tool : {"pdftotext", "pdfinfo", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

inline QByteArray output(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return p.readAllStandardOutput();
}

// The text as laid out (a table row on a line) with every run of white space as one blank:
// lines wrapped on the page join again.
inline QString text(const QString& pdf)
{
    return QString::fromUtf8(
               output(QStringLiteral("pdftotext"), {"-layout", "-enc", "UTF-8", pdf, "-"}))
        .simplified();
}

// Every page drawn in grey at 20 dpi: equal for equal pages, whatever order the file keeps its
// parts in.
inline QByteArray pixels(const QString& pdf)
{
    return output(QStringLiteral("pdftoppm"), {"-r", "20", "-gray", pdf});
}

inline int pages(const QString& pdf)
{
    static const QRegularExpression line(QStringLiteral("Pages:\\s+(\\d+)"));
    return line.match(QString::fromUtf8(output(QStringLiteral("pdfinfo"), {pdf})))
        .captured(1)
        .toInt();
}

// What of the pieces the text lacks, and the text, for a failure message; empty when it holds
// them all.
inline QString lacking(const QString& text, const QStringList& pieces)
{
    QStringList missing;
    for (const QString& piece : pieces) {
        if (!text.contains(piece))
            missing.append(piece);
    }
    return missing.isEmpty() ? QString() : "lacks " + missing.join(" | ") + "\nin: " + text;
}
} // namespace PdfText
