#include "app/QtUserDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

// Message boxes show device texts: markup in a gauge's name or reply is shown as characters.
namespace
{
// Reads text and format of the message box once it is open, then presses its first button.
void inspectBox(QString* text, Qt::TextFormat* format)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, text, format] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->stop();
        poll->deleteLater();
        *text = box->text();
        *format = box->textFormat();
        box->buttons().first()->click();
    });
    poll->start();
}
} // namespace

class PlainMessagesTest : public QObject
{
    Q_OBJECT
private slots:
    void markupShownAsText_data();
    void markupShownAsText();
};

void PlainMessagesTest::markupShownAsText_data()
{
    QTest::addColumn<bool>("question");
    QTest::addColumn<QString>("text");
    QTest::newRow("message, bold name") << false << "Error7 <b>ZE</b> refused";
    QTest::newRow("message, link") << false << "<a href=\"x\">ZE</a>\r\n";
    QTest::newRow("question, heading") << true << "<h1>ZE-100</h1> ?";
}

void PlainMessagesTest::markupShownAsText()
{
    // a message or question holding markup / box shows the text unchanged, as plain text
    QFETCH(bool, question);
    QFETCH(QString, text);
    QtUserDialogs dialogs;
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    inspectBox(&shown, &format);
    if (question)
        dialogs.askYesNo(text, false);
    else
        dialogs.message(text);
    QCOMPARE(shown, text);
    QCOMPARE(format, Qt::PlainText);
}

QTEST_MAIN(PlainMessagesTest)
#include "tst_plainmessages.moc"
