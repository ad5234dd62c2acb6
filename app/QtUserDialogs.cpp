#include "app/QtUserDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>
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

std::optional<PasswordAnswer> QtUserDialogs::askPassword(const QString& text,
                                                         const QString& keepCaption)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(defaultTitle());
    auto* label = new QLabel(text, &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    auto* entry = new QLineEdit(&dialog);
    entry->setObjectName(QStringLiteral("txtPassword"));
    entry->setEchoMode(QLineEdit::Password);
    auto* keep = new QCheckBox(keepCaption, &dialog);
    keep->setVisible(!keepCaption.isEmpty());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    for (QWidget* part : std::initializer_list<QWidget*>{label, entry, keep, buttons})
        layout->addWidget(part);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return PasswordAnswer{entry->text(), keep->isChecked()};
    }
bool QtUserDialogs::choosePrinter(QPrinter& printer)
{
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}
