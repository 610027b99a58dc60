// The run-in page's elapsed-time text.
#pragma once

#include <QString>

#include <cstdint>

namespace quilbo {

// Replaces "%H" with the whole hours elapsed (not wrapped at a day, at least two digits), "%M"
// and "%S" with the minutes and seconds within the hour and minute (two digits), "%%" with "%";
// every other character is copied. A negative time (the clock was set back past the start)
// reads as zero.
QString formatElapsed(std::int64_t seconds, const QString& format);

// Whole hours in a number of seconds, rounded down (so never more than have passed).
std::int64_t wholeHours(std::int64_t seconds);

}  // namespace quilbo
