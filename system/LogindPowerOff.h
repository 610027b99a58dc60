// Power-off through systemd-logind on the system D-Bus.
#pragma once

#include "system/PowerOff.h"

namespace quilbo {

// Calls org.freedesktop.login1.Manager.PowerOff(false) on the system bus (the bus named by
// DBUS_SYSTEM_BUS_ADDRESS, or the standard one). The call is sent without waiting for the reply;
// no bus, no logind or a refusal (AccessDenied, an inhibitor) are all silent. Needs a
// QCoreApplication (QtDBus warns without one); call it from the user-interface thread.
class LogindPowerOff : public PowerOffRequester {
public:
    void requestPowerOff() override;
};

}  // namespace quilbo
