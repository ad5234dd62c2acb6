#pragma once

#include "state/UserDialogs.h"

// Message boxes and dialogs of the windows: QMessageBox with the default (program) title and the
// buttons asked for, QFileDialog for folders and files to save, a small dialog for a password,
// QPrintDialog for printing.
class QtUserDialogs final : public UserDialogs
{
public:
    void message(const QString& text) override;
    bool askYesNo(const QString& text, bool defaultYes) override;
    QString chooseFolder(const QString& caption, const QString& startFolder) override;
    QString chooseSaveFile(const QString& caption, const QString& suggestedPath,
                           const QString& filter) override;
    std::optional<PasswordAnswer> askPassword(const QString& text,
                                              const QString& keepCaption) override;
    bool choosePrinter(QPrinter& printer) override;
};
