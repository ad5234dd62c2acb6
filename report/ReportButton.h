#pragma once

#include "report/ServiceReport.h"

#include <QPushButton>
#include <functional>
#include <optional>

class QAction;

// "Bericht..." / "Report...": a button whose menu saves the service report of a visit as a PDF
// (the save-file dialog) or prints it (the print dialog), both through the user dialogs. The
// owner says which visit through the source, asked at each use; a source that gives nothing
// (no history, the visit not in it) is told to the user.
class ReportButton : public QPushButton
{
    Q_OBJECT
public:
    using Source = std::function<std::optional<ServiceReport>()>;

    explicit ReportButton(QWidget* parent = nullptr);

    void setSource(Source source) { m_source = std::move(source); }
    // Captions in the current language.
    void applyLanguage();

    void saveAsPdf();
    void print();

private:
    std::optional<ServiceReport> report() const;

    Source m_source;
    QAction* m_save = nullptr;
    QAction* m_print = nullptr;
};
