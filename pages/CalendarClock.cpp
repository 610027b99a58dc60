// The system's calendar clock.
#include "CalendarClock.h"

#include <ctime>

namespace quilbo {

CalendarClock systemCalendarClock() {
    return [] { return static_cast<std::int64_t>(std::time(nullptr)); };
}

}  // namespace quilbo
