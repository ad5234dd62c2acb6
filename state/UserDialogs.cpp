#include "state/UserDialogs.h"

#include "state/LogCategories.h"

namespace
{
// Used before a real implementation is installed: logs, answers No, chooses nothing.
class SilentDialogs final : public UserDialogs
{
public:
    void message(const QString& text) override { qCWarning(zvApp) << "message:" << text; }
    bool askYesNo(const QString& text, bool) override
    {
        qCWarning(zvApp) << "question (answered No):" << text;
        return false;
    }
    QString chooseFolder(const QString&, const QString&) override { return {}; }
};

SilentDialogs silent;
UserDialogs* current = &silent;
} // namespace

UserDialogs& userDialogs()
{
    return *current;
}

void setUserDialogs(UserDialogs* dialogs)
{
    current = dialogs ? dialogs : &silent;
}
