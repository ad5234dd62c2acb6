#include "link/BLE.h"

#include "link/BleLink.h"
#include "link/GaugeProtocol.h"
#include "state/SharedState.h"
#include "state/TextCatalogue.h"
#include "state/UserDialogs.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

BLE::BLE(BLEClient* client, QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("BLE"));
    // The link's channels fill the program's shared reply variables.
    m_link = new BleLink(client, userDialogs(), sharedState(), this);

    Label1 = new QLabel(QStringLiteral("Bluetooth-Gerät zum Verbinden auswählen"), this);
    lbDevices = new QListWidget(this);
    lbDevices->setMinimumWidth(420);
    txtLog = new QLineEdit(QStringLiteral("Text1"), this);
    txtLog->setReadOnly(true);
    cmdScan = new QPushButton(QStringLiteral("Scan"), this);
    cmdConnect = new QPushButton(QStringLiteral("Connect"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdScan);
    buttons->addWidget(cmdConnect);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lbDevices);
    layout->addLayout(buttons);
    layout->addWidget(txtLog);

    connect(cmdScan, &QPushButton::clicked, m_link, &BleLink::cmdScan_Click);
    connect(cmdConnect, &QPushButton::clicked, this,
            [this] { m_link->cmdConnect_click(selectedRow()); });
    connect(m_link, &BleLink::changed, this, &BLE::refresh);
    connect(m_link, &BleLink::linkReady, this, &BLE::onLinkReady);
    connect(m_link, &BleLink::linkDown, this, &BLE::linkDown);
    // What was read belongs to its connection: the shared copies go with it.
    connect(m_link, &BleLink::sessionChanged, this, [this] {
        if (!m_link->session())
            forgetGaugeData(sharedState());
    });
    Form_Load();
}

void BLE::Form_Load()
{
    SharedState& s = sharedState();
    setWindowTitle(s.ProgramTitle + QLatin1Char(' ') + s.ProgramVersion);
    m_link->Form_Load();
    s.ServiceUuid = GaugeProtocol::kServiceUuid;
    s.CommandCharUuid = GaugeProtocol::kCommandCharUuid;
    s.TraceCharUuid = GaugeProtocol::kTraceCharUuid;
    refresh();
}

void BLE::applyLanguage()
{
    m_link->applyLanguage();
    Label1->setText(messageText(2));
}

int BLE::selectedRow() const
{
    const QList<QListWidgetItem*> selected = lbDevices->selectedItems();
    return selected.isEmpty() ? -1 : lbDevices->row(selected.first());
}

void BLE::refresh()
{
    publishLinkState();
    refreshList();
    txtLog->setText(m_link->statusText());
    cmdScan->setText(m_link->scanCaption());
    cmdScan->setEnabled(m_link->scanEnabled());
    cmdConnect->setText(m_link->connectCaption());
    lbDevices->setEnabled(m_link->listEnabled());
}

// The shared link variables follow the link.
void BLE::publishLinkState()
{
    SharedState& s = sharedState();
    s.DeviceConnected = m_link->connected();
    s.ServicesFound = m_link->servicesFound();
    s.DeviceAddress = m_link->address();
    s.ServiceId = m_link->ids().service;
    s.CommandCharId = m_link->ids().command;
    s.TraceCharId = m_link->ids().trace;
}

// Entries are only ever appended or cleared; a list that does not start with the shown entries
// is rebuilt, so that a selection survives new advertisements.
void BLE::refreshList()
{
    const QStringList& entries = m_link->deviceEntries();
    bool prefix = lbDevices->count() <= entries.size();
    for (int i = 0; prefix && i < lbDevices->count(); ++i)
        prefix = lbDevices->item(i)->text() == entries.at(i);
    if (!prefix)
        lbDevices->clear();
    for (int i = lbDevices->count(); i < entries.size(); ++i)
        lbDevices->addItem(entries.at(i));
}

void BLE::onLinkReady()
{
    emit linkReady();
    hide();
}

void BLE::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_link->Form_Activate();
}

// Closing only hides the window; the link stays as it is.
void BLE::closeEvent(QCloseEvent* event)
{
    hide();
    event->ignore();
}
