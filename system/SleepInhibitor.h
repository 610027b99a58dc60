// Keeping the computer awake while Quilbo plays for a long time: locks against the system's
// sleep and idle actions.
#pragma once

#include <QString>

#include <memory>

namespace quilbo {

// One held lock; destroying it lets the system sleep again.
class SleepLock {
public:
    virtual ~SleepLock() = default;
};

// Takes locks against sleep and idle (not against shutdown: a power-off still goes through).
// Taking one never blocks the caller for long and never reports a failure: where no lock can be
// had, the caller simply runs without one.
class SleepInhibitor {
public:
    virtual ~SleepInhibitor() = default;
    // why: a sentence in the interface language that the desktop may show to say what keeps the
    // computer awake. May return null (no lock).
    virtual std::unique_ptr<SleepLock> inhibitSleep(const QString& why) = 0;
};

}  // namespace quilbo
