#pragma once

#include <QString>

class QSettings;

// The history the technician chose in the History window, kept for the next start under
// "history/location" in the program's settings; never with its password.
class HistorySettings
{
public:
    explicit HistorySettings(QSettings& settings) : m_settings(settings) {}

    // The history chosen last; empty: the default file. A password an earlier version kept with
    // it is taken out of the settings and given back this once, so that it reaches the keyring.
    QString takeLocation();
    // Keeps text without its password; empty: the default file.
    void setLocation(const QString& text);

private:
    QSettings& m_settings;
};
