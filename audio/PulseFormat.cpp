// Wave format record to libpulse sample format and channel map.
#include "audio/PulseFormat.h"

#include <array>

namespace quilbo {

namespace {

// libpulse's position for each speaker bit, bit 0 upwards.
constexpr std::array<pa_channel_position_t, 18> kSpeakerPositions = {
    PA_CHANNEL_POSITION_FRONT_LEFT,
    PA_CHANNEL_POSITION_FRONT_RIGHT,
    PA_CHANNEL_POSITION_FRONT_CENTER,
    PA_CHANNEL_POSITION_LFE,
    PA_CHANNEL_POSITION_REAR_LEFT,
    PA_CHANNEL_POSITION_REAR_RIGHT,
    PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER,
    PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER,
    PA_CHANNEL_POSITION_REAR_CENTER,
    PA_CHANNEL_POSITION_SIDE_LEFT,
    PA_CHANNEL_POSITION_SIDE_RIGHT,
    PA_CHANNEL_POSITION_TOP_CENTER,
    PA_CHANNEL_POSITION_TOP_FRONT_LEFT,
    PA_CHANNEL_POSITION_TOP_FRONT_CENTER,
    PA_CHANNEL_POSITION_TOP_FRONT_RIGHT,
    PA_CHANNEL_POSITION_TOP_REAR_LEFT,
    PA_CHANNEL_POSITION_TOP_REAR_CENTER,
    PA_CHANNEL_POSITION_TOP_REAR_RIGHT,
};

// The order in which the block's channels take the mask's bits (the speaker-mask rule).
constexpr std::array<unsigned, 6> kFirstBits = {0, 1, 4, 5, 2, 3};

std::optional<pa_sample_format_t> sampleFormat(const WaveFormatExtensible& format) {
    const bool isFloat = format.SubFormat == kSubFormatIeeeFloat;
    if (!isFloat && format.SubFormat != kSubFormatPcm) {
        return std::nullopt;
    }
    const unsigned container = format.wBitsPerSample;
    const unsigned valid = format.wValidBitsPerSample;
    if (isFloat) {
        if (container == 32 && valid == 32) {
            return PA_SAMPLE_FLOAT32LE;
        }
        return std::nullopt;
    }
    if (container == 8 && valid == 8) {
        return PA_SAMPLE_U8;
    }
    if (container == 16 && valid == 16) {
        return PA_SAMPLE_S16LE;
    }
    // 20 and 24 bits sit in the top of a 32-bit word with the low bits zero: to libpulse that is
    // plain S32LE (its S24_32LE keeps the value in the low bits instead).
    if (container == 32 && (valid == 20 || valid == 24 || valid == 32)) {
        return PA_SAMPLE_S32LE;
    }
    return std::nullopt;
}

}  // namespace

pa_channel_map channelMapFromMask(unsigned channels, std::uint32_t mask) {
    pa_channel_map map;
    pa_channel_map_init(&map);
    map.channels = static_cast<std::uint8_t>(channels);
    unsigned next = 0;
    auto take = [&](unsigned bit) {
        if (next < channels && (mask & (std::uint32_t{1} << bit)) != 0) {
            map.map[next++] =
                bit < kSpeakerPositions.size()
                    ? kSpeakerPositions[bit]
                    : static_cast<pa_channel_position_t>(PA_CHANNEL_POSITION_AUX0 + (bit - 18));
        }
    };
    for (unsigned bit : kFirstBits) {
        take(bit);
    }
    for (unsigned bit = 6; bit < 32; ++bit) {
        take(bit);
    }
    // Channels the mask does not name: auxiliary positions not used by the bits above (bits 18
    // to 31 took AUX0 to AUX13).
    unsigned aux = 14;
    while (next < channels) {
        map.map[next++] = static_cast<pa_channel_position_t>(PA_CHANNEL_POSITION_AUX0 + aux++);
    }
    return map;
}

std::optional<PulseFormat> toPulseFormat(const WaveFormatExtensible& format) {
    if (format.wFormatTag != kWaveFormatExtensibleTag || format.cbSize != 22) {
        return std::nullopt;
    }
    const auto sample = sampleFormat(format);
    if (!sample) {
        return std::nullopt;
    }
    const unsigned channels = format.nChannels;
    if (channels == 0 || channels > PA_CHANNELS_MAX || format.nSamplesPerSec == 0 ||
        format.nSamplesPerSec > PA_RATE_MAX) {
        return std::nullopt;
    }
    if (format.nBlockAlign != channels * (format.wBitsPerSample / 8u) ||
        format.nAvgBytesPerSec != format.nSamplesPerSec * format.nBlockAlign) {
        return std::nullopt;
    }
    PulseFormat result;
    result.spec.format = *sample;
    result.spec.rate = format.nSamplesPerSec;
    result.spec.channels = static_cast<std::uint8_t>(channels);
    result.map = channelMapFromMask(channels, format.dwChannelMask);
    if (!pa_sample_spec_valid(&result.spec) || !pa_channel_map_valid(&result.map) ||
        !pa_channel_map_compatible(&result.map, &result.spec)) {
        return std::nullopt;
    }
    return result;
}

}  // namespace quilbo
