// Sleep and idle locks through systemd-logind on the system D-Bus.
#include "system/LogindSleepInhibitor.h"

#include "system/Logging.h"
#include "system/LogindService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

namespace quilbo {

namespace {

// Logind keeps the lock while any copy of the descriptor it returned is open. Until the answer
// arrives the watcher holds the call; a lock destroyed before then drops the answer, and with it
// the descriptor, when it comes.
class LogindSleepLock : public SleepLock {
public:
    explicit LogindSleepLock(const QDBusPendingCall& call) : m_watcher(call) {
        QObject::connect(&m_watcher, &QDBusPendingCallWatcher::finished, &m_watcher,
                         [this](QDBusPendingCallWatcher* watcher) {
                             const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
                             if (reply.isValid()) {
                                 m_descriptor = reply.value();
                             } else {
                                 qCWarning(lcSystem)
                                     << "No lock against sleep:" << reply.error().name()
                                     << reply.error().message();
                             }
                         });
    }

private:
    QDBusPendingCallWatcher m_watcher;
    QDBusUnixFileDescriptor m_descriptor;
};

}  // namespace

std::unique_ptr<SleepLock> LogindSleepInhibitor::inhibitSleep(const QString& why) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCWarning(lcSystem) << "No lock against sleep: no system bus:" << bus.lastError().message();
        return nullptr;
    }
    QDBusMessage call = logindCall(QStringLiteral("Inhibit"));
    // "block", not "delay": the computer stays awake for as long as the lock is held.
    call << QStringLiteral("sleep:idle") << QStringLiteral("Quilbo") << why
         << QStringLiteral("block");
    // Nobody may be there to answer a password prompt during an unattended run.
    call.setInteractiveAuthorizationAllowed(false);
    return std::make_unique<LogindSleepLock>(bus.asyncCall(call));
}

}  // namespace quilbo
