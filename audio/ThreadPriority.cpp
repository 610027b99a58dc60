// Raising a sound thread's priority: only what an unprivileged process may ask for (an RTPRIO or
// NICE limit the system set for audio users, or RealtimeKit where the desktop runs it); nothing
// is switched on to get it.
#include "audio/ThreadPriority.h"

#include "audio/Logging.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quilbo {

namespace {
constexpr int kRealTimePriority = 5;
constexpr int kNice = -11;
}  // namespace

RealtimeKitRequest raiseAudioThreadPriority() {
    sched_param param{};
    param.sched_priority = kRealTimePriority;
    const int realTime = pthread_setschedparam(pthread_self(), SCHED_RR, &param);
    if (realTime == 0) {
        qCDebug(lcAudio) << "A sound thread runs at real-time priority" << kRealTimePriority;
        return {};
    }
    // The nice value of this thread alone (Linux keeps one per thread), for as long as
    // RealtimeKit takes to answer, or for good where it does not.
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kNice) == 0) {
        qCDebug(lcAudio) << "A sound thread runs at nice" << kNice;
    } else {
        qCDebug(lcAudio) << "Neither real-time nor a lower nice value is granted:"
                         << std::strerror(realTime) << std::strerror(errno);
    }
    return RealtimeKitRequest(gettid(), kRealTimePriority);
}

}  // namespace quilbo
