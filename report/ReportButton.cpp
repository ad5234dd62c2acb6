#include "report/ReportButton.h"

#include "report/ServiceReportDocument.h"
#include "report/ServiceReportTexts.h"
#include "state/LogCategories.h"
#include "state/SharedState.h"
#include "state/UserDialogs.h"

#include <QDir>
#include <QMenu>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardPaths>

namespace
{
// "Servicebericht-4711-2026-03-04.pdf" in the user's documents folder.
QString suggestedPath(const ServiceReport& report)
{
    QString name = report.documentTitle;
    name.replace(QRegularExpression(QStringLiteral("[^\\w.-]+")), QStringLiteral("-"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder.isEmpty() ? QDir::homePath() : folder).filePath(name + ".pdf");
}

ServiceReportDocument documentOf(const ServiceReport& report)
{
    return ServiceReportDocument(report,
                                 ServiceReportDocument::logoIn(sharedState().ProgramFolder));
}
} // namespace

ReportButton::ReportButton(QWidget* parent) : QPushButton(parent)
{
    setObjectName(QStringLiteral("cmdReport"));
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mnuReport"));
    m_save = menu->addAction(QString(), this, &ReportButton::saveAsPdf);
    m_save->setObjectName(QStringLiteral("actReportPdf"));
    m_print = menu->addAction(QString(), this, &ReportButton::print);
    m_print->setObjectName(QStringLiteral("actReportPrint"));
    setMenu(menu);
    applyLanguage();
}

void ReportButton::applyLanguage()
{
    setText(ServiceReportTexts::buttonCaption());
    m_save->setText(ServiceReportTexts::saveCaption());
    m_print->setText(ServiceReportTexts::printCaption());
}

void ReportButton::withReport(void (ReportButton::*use)(const ServiceReport&))
{
    if (!m_source) {
        userDialogs().message(ServiceReportTexts::noVisit());
        return;
    }
    QCoro::connect(m_source(), this, [this, use](const std::optional<ServiceReport>& report) {
        if (report)
            (this->*use)(*report);
        else
            userDialogs().message(ServiceReportTexts::noVisit());
    });
}

void ReportButton::saveAsPdf()
{
    withReport(&ReportButton::savePdf);
}

void ReportButton::print()
{
    withReport(&ReportButton::printReport);
}

void ReportButton::savePdf(const ServiceReport& r)
{
    const QString path = userDialogs().chooseSaveFile(
        ServiceReportTexts::saveCaption(), suggestedPath(r), QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (!documentOf(r).writePdf(path)) {
        qCWarning(zvReport) << "service report not written to" << path;
        userDialogs().message(ServiceReportTexts::notWritten(path));
    }
}

void ReportButton::printReport(const ServiceReport& r)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(r.documentTitle);
    printer.setCreator(sharedState().ProgramTitle);
    if (!userDialogs().choosePrinter(printer))
        return;
    if (!documentOf(r).paint(printer)) {
        qCWarning(zvReport) << "service report not printed on" << printer.printerName();
        userDialogs().message(ServiceReportTexts::notPrinted());
    }
}
