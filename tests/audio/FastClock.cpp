// The fast calendar clock: gettimeofday interposed in the test program, ahead of libc's.
#include "tests/audio/FastClock.h"

#include <dlfcn.h>
#include <sys/time.h>

#include <atomic>

namespace {

std::atomic<bool> g_fast{false};
std::atomic<long> g_calls{0};

}  // namespace

extern "C" int gettimeofday(struct timeval* __restrict tv, void* __restrict tz) noexcept {
    using Real = int (*)(struct timeval*, void*);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "gettimeofday"));
    const int result = real(tv, tz);
    if (result == 0 && g_fast) {
        tv->tv_sec += 1000 * ++g_calls;
    }
    return result;
}

namespace quilbo::test {

void setFastCalendarClock(bool on) {
    g_fast = on;
}

}  // namespace quilbo::test
