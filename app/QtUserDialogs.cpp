#include "app/QtUserDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>

namespace
{
// The default title of a message box: the program's name.
QString defaultTitle()
{
    return QApplication::applicationName();
}
} // namespace

void QtUserDialogs::message(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, defaultTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    // Messages carry device texts (names, replies): markup in them is shown as it is.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtUserDialogs::askYesNo(const QString& text, bool defaultYes)
{
    QMessageBox box(QMessageBox::Question, defaultTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtUserDialogs::chooseFolder(const QString& caption, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), caption, startFolder,
                                             QFileDialog::ShowDirsOnly);
}

QString QtUserDialogs::chooseSaveFile(const QString& caption, const QString& suggestedPath,
                                      const QString& filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, suggestedPath,
                                        filter);
}

bool QtUserDialogs::choosePrinter(QPrinter& printer)
{
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}
