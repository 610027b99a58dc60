// RealtimeKit's MakeThreadRealtime over QtDBus, and the bound on real-time CPU time it requires.
#include "audio/RealtimeKit.h"

#include "audio/Logging.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <sys/resource.h>

namespace quilbo {

namespace {
// RealtimeKit's default RTTimeUSecMax: a thread that spins this long at real-time priority without
// sleeping is stopped, so a fault in it cannot freeze the desktop.
constexpr rlim_t kRealTimeCpuMicroseconds = 200000;
}  // namespace

bool askRealtimeKit(pid_t thread, int priority, std::chrono::milliseconds timeout) {
    rlimit bound{};
    if (getrlimit(RLIMIT_RTTIME, &bound) == 0 &&
        (bound.rlim_max == RLIM_INFINITY || bound.rlim_max > kRealTimeCpuMicroseconds)) {
        bound.rlim_cur = bound.rlim_max = kRealTimeCpuMicroseconds;
        if (setrlimit(RLIMIT_RTTIME, &bound) != 0) {
            qCDebug(lcAudio) << "RealtimeKit not asked: the real-time CPU time cannot be bounded";
            return false;
        }
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCDebug(lcAudio) << "RealtimeKit not asked: no system bus";
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.RealtimeKit1"),
        QStringLiteral("/org/freedesktop/RealtimeKit1"),
        QStringLiteral("org.freedesktop.RealtimeKit1"), QStringLiteral("MakeThreadRealtime"));
    call << static_cast<qulonglong>(thread) << static_cast<uint>(priority);
    const QDBusMessage reply = bus.call(call, QDBus::Block, static_cast<int>(timeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCDebug(lcAudio) << "RealtimeKit gave no real-time priority:" << reply.errorName()
                         << reply.errorMessage();
        return false;
    }
    qCDebug(lcAudio) << "A sound thread runs at real-time priority" << priority
                     << "through RealtimeKit";
    return true;
}

RealtimeKitRequest::RealtimeKitRequest(pid_t thread, int priority)
    : m_asker([thread, priority] { askRealtimeKit(thread, priority, std::chrono::seconds(1)); }) {}

RealtimeKitRequest::~RealtimeKitRequest() {
    if (m_asker.joinable()) {
        m_asker.join();
    }
}

RealtimeKitRequest& RealtimeKitRequest::operator=(RealtimeKitRequest&& other) noexcept {
    if (this != &other) {
        if (m_asker.joinable()) {
            m_asker.join();
        }
        m_asker = std::move(other.m_asker);
    }
    return *this;
}

}  // namespace quilbo
