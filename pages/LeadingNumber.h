// Reads the number at the start of a text the way atoi does, without its overflow hazard.
#pragma once

#include <QString>

#include <cstdint>

namespace quilbo {

// Skips leading white space, takes an optional sign and then decimal digits; a text without
// digits gives 0 ("OPTC" is 0). Values beyond 32 bits saturate at INT32_MIN or INT32_MAX.
std::int32_t leadingNumber(const QString& text);

}  // namespace quilbo
