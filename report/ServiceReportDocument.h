#pragma once

#include "report/ServiceReport.h"

#include <QImage>
#include <QString>

class QPagedPaintDevice;
class QTextDocument;

// A service report on A4 pages: the logo and the header, the gauge, the work done with its
// outcomes, from a new page the calibration (tables and curves), the closing line, and on every
// page a foot line with the page number. Laid out by QTextDocument in the device's own
// resolution, so a PDF and a printer get the same pages. Nothing in it depends on the time it is
// made. Needs a QApplication (the curves are a Qt Charts chart).
class ServiceReportDocument
{
public:
    ServiceReportDocument(ServiceReport report, QImage logo);

    // Sets the device's page layout and paints every page; false when the device cannot be
    // painted on (a file that cannot be written).
    bool paint(QPagedPaintDevice& device) const;
    // The report as a PDF file at path, its title in the file's metadata.
    bool writePdf(const QString& path) const;

    // The logo of the program's folder (NaxoLogo.png); a null image when there is none.
    static QImage logoIn(const QString& folder);

private:
    QString html() const;
    QString headerHtml() const;
    QString gaugeHtml() const;
    QString actionsHtml() const;
    QString calibrationHtml() const;
    void insertCharts(QTextDocument& document) const;
    void paintFoot(QPainter& painter, const QRectF& page, int number, int count) const;

    ServiceReport m_report;
    QImage m_logo;
};
