// The extensible PCM wave format record that describes a sample block to the output device.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quilbo {

inline constexpr std::uint16_t kWaveFormatExtensibleTag = 0xFFFE;
inline constexpr std::size_t kWaveFormatExtensibleBytes = 40;

using WaveSubFormat = std::array<std::uint8_t, 16>;

// 00000001-0000-0010-8000-00AA00389B71 and 00000003-0000-0010-8000-00AA00389B71, byte order as
// stored in the record.
inline constexpr WaveSubFormat kSubFormatPcm = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
inline constexpr WaveSubFormat kSubFormatIeeeFloat = {
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// WAVEFORMATEXTENSIBLE, field for field.
struct WaveFormatExtensible {
    std::uint16_t wFormatTag = kWaveFormatExtensibleTag;
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    std::uint16_t cbSize = 22;
    std::uint16_t wValidBitsPerSample = 0;
    std::uint32_t dwChannelMask = 0;
    WaveSubFormat SubFormat = kSubFormatPcm;

    friend bool operator==(const WaveFormatExtensible&, const WaveFormatExtensible&) = default;
};

// Bytes one sample value occupies in a block of the given precision: 1, 2 or 4 for the five
// supported precisions (8, 16, 20, 24, 32), 0 for anything else.
int containerBytes(int precision);

// Speaker bits for a channel count: channels 0..5 take front left, front right, back left,
// back right, front centre, low frequency; channel i >= 6 takes bit i (bits past 31 are dropped).
std::uint32_t speakerMask(int channels);

// Builds the record for a block. 32-bit blocks hold floats and are declared as IEEE float;
// the others are integer PCM. Values that do not fit the record's fields (a channel count or
// rate typed by hand that is negative or too large, a precision other than the five supported)
// come out as 0 in the fields concerned, which every device's format check rejects.
WaveFormatExtensible buildWaveFormat(int channels, int sampleRate, int precision);

// The 40 little-endian bytes of the record, as a device or a file would see them.
std::array<std::uint8_t, kWaveFormatExtensibleBytes> waveFormatBytes(
    const WaveFormatExtensible& format);

}  // namespace quilbo
