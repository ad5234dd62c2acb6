#include "service/frmTime.h"

#include "state/SharedState.h"
#include "state/TextCatalogue.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmTime::frmTime(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    const SharedState& s = sharedState();
    setWindowTitle(s.ProgramTitle + QLatin1Char(' ') + s.ProgramVersion);
    setObjectName(QStringLiteral("frmTime"));

    Frame1 = new QGroupBox(QStringLiteral("Datum/Zeit aktualisieren"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    txtDateTime = new QLineEdit(Frame1);
    txtDateTime->setObjectName(QStringLiteral("txtDateTime"));
    cmdAkt = new QPushButton(QStringLiteral("Aktualisieren"), Frame1);
    cmdAkt->setObjectName(QStringLiteral("cmdAkt"));

    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(txtDateTime);
    frameLayout->addWidget(cmdAkt);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
}

void frmTime::applyLanguage()
{
    Frame1->setTitle(messageText(15));
    cmdAkt->setText(messageText(16));
}
