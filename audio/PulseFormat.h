// Translating the extensible wave format record into libpulse's sample format and channel map.
#pragma once

#include <pulse/channelmap.h>
#include <pulse/sample.h>

#include <optional>

#include "media/WaveFormat.h"

namespace quilbo {

struct PulseFormat {
    pa_sample_spec spec;
    pa_channel_map map;
};

// Nothing when libpulse cannot take the format: a rate of 0 or above its maximum, 0 or more
// than 32 channels, a layout other than 8-bit unsigned, 16-bit, 20- or 24-bit left-justified in
// 32 bits, 32-bit float (or 32-bit integer), or fields that contradict one another.
std::optional<PulseFormat> toPulseFormat(const WaveFormatExtensible& format);

// The channel map of a speaker mask: the block's channels take the mask's positions in the order
// front left, front right, rear left, rear right, front centre, LFE, then the further bits
// upwards; channels beyond the mask get auxiliary positions.
pa_channel_map channelMapFromMask(unsigned channels, std::uint32_t mask);

}  // namespace quilbo
