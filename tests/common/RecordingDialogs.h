#pragma once

#include "state/UserDialogs.h"

#include <QList>
#include <QStringList>
#include <functional>

// Dialogs for tests: records every message, question and folder request; answers questions from
// yesNoAnswers, then `answer`, folder requests from folderAnswers, then `folder`, save-file
// requests with `saveFile`, password questions from passwordAnswers, then cancelled, and the
// print dialog with `print` (none: cancelled).
class RecordingDialogs final : public UserDialogs
{
public:
    QStringList messages;
    QStringList questions;
    QList<bool> questionDefaults;
    QStringList folderCaptions;
    QList<bool> yesNoAnswers;
    QStringList folderAnswers;
    bool answer = false;
    QString folder;
    int folderRequests = 0;
    QString saveFile; // the answer to a save-file request; empty: cancelled
    QStringList saveSuggestions;
    QStringList passwordQuestions;
    QList<PasswordAnswer> passwordAnswers; // then cancelled
    std::function<bool(QPrinter&)> print; // sets the printer up as the user would

    void message(const QString& text) override { messages.append(text); }
    bool askYesNo(const QString& text, bool defaultYes) override
    {
        questions.append(text);
        questionDefaults.append(defaultYes);
        return yesNoAnswers.isEmpty() ? answer : yesNoAnswers.takeFirst();
    }
    QString chooseFolder(const QString& caption, const QString&) override
    {
        ++folderRequests;
        folderCaptions.append(caption);
        return folderAnswers.isEmpty() ? folder : folderAnswers.takeFirst();
    }
    QString chooseSaveFile(const QString&, const QString& suggestedPath, const QString&) override
    {
        saveSuggestions.append(suggestedPath);
        return saveFile;
    }
    std::optional<PasswordAnswer> askPassword(const QString& text, const QString&) override
    {
        passwordQuestions.append(text);
        if (passwordAnswers.isEmpty())
            return std::nullopt;
        return passwordAnswers.takeFirst();
    }
    bool choosePrinter(QPrinter& printer) override { return print && print(printer); }
};
