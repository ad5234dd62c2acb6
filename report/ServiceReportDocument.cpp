#include "report/ServiceReportDocument.h"

#include "picture/StdPictureEx.h"
#include "report/ReportChartObject.h"
#include "state/SharedState.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace
{
const QMarginsF kMarginsMm(18, 14, 18, 10);
constexpr qreal kFootMm = 8;
constexpr qreal kMmPerInch = 25.4;
constexpr int kTextPt = 9;
constexpr int kCalibrationPt = 8;
constexpr int kFootPt = 7;
const QUrl kLogoUrl(QStringLiteral("zv-report:logo"));
const QString kChartAnchor = QStringLiteral("zv-chart-%1");
const QColor kFailedColour(0xC0, 0x00, 0x00);
const QColor kDoneColour(0x10, 0x70, 0x30);
const QColor kFootColour(0x55, 0x55, 0x55);
// A table with thin lines; the calibration's is smaller, so that its values and curves fit on
// one page.
QString table(int padding = 3, int points = kTextPt)
{
    return QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"%1\" "
                          "border=\"1\" style=\"border-collapse: collapse; border-color: "
                          "#9a9a9a; font-size: %2pt;\">")
        .arg(padding)
        .arg(points);
}

QFont reportFont(int points)
{
    QFont font(QStringLiteral("DejaVu Sans"), points);
    font.setStyleHint(QFont::SansSerif);
    // No ligatures: the text taken from the PDF (search, copy) reads as it was written.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QString esc(const QString& text)
{
    return text.toHtmlEscaped();
}

// The header cells with the columns' shares of the width in percent.
QString headerRow(const QStringList& headers, const QList<int>& widths)
{
    QString row = QStringLiteral("<tr>");
    for (qsizetype i = 0; i < headers.size(); ++i)
        row += QStringLiteral("<th bgcolor=\"#e8e8e8\" align=\"left\" width=\"%1%\">%2</th>")
                   .arg(widths.value(i))
                   .arg(esc(headers.at(i)));
    return row + QStringLiteral("</tr>");
}

QString row(const QStringList& texts, const QString& style = {})
{
    QString row =
        style.isEmpty() ? QStringLiteral("<tr>") : QStringLiteral("<tr style=\"%1\">").arg(style);
    for (const QString& t : texts)
        row += QStringLiteral("<td>%1</td>").arg(esc(t));
    return row + QStringLiteral("</tr>");
}

// Labels and values, two pairs to a row.
QString fieldTable(const QList<ReportField>& fields)
{
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\" width=\"100%\">");
    for (qsizetype i = 0; i < fields.size(); i += 2) {
        html += QStringLiteral("<tr>");
        for (qsizetype j = i; j < qMin(i + 2, fields.size()); ++j)
            html += QStringLiteral("<td width=\"21%\"><b>%1</b></td><td width=\"29%\">%2</td>")
                        .arg(esc(fields.at(j).label), esc(fields.at(j).value));
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString heading(const QString& text, bool newPage = false)
{
    return QStringLiteral("<p style=\"font-size: 12pt; font-weight: bold; margin-top: 14px;%1\">"
                          "%2</p>")
        .arg(newPage ? QStringLiteral(" page-break-before: always;") : QString(), esc(text));
}

bool isGood(VisitOutcome::Kind kind)
{
    return kind <= VisitOutcome::Kind::BackupWrittenBack;
}
} // namespace

ServiceReportDocument::ServiceReportDocument(ServiceReport report, QImage logo)
    : m_report(std::move(report)), m_logo(std::move(logo))
{
}

QImage ServiceReportDocument::logoIn(const QString& folder)
{
    const std::optional<Picture> logo =
        StdPictureEx().LoadPicture(QDir(folder).filePath(QStringLiteral("NaxoLogo.png")));
    return logo ? logo->image() : QImage();
}

QString ServiceReportDocument::headerHtml() const
{
    const QString logo =
        m_logo.isNull() ? QString()
                        : QStringLiteral("<img src=\"%1\" height=\"48\">").arg(kLogoUrl.toString());
    return QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr>"
                          "<td valign=\"middle\">%1</td><td align=\"right\" valign=\"middle\">"
                          "<span style=\"font-size: 20pt; font-weight: bold;\">%2</span></td>"
                          "</tr></table><hr>")
               .arg(logo, esc(m_report.title)) +
           fieldTable(m_report.header);
}

QString ServiceReportDocument::gaugeHtml() const
{
    return heading(m_report.gaugeCaption) + fieldTable(m_report.gauge);
}

