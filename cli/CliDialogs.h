#pragma once

#include "state/UserDialogs.h"

// Messages of the command-line tool go to standard error in plain words; questions are answered
// by --yes (or No without it); the folder is the one given on the command line.
class CliDialogs final : public UserDialogs
{
public:
    void setAssumeYes(bool yes) { m_yes = yes; }
    void setFolder(const QString& folder) { m_folder = folder; }
    int messageCount() const { return m_messages; }

    void message(const QString& text) override;
    bool askYesNo(const QString& text, bool defaultYes) override;
    QString chooseFolder(const QString& caption, const QString& startFolder) override;

private:
    bool m_yes = false;
    QString m_folder;
    int m_messages = 0;
};
