// The calendar clock a run-in session measures its elapsed time by.
#pragma once

#include <cstdint>
#include <functional>

namespace quilbo {

// Whole seconds since 1970-01-01 00:00 UTC. Tests pass their own clock so that a day-long
// session runs in milliseconds.
using CalendarClock = std::function<std::int64_t()>;

// The system's calendar clock. It is not monotonic on purpose: setting the computer's clock
// moves the end of a running session by the same amount.
CalendarClock systemCalendarClock();

}  // namespace quilbo
