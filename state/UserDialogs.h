#pragma once

#include <QString>
#include <optional>

// The answer to a password question.
struct PasswordAnswer {
    QString password;
    bool keep = false; // the box "keep it" was ticked
};

class QPrinter;

// The one seam through which the program talks to the user in message boxes and dialogs.
// The windows install a QMessageBox / QFileDialog implementation; the command-line tool and the
// tests install their own. Core sequences receive it by reference and never show widgets.
class UserDialogs
{
public:
    virtual ~UserDialogs() = default;
    // A message box with an OK button and the default title.
    virtual void message(const QString& text) = 0;
    // A question with Yes and No buttons; defaultYes picks the default button.
    virtual bool askYesNo(const QString& text, bool defaultYes) = 0;
    // A folder chooser; an empty result means the user cancelled.
    virtual QString chooseFolder(const QString& caption, const QString& startFolder) = 0;
    // A save-file chooser starting at suggestedPath, offering files matching filter (as
    // "CSV (*.csv)"); an empty result means the user cancelled. Without a dialog: cancelled.
    virtual QString chooseSaveFile(const QString& caption, const QString& suggestedPath,
                                   const QString& filter)
    {
        (void)caption, (void)suggestedPath, (void)filter;
        return {};
    }
    // A password question: the text, a hidden entry and, where keepCaption is not empty, a box
    // with that caption for keeping the password; nothing when cancelled. Without a dialog:
    // cancelled.
    virtual std::optional<PasswordAnswer> askPassword(const QString& text,
                                                      const QString& keepCaption)
    {
        (void)text, (void)keepCaption;
        return std::nullopt;
    }
    // The system's print dialog on printer; false means the user cancelled. Without a dialog:
    // cancelled.
    virtual bool choosePrinter(QPrinter& printer)
    {
        (void)printer;
        return false;
    }
};

// The process-wide dialogs; set by the program or a test before any window is used.
UserDialogs& userDialogs();
void setUserDialogs(UserDialogs* dialogs);
