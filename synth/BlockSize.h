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

// Bytes a sample takes in a block at a depth the synthesis writes (20 and 24 bits in 4 bytes,
// 32 bits as float); 0 for any other depth.
constexpr unsigned sampleContainerBytes(std::uint32_t bits) noexcept {
    switch (bits) {
        case 8:
            return 1;
        case 16:
            return 2;
        case 20:
        case 24:
        case 32:
            return 4;
        default:
            return 0;
    }
}

// Channels a block holds for a channel code: the opposite-phase pair (code 0) has two.
constexpr std::int64_t blockChannels(std::int64_t channelCode) noexcept {
    return channelCode == 0 ? 2 : channelCode;
}

}  // namespace quilbo
