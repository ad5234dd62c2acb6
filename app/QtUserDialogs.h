#pragma once

#include "state/UserDialogs.h"

// Message boxes and folder dialogs of the windows: QMessageBox with the default (program) title
// and the buttons asked for, QFileDialog for folders.
class QtUserDialogs final : public UserDialogs
{
public:
    void message(const QString& text) override;
    bool askYesNo(const QString& text, bool defaultYes) override;
    QString chooseFolder(const QString& caption, const QString& startFolder) override;
};
