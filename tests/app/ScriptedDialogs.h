#pragma once

#include "state/UserDialogs.h"

#include <QList>
#include <QStringList>

// Dialogs for tests: records every message and question and answers from queues (No and an empty
// folder once a queue is empty).
class ScriptedDialogs final : public UserDialogs
{
public:
    void message(const QString& text) override { messages.append(text); }
    bool askYesNo(const QString& text, bool) override
    {
        questions.append(text);
        return yesNoAnswers.isEmpty() ? false : yesNoAnswers.takeFirst();
    }
    QString chooseFolder(const QString& caption, const QString&) override
    {
        folderCaptions.append(caption);
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }

    QStringList messages;
    QStringList questions;
    QStringList folderCaptions;
    QList<bool> yesNoAnswers;
    QStringList folderAnswers;
};
