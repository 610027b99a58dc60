// Sleep and idle locks through systemd-logind on the system D-Bus.
#pragma once

#include "system/SleepInhibitor.h"

namespace quilbo {

// Calls org.freedesktop.login1.Manager.Inhibit("sleep:idle", "Quilbo", why, "block") on the
// system bus (the bus named by DBUS_SYSTEM_BUS_ADDRESS, or the standard one) without waiting for
// the answer; the lock holds the file descriptor logind returns and closes it when destroyed, so
// the lock also ends with the process however it ends. No bus, no logind or a refusal give a
// lock that holds nothing. Needs a QCoreApplication; use it on the user-interface thread.
class LogindSleepInhibitor : public SleepInhibitor {
public:
    std::unique_ptr<SleepLock> inhibitSleep(const QString& why) override;
};

}  // namespace quilbo
