#include "app/QtUserDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace
{
// Runs `inspect` on the modal dialog as soon as it is open (the dialog's own loop runs then).
void whenModalOpens(std::function<void(QWidget*)> inspect)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, inspect] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            inspect(modal);
        }
    });
    poll->start();
}

struct Seen {
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Records the message box and presses `answer`.
void answerBox(Seen* seen, QMessageBox::StandardButton answer)
{
    whenModalOpens([seen, answer](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->buttons = box->standardButtons();
        if (QPushButton* d = box->defaultButton())
            seen->defaultButton = box->standardButton(d);
        box->button(answer)->click();
    });
}
} // namespace

class QtUserDialogsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("ZVService")); }
    void message();
    void askYesNo_data();
    void askYesNo();
    void chooseFolderCancelled();
};

void QtUserDialogsTest::message()
{
    // a message / box with the text, only an OK button and the program's name as title
    QtUserDialogs dialogs;
    Seen seen;
    answerBox(&seen, QMessageBox::Ok);
    dialogs.message(QStringLiteral("Bitte warten\r\n"));
    QCOMPARE(seen.text, QStringLiteral("Bitte warten\r\n"));
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(seen.title, QStringLiteral("ZVService"));
}

void QtUserDialogsTest::askYesNo_data()
{
    QTest::addColumn<bool>("defaultYes");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("result");
    QTest::newRow("default Yes, Yes") << true << int(QMessageBox::Yes) << true;
    QTest::newRow("default Yes, No") << true << int(QMessageBox::No) << false;
    QTest::newRow("default No, Yes") << false << int(QMessageBox::Yes) << true;
    QTest::newRow("default No, No") << false << int(QMessageBox::No) << false;
}

void QtUserDialogsTest::askYesNo()
{
    // a question answered Yes or No / Yes and No buttons, the asked default, the answer returned
    QFETCH(bool, defaultYes);
    QFETCH(int, answer);
    QFETCH(bool, result);
    QtUserDialogs dialogs;
    Seen seen;
    answerBox(&seen, QMessageBox::StandardButton(answer));
    QCOMPARE(dialogs.askYesNo(QStringLiteral("Reset?"), defaultYes), result);
    QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(seen.defaultButton, defaultYes ? QMessageBox::Yes : QMessageBox::No);
}

void QtUserDialogsTest::chooseFolderCancelled()
{
    // folder dialog cancelled / empty result
    QtUserDialogs dialogs;
    QTemporaryDir dir;
    bool opened = false;
    whenModalOpens([&opened](QWidget* modal) {
        opened = qobject_cast<QFileDialog*>(modal) != nullptr;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    });
    QCOMPARE(dialogs.chooseFolder(QStringLiteral("Folder"), dir.path()), QString());
    QVERIFY(opened);
}

QTEST_MAIN(QtUserDialogsTest)
#include "tst_qtuserdialogs.moc"
