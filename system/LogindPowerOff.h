// Power-off through systemd-logind on the system D-Bus.
#pragma once

#include "system/PowerOff.h"

#include <QObject>

namespace quilbo {

// Calls org.freedesktop.login1.Manager.PowerOff(false) on the system bus (the bus named by
// DBUS_SYSTEM_BUS_ADDRESS, or the standard one) without waiting for the reply; a refusal (no bus,
// no logind, AccessDenied) is logged and told to the refusal handler when the reply comes. Needs
// a QCoreApplication; call it from the user-interface thread.
class LogindPowerOff : public QObject, public PowerOffRequester {
    Q_OBJECT

public:
    using QObject::QObject;
    void requestPowerOff() override;
};

}  // namespace quilbo
