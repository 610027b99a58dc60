// Size of a sample block for a request of whole seconds: seconds x channels x bits x rate / 8.
#pragma once

#include <cstdint>

namespace quilbo {

struct BlockSize {
    // The product divided by 8 (truncated toward zero), held at the int64 limits when it does
    // not fit them; `saturated` says so ("more than N bytes").
    std::int64_t requestedBytes = 0;
    bool saturated = false;
    // True when requestedBytes is a usable block size: 1 to INT32_MAX bytes.
    bool fits = false;

    // requestedBytes when it fits, otherwise 0.
    std::int32_t bytes() const { return fits ? static_cast<std::int32_t>(requestedBytes) : 0; }
};

// Exact for any inputs (negative or huge included); never overflows. The caller applies its
// own memory limit on top of `fits`.
BlockSize computeBlockSize(std::int64_t seconds, std::int64_t channels, std::int64_t bitsPerSample,
                           std::int64_t sampleRate) noexcept;

// Channels a block holds for a channel code: the opposite-phase pair (code 0) has two.
constexpr std::int64_t blockChannels(std::int64_t channelCode) noexcept {
    return channelCode == 0 ? 2 : channelCode;
}

}  // namespace quilbo
