// Power-off through systemd-logind on the system D-Bus.
#include "system/LogindPowerOff.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace quilbo {

void LogindPowerOff::requestPowerOff() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    // false: never ask the user for authorisation; an unattended session has nobody to answer.
    call << false;
    call.setInteractiveAuthorizationAllowed(false);
    // Sent without waiting for the answer: a refusal changes nothing, and the page asks again at
    // its next tick, so there is nothing to do with a reply and no reason to block on one.
    bus.send(call);
}

}  // namespace quilbo
