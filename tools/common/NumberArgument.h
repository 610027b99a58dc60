// A number given on a command line: the whole argument, finite, in the C locale's form.
#pragma once

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace quilbo::cli {

// Nothing for an empty argument, leading blanks, trailing characters, an overflow or a value
// that is not finite: a typing slip is refused rather than read as part of a number.
inline std::optional<double> parseNumber(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace quilbo::cli
