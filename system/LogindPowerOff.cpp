// Power-off through systemd-logind on the system D-Bus.
#include "system/LogindPowerOff.h"

#include "system/Logging.h"
#include "system/LogindService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quilbo {

namespace {

PowerOffRefusal refusalOf(const QDBusError& error) {
    switch (error.type()) {
        case QDBusError::AccessDenied:
        case QDBusError::NotSupported:
            return {PowerOffRefusal::Kind::NotAllowed, error.message()};
        case QDBusError::ServiceUnknown:
        case QDBusError::NoServer:
        case QDBusError::Disconnected:
            return {PowerOffRefusal::Kind::NoService, error.message()};
        default:
            // polkit's refusal without a prompt has a name QtDBus does not know.
            if (error.name() ==
                QLatin1String("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired")) {
                return {PowerOffRefusal::Kind::NotAllowed, error.message()};
            }
            return {PowerOffRefusal::Kind::Other,
                    error.name() + QLatin1String(": ") + error.message()};
    }
}

}  // namespace

void LogindPowerOff::requestPowerOff() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCWarning(lcSystem) << "Cannot power off: no system bus:" << bus.lastError().message();
        refused({PowerOffRefusal::Kind::NoSystemBus, bus.lastError().message()});
        return;
    }
    QDBusMessage call = logindCall(QStringLiteral("PowerOff"));
    // false: never ask the user for authorisation; an unattended session has nobody to answer.
    call << false;
    call.setInteractiveAuthorizationAllowed(false);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<> reply = *finished;
                if (reply.isError()) {
                    const PowerOffRefusal refusal = refusalOf(reply.error());
                    qCWarning(lcSystem)
                        << "The system refused to power off:" << reply.error().name()
                        << reply.error().message();
                    refused(refusal);
                }
            });
}

}  // namespace quilbo

#include "moc_LogindPowerOff.cpp"