QString ServiceReportDocument::actionsHtml() const
{
    QString html = heading(m_report.actionsCaption) + table() +
                   headerRow(m_report.actionHeaders, {12, 28, 60});
    const QString failed =
        QStringLiteral("color: %1; font-weight: bold;").arg(kFailedColour.name());
    for (const ReportAction& a : m_report.actions)
        html += row({a.time, a.what, a.outcome}, a.ok ? QString() : failed);
    return html + QStringLiteral("</table>");
}

QString ServiceReportDocument::calibrationHtml() const
{
    QString html = heading(m_report.calibrationCaption, !m_report.calibration.isEmpty());
    if (m_report.calibration.isEmpty())
        return html + QStringLiteral("<p>%1</p>").arg(esc(m_report.calibrationNote));
    for (qsizetype i = 0; i < m_report.calibration.size(); ++i) {
        const ReportCalibration& c = m_report.calibration.at(i);
        html += QStringLiteral("<p><b>%1</b></p>").arg(esc(c.caption)) + table(1, kCalibrationPt) +
                headerRow(c.headers, {40, 12, 24, 24});
        // Values that differ in bold, as the information window shows them.
        for (const FieldChange& f : c.rows)
            html += row({f.field, f.column, f.before, f.after},
                        f.before != f.after ? QStringLiteral("font-weight: bold;") : QString());
        html += QStringLiteral("</table><p align=\"center\"><a name=\"%1\">*</a></p>")
                    .arg(kChartAnchor.arg(i));
    }
    return html;
}

QString ServiceReportDocument::html() const
{
    const QColor closing = isGood(m_report.outcome.kind) ? kDoneColour : kFailedColour;
    return QStringLiteral("<html><body>") + headerHtml() + gaugeHtml() + actionsHtml() +
           calibrationHtml() +
           QStringLiteral("<p style=\"font-size: 12pt; font-weight: bold; color: %1; "
                          "margin-top: 12px;\">%2</p></body></html>")
               .arg(closing.name(), esc(m_report.closing));
}

// Each chart anchor's text becomes the chart object of its section.
void ServiceReportDocument::insertCharts(QTextDocument& document) const
{
    QList<QPair<int, int>> places; // position in the document, section
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QStringList names = it.fragment().charFormat().anchorNames();
            for (qsizetype i = 0; i < m_report.calibration.size(); ++i) {
                if (names.contains(kChartAnchor.arg(i)))
                    places.prepend({it.fragment().position(), int(i)});
            }
        }
    }
    for (const auto& [position, section] : places) { // from the end: positions stay valid
        QTextCursor cursor(&document);
        cursor.setPosition(position);
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        cursor.insertText(QString(QChar::ObjectReplacementCharacter),
                          ReportChartObject::format(section));
    }
}

void ServiceReportDocument::paintFoot(QPainter& painter, const QRectF& page, int number,
                                      int count) const
{
    const qreal height = kFootMm * painter.device()->logicalDpiY() / kMmPerInch;
    const QRectF foot(page.left(), page.bottom() - height, page.width(), height);
    painter.save();
    painter.setFont(reportFont(kFootPt));
    painter.setPen(kFootColour);
    painter.drawText(foot, Qt::AlignLeft | Qt::AlignBottom, m_report.footer);
    painter.drawText(foot, Qt::AlignRight | Qt::AlignBottom,
                     m_report.pageOf.arg(number).arg(count));
    painter.restore();
}

bool ServiceReportDocument::paint(QPagedPaintDevice& device) const
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(kMarginsMm, QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&device);
    ReportChartObject charts(m_report.calibration);
    document.documentLayout()->registerHandler(ReportChartObject::Type, &charts);
    document.setDefaultFont(reportFont(kTextPt));
    document.setDocumentMargin(0);
    if (!m_logo.isNull())
        document.addResource(QTextDocument::ImageResource, kLogoUrl, m_logo);
    document.setHtml(html());
    insertCharts(document);
    const QRectF page(0, 0, device.width(), device.height());
    const QSizeF body(page.width(), page.height() - kFootMm * device.logicalDpiY() / kMmPerInch);
    document.setPageSize(body);
    const int count = document.pageCount();
    for (int n = 0; n < count; ++n) {
        if (n > 0)
            device.newPage();
        painter.save();
        painter.translate(0, -n * body.height());
        document.drawContents(&painter, QRectF(QPointF(0, n * body.height()), body));
        painter.restore();
        paintFoot(painter, page, n + 1, count);
    }
    return painter.end();
}

bool ServiceReportDocument::writePdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setTitle(m_report.documentTitle);
    writer.setCreator(sharedState().ProgramTitle);
    return paint(writer);
}
