// A calendar clock that runs fast for this process alone: while on, every gettimeofday call
// reads 1000 s later than the one before. The monotonic clock is left alone.
#pragma once

namespace quilbo::test {

void setFastCalendarClock(bool on);

}  // namespace quilbo::test
