// Block-size arithmetic in 128 bits, so that no request can overflow on its way to a decision.
#include "synth/BlockSize.h"

#include <limits>

namespace quilbo {

BlockSize computeBlockSize(std::int64_t seconds, std::int64_t channels, std::int64_t bitsPerSample,
                           std::int64_t sampleRate) noexcept {
    BlockSize result;
    const std::int64_t factors[] = {seconds, channels, bitsPerSample, sampleRate};

    __int128 product = 1;
    bool overflow = false;
    bool negative = false;
    for (std::int64_t factor : factors) {
        if (factor == 0) {
            return result;  // zero bytes: does not fit, and nothing saturates
        }
        negative ^= factor < 0;
        if (!overflow && __builtin_mul_overflow(product, static_cast<__int128>(factor), &product)) {
            overflow = true;
        }
    }

    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    const __int128 bytes = overflow ? 0 : product / 8;  // division truncates toward zero
    if (overflow || bytes > kMax || bytes < kMin) {
        result.saturated = true;
        result.requestedBytes = negative ? kMin : kMax;
    } else {
        result.requestedBytes = static_cast<std::int64_t>(bytes);
    }
    result.fits = !result.saturated && result.requestedBytes >= 1 &&
                  result.requestedBytes <= std::numeric_limits<std::int32_t>::max();
    return result;
}

}  // namespace quilbo
