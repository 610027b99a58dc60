// The format record byte for byte, and the PulseAudio back end's format check, which opens
// nothing and so needs no server.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "audio/PulseFormat.h"
#include "audio/PulseWaveOut.h"
#include "audio/WaveFormat.h"

namespace quilbo {
namespace {

using Bytes = std::array<std::uint8_t, kWaveFormatExtensibleBytes>;

TEST(WaveFormat, DefaultsGiveTheRecordByteForByte) {
    const Bytes expected = {0xFE, 0xFF,              // extensible
                            0x02, 0x00,              // 2 channels
                            0x44, 0xAC, 0x00, 0x00,  // 44100 Hz
                            0x10, 0xB1, 0x02, 0x00,  // 176400 bytes per second
                            0x04, 0x00,              // 4 bytes per frame
                            0x10, 0x00,              // 16 bits per container
                            0x16, 0x00,              // 22 bytes of extension
                            0x10, 0x00,              // 16 valid bits
                            0x03, 0x00, 0x00, 0x00,  // front left, front right
                            0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};  // integer PCM
    EXPECT_EQ(waveFormatBytes(buildWaveFormat(2, 44100, 16)), expected);
}

TEST(WaveFormat, SpeakerMasksFollowTheChannelCount) {
    struct Case {
        int channels;
        std::uint32_t mask;
    };
    for (const Case c : {Case{2, 0x3}, Case{4, 0x33}, Case{6, 0x3F}, Case{3, 0x13}, Case{1, 0x1},
                         Case{7, 0x7F}, Case{32, 0xFFFFFFFF}, Case{40, 0xFFFFFFFF}}) {
        const Bytes bytes = waveFormatBytes(buildWaveFormat(c.channels, 48000, 16));
        const std::uint32_t mask = bytes[20] | bytes[21] << 8 | bytes[22] << 16 |
                                   static_cast<std::uint32_t>(bytes[23]) << 24;
        EXPECT_EQ(mask, c.mask) << c.channels << " channels";
    }
}

TEST(WaveFormat, ContainersAndSubFormatPerPrecision) {
    struct Case {
        int precision, container, valid;
        bool isFloat;
    };
    for (const Case c : {Case{8, 8, 8, false}, Case{16, 16, 16, false}, Case{20, 32, 20, false},
                         Case{24, 32, 24, false}, Case{32, 32, 32, true}}) {
        for (int channels : {2, 4, 6}) {
            const WaveFormatExtensible f = buildWaveFormat(channels, 96000, c.precision);
            EXPECT_EQ(f.wBitsPerSample, c.container);
            EXPECT_EQ(f.wValidBitsPerSample, c.valid);
            EXPECT_EQ(f.nBlockAlign, channels * c.container / 8);
            EXPECT_EQ(f.nAvgBytesPerSec, 96000u * f.nBlockAlign);
            const Bytes bytes = waveFormatBytes(f);
            EXPECT_EQ(bytes[24], c.isFloat ? 0x03 : 0x01) << c.precision << " bits";
        }
    }
}

TEST(WaveFormat, ValuesThatDoNotFitComeOutAsZero) {
    EXPECT_EQ(buildWaveFormat(-2, 44100, 16).nChannels, 0);
    EXPECT_EQ(buildWaveFormat(70000, 44100, 16).nChannels, 0);
    EXPECT_EQ(buildWaveFormat(2, -44100, 16).nSamplesPerSec, 0u);
    const WaveFormatExtensible odd = buildWaveFormat(2, 44100, 12);
    EXPECT_EQ(odd.wBitsPerSample, 0);
    EXPECT_EQ(odd.wValidBitsPerSample, 0);
    EXPECT_EQ(odd.nBlockAlign, 0);
    // A frame too wide for the 16-bit field: no align, no rate, nothing plausible.
    const WaveFormatExtensible wide = buildWaveFormat(20000, 44100, 32);
    EXPECT_EQ(wide.nBlockAlign, 0);
    EXPECT_EQ(wide.nAvgBytesPerSec, 0u);
}

TEST(PulseFormatCheck, AcceptsWhatTheServerTakesAndNothingElse) {
    PulseWaveOut backend;  // no server is contacted by the check
    for (int precision : {8, 16, 20, 24, 32}) {
        for (int channels : {1, 2, 3, 4, 6, 7, 32}) {
            for (int rate : {8000, 11025, 44100, 192000}) {
                EXPECT_EQ(backend.queryFormat(buildWaveFormat(channels, rate, precision)),
                          WaveResult::Ok)
                    << precision << " bits " << channels << " ch " << rate << " Hz";
            }
        }
    }
    for (const auto& f : {buildWaveFormat(2, 0, 16), buildWaveFormat(2, PA_RATE_MAX + 1, 16),
                          buildWaveFormat(0, 44100, 16), buildWaveFormat(33, 44100, 16),
                          buildWaveFormat(2, 44100, 12), buildWaveFormat(2, 44100, 0)}) {
        EXPECT_EQ(backend.queryFormat(f), WaveResult::BadFormat)
            << f.nChannels << " ch " << f.nSamplesPerSec << " Hz " << f.wValidBitsPerSample;
    }
    WaveFormatExtensible lying = buildWaveFormat(2, 44100, 16);
    lying.nBlockAlign = 3;
    EXPECT_EQ(backend.queryFormat(lying), WaveResult::BadFormat);
    WaveFormatExtensible floatSixteen = buildWaveFormat(2, 44100, 16);
    floatSixteen.SubFormat = kSubFormatIeeeFloat;
    EXPECT_EQ(backend.queryFormat(floatSixteen), WaveResult::BadFormat);
}

TEST(PulseFormatCheck, SampleLayoutsAndChannelPositions) {
    struct Case {
        int precision;
        pa_sample_format_t format;
    };
    // 20 and 24 bits are left-justified: S32LE, not S24_32LE; 32 bits are floats.
    for (const Case c :
         {Case{8, PA_SAMPLE_U8}, Case{16, PA_SAMPLE_S16LE}, Case{20, PA_SAMPLE_S32LE},
          Case{24, PA_SAMPLE_S32LE}, Case{32, PA_SAMPLE_FLOAT32LE}}) {
        const auto f = toPulseFormat(buildWaveFormat(2, 44100, c.precision));
        ASSERT_TRUE(f.has_value());
        EXPECT_EQ(f->spec.format, c.format) << c.precision;
    }
    const auto six = toPulseFormat(buildWaveFormat(6, 48000, 16));
    ASSERT_TRUE(six.has_value());
    const std::vector<pa_channel_position_t> expected = {
        PA_CHANNEL_POSITION_FRONT_LEFT,   PA_CHANNEL_POSITION_FRONT_RIGHT,
        PA_CHANNEL_POSITION_REAR_LEFT,    PA_CHANNEL_POSITION_REAR_RIGHT,
        PA_CHANNEL_POSITION_FRONT_CENTER, PA_CHANNEL_POSITION_LFE};
    EXPECT_EQ(std::vector<pa_channel_position_t>(six->map.map, six->map.map + 6), expected);
    // Positions are never repeated, up to the 32 channels libpulse takes.
    const auto many = toPulseFormat(buildWaveFormat(32, 48000, 16));
    ASSERT_TRUE(many.has_value());
    std::vector<int> positions(many->map.map, many->map.map + 32);
    std::sort(positions.begin(), positions.end());
    EXPECT_EQ(std::adjacent_find(positions.begin(), positions.end()), positions.end());
}

}  // namespace
}  // namespace quilbo
