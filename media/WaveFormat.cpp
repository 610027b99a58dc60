// Building the extensible wave format record and laying it out as bytes.
#include "media/WaveFormat.h"

#include <limits>

namespace quilbo {

int containerBytes(int precision) {
    switch (precision) {
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

std::uint32_t speakerMask(int channels) {
    static constexpr int kFirstBits[] = {0, 1, 4, 5, 2, 3};
    std::uint32_t mask = 0;
    for (int i = 0; i < channels && i < 32; ++i) {
        mask |= std::uint32_t{1} << (i < 6 ? kFirstBits[i] : i);
    }
    return mask;
}

WaveFormatExtensible buildWaveFormat(int channels, int sampleRate, int precision) {
    constexpr int kMaxU16 = std::numeric_limits<std::uint16_t>::max();
    const int container = containerBytes(precision);
    const bool channelsFit = channels >= 0 && channels <= kMaxU16;

    WaveFormatExtensible format;
    format.nChannels = channelsFit ? static_cast<std::uint16_t>(channels) : 0;
    format.nSamplesPerSec = sampleRate > 0 ? static_cast<std::uint32_t>(sampleRate) : 0;
    const std::uint32_t align =
        std::uint32_t{format.nChannels} * static_cast<std::uint32_t>(container);
    format.nBlockAlign = align <= kMaxU16 ? static_cast<std::uint16_t>(align) : 0;
    // Done in 64 bits: a hand-typed rate times a wide frame must not wrap into a plausible value.
    const std::uint64_t perSecond = std::uint64_t{format.nSamplesPerSec} * format.nBlockAlign;
    format.nAvgBytesPerSec = perSecond <= std::numeric_limits<std::uint32_t>::max()
                                 ? static_cast<std::uint32_t>(perSecond)
                                 : 0;
    format.wBitsPerSample = static_cast<std::uint16_t>(8 * container);
    format.wValidBitsPerSample = container != 0 ? static_cast<std::uint16_t>(precision) : 0;
    format.dwChannelMask = speakerMask(format.nChannels);
    format.SubFormat = precision == 32 ? kSubFormatIeeeFloat : kSubFormatPcm;
    return format;
}

namespace {
template <typename T>
void putLittleEndian(std::uint8_t*& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        *out++ = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
}  // namespace

std::array<std::uint8_t, kWaveFormatExtensibleBytes> waveFormatBytes(
    const WaveFormatExtensible& format) {
    std::array<std::uint8_t, kWaveFormatExtensibleBytes> bytes{};
    std::uint8_t* out = bytes.data();
    putLittleEndian(out, format.wFormatTag);
    putLittleEndian(out, format.nChannels);
    putLittleEndian(out, format.nSamplesPerSec);
    putLittleEndian(out, format.nAvgBytesPerSec);
    putLittleEndian(out, format.nBlockAlign);
    putLittleEndian(out, format.wBitsPerSample);
    putLittleEndian(out, format.cbSize);
    putLittleEndian(out, format.wValidBitsPerSample);
    putLittleEndian(out, format.dwChannelMask);
    for (std::uint8_t b : format.SubFormat) {
        *out++ = b;
    }
    return bytes;
}

}  // namespace quilbo
