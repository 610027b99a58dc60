// Asking the system to power the computer off, as a run-in session's "Shut down" end action does.
#pragma once

namespace quilbo {

// One request to power off, forcing running applications to close. The request never blocks the
// caller for long and never reports a failure: a refused or unanswered request changes nothing,
// and the page simply asks again at its next tick.
class PowerOffRequester {
public:
    virtual ~PowerOffRequester() = default;
    virtual void requestPowerOff() = 0;
};

}  // namespace quilbo
