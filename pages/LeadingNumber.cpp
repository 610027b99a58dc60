// Leading-number conversion of list texts (sample rate, precision, channels).
#include "LeadingNumber.h"

#include <cstdint>
#include <limits>

namespace quilbo {

namespace {
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}
}  // namespace

std::int32_t leadingNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so any length of
    // digits is safe.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        if (value <= kLimit) {
            value = value * 10 + (text[i].unicode() - u'0');
        }
        ++i;
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace quilbo
