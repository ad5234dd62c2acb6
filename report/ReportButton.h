#pragma once

#include "report/ServiceReport.h"

#include <QPushButton>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>

class QAction;

// "Bericht..." / "Report...": a button whose menu saves the service report of a visit as a PDF
// (the save-file dialog) or prints it (the print dialog), both through the user dialogs. The
// owner says which visit through the source, asked at each use (it may wait for the history,
// without blocking); a source that gives nothing (no history, the visit not in it) is told to
// the user. The dialog follows once the report is there, while the button still exists.
class ReportButton : public QPushButton
{
    Q_OBJECT
public:
    using Source = std::function<QCoro::Task<std::optional<ServiceReport>>()>;

    explicit ReportButton(QWidget* parent = nullptr);

    void setSource(Source source) { m_source = std::move(source); }
    // Captions in the current language.
    void applyLanguage();

    void saveAsPdf();
    void print();

private:
    // Asks the source; then calls use with the report, or says that there is none.
    void withReport(void (ReportButton::*use)(const ServiceReport&));
    void savePdf(const ServiceReport& report);
    void printReport(const ServiceReport& report);

    Source m_source;
    QAction* m_save = nullptr;
    QAction* m_print = nullptr;
};
