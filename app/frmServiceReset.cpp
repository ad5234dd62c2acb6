// The main window's memory reset: the question, the reset (MemoryReset), and after it the
// disconnect and the end of the program.
#include "app/frmService.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "link/CommandChannel.h"
#include "link/DeviceBusy.h"
#include "link/EventLoopTurn.h"
#include "service/MemoryReset.h"
#include "service/ServiceTexts.h"
#include "state/UserDialogs.h"

#include <QLineEdit>

void frmService::cmdReset_Click()
{
    CommandChannel* link = ble()->channel();
    if (!link || deviceBusy().isBusy())
        return;
    auto reset = std::make_shared<MemoryReset>(*link);
    m_serviceCancel = std::make_shared<CancelToken>();
    QCoro::connect(
        holding(reset->run(userDialogs(), m_serviceCancel.get()), reset, m_serviceCancel), this,
        [this](const TransferResult& r) { resetEnded(r); });
}

void frmService::resetEnded(const TransferResult& r)
{
    if (r.status == TransferStatus::Declined || m_ended)
        return;
    const QString text = ServiceTexts::resetOutcome(r);
    txtLog->setText(text);
    if (!r.ok()) {
        userDialogs().message(text);
        return;
    }
    ble()->link()->BLEDisconnect();
    close();
}
