#include "link/DeviceBusy.h"

DeviceBusy& deviceBusy()
{
    static DeviceBusy instance;
    return instance;
}

void DeviceBusy::enter()
{
    if (++m_depth == 1)
        emit busyChanged(true);
}

void DeviceBusy::leave()
{
    if (m_depth > 0 && --m_depth == 0)
        emit busyChanged(false);
}

DeviceBusy::Guard::Guard()
{
    deviceBusy().enter();
}

DeviceBusy::Guard::~Guard()
{
    deviceBusy().leave();
}
