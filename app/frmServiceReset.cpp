// The main window's memory reset: the question, the reset (MemoryReset), and after it the
// disconnect and the end of the program.
#include "app/frmService.h"
#include "link/BLE.h"
#include "link/BleLink.h"
#include "link/SequenceRunner.h"
#include "service/MemoryReset.h"
#include "service/ServiceTexts.h"
#include "state/UserDialogs.h"

#include <QLineEdit>

void frmService::cmdReset_Click()
{
    BleLink* link = ble()->link();
    if (!link->session() || link->busy() || m_runner->isRunning())
        return;
    Sequence<DeviceOutcome> reset = [](SequenceContext run) -> QCoro::Task<DeviceOutcome> {
        MemoryReset resetting(*run.session);
        DeviceOutcome outcome = co_await resetting.run(userDialogs(), &run.cancel);
        co_return outcome;
    };
    QCoro::connect(m_runner->run(link->session(), std::move(reset)), this,
                   [this](const DeviceOutcome& r) { resetEnded(r); });
}

void frmService::resetEnded(const DeviceOutcome& r)
{
    if (r.failure == DeviceFailure::Declined || m_ended)
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
