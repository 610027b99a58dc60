// RealtimeKit: the system service through which desktop sessions give their users' sound threads
// real-time scheduling, where the users may not raise it themselves.
#pragma once

#include <chrono>
#include <thread>

#include <sys/types.h>

namespace quilbo {

// Asks RealtimeKit on the system bus to schedule `thread` (a thread id of this process) round-robin
// at real-time `priority`. The service grants it only to a process whose real-time CPU time is
// bounded: the bound (RLIMIT_RTTIME) is lowered to the service's usual 200 ms first, as desktop
// sound clients do. Waits up to `timeout`; false where no service answers or it refuses.
bool askRealtimeKit(pid_t thread, int priority, std::chrono::milliseconds timeout);

// One request on a thread of its own, for a caller that must not wait on the bus (a sound
// server's loop thread); joined when the request goes, which takes at most the request's timeout.
class RealtimeKitRequest {
public:
    RealtimeKitRequest() = default;
    RealtimeKitRequest(pid_t thread, int priority);
    ~RealtimeKitRequest();
    RealtimeKitRequest(RealtimeKitRequest&&) = default;
    RealtimeKitRequest& operator=(RealtimeKitRequest&& other) noexcept;

private:
    std::thread m_asker;
};

}  // namespace quilbo
