// Requests far outside the pages' ranges: every one renders something defined (silence or full
// scale) and matches the oracle; the sanitizer build proves no undefined behaviour on the way.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "Reference.h"
#include "synth/Synthesis.h"

namespace quilbo::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Robustness, OddValuesMatchTheOracleAtEveryDepth) {
    const double amplitudes[] = {kNaN, kInf, -kInf, -1.0, 0.0, 1e-300, 0.5, 1.0, 2.0, 1e300};
    const double frequencies[] = {0.0, -1000.0, kNaN, kInf, -kInf, 1e-300, 1e300, 1000.0};
    const std::uint32_t rates[] = {0, 1, 44100, 0xFFFFFFFFu};
    int compared = 0;
    for (std::uint16_t bits : {8, 16, 20, 24, 32}) {
        for (std::uint32_t code : {0u, 3u}) {
            for (Kind kind : {Kind::Tone, Kind::Sweep, Kind::Noise}) {
                for (std::int32_t waveform = -1; waveform <= 6; ++waveform) {
                    for (double amplitude : amplitudes) {
                        for (double frequency : frequencies) {
                            for (std::uint32_t rate : rates) {
                                if (kind == Kind::Noise && (frequency != 0.0 || rate != 44100)) {
                                    continue;
                                }
                                Request q;
                                q.kind = kind;
                                q.bits = bits;
                                q.channelCode = code;
                                q.waveform = waveform;
                                q.amplitude = amplitude;
                                q.frequency = frequency;
                                q.endFrequency = std::isfinite(frequency) ? 2000.0 : -kInf;
                                q.sampleRate = rate;
                                q.blockSize = 104;
                                const Rendered got = synthesize(q);
                                const Rendered want = referenceRender(q);
                                ASSERT_EQ(got.result, 1);
                                ASSERT_EQ(got.bytes, want.bytes)
                                    << bits << " bits, code " << code << ", waveform " << waveform
                                    << ", amplitude " << amplitude << ", frequency " << frequency
                                    << ", rate " << rate;
                                ASSERT_EQ(got.progress, want.progress);
                                ++compared;
                            }
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(compared, 20000);
}

TEST(Robustness, LoudAmplitudesClampToSymmetricFullScale) {
    Request q;
    q.channelCode = 0;
    q.amplitude = 3.0;
    q.blockSize = 4;
    const Rendered r16 = synthesize(q);
    EXPECT_EQ(sample16(r16.bytes, 0), 32767);
    EXPECT_EQ(sample16(r16.bytes, 1), -32767);

    q.bits = 8;
    q.blockSize = 2;
    EXPECT_EQ(synthesize(q).bytes, (std::vector<std::uint8_t>{255, 1}));
    q.amplitude = -3.0;
    EXPECT_EQ(synthesize(q).bytes, (std::vector<std::uint8_t>{1, 255}));

    q.bits = 24;
    q.blockSize = 8;
    q.amplitude = 1e300;
    const Rendered r24 = synthesize(q);
    EXPECT_EQ(sample32(r24.bytes, 0), 8388607 * 256);
    EXPECT_EQ(sample32(r24.bytes, 1), -8388607 * 256);

    q.bits = 32;
    q.amplitude = kInf;
    const Rendered r32 = synthesize(q);
    EXPECT_EQ(sampleFloat(r32.bytes, 0), 1.0f);
    EXPECT_EQ(sampleFloat(r32.bytes, 1), -1.0f);

    q.amplitude = kNaN;  // no level at all: silence, not a NaN sample
    const Rendered silent = synthesize(q);
    EXPECT_EQ(silent.bytes, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0x80}));
}

TEST(Robustness, AnyChannelCodeAndTinyBlocks) {
    for (std::uint32_t code :
         {1u, 3u, 5u, 7u, 255u, 65536u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        for (std::uint32_t size = 0; size <= 13; ++size) {
            for (std::uint16_t bits : {8, 16, 32}) {
                Request q;
                q.kind = Kind::Sweep;
                q.endFrequency = 3000;
                q.channelCode = code;
                q.bits = bits;
                q.blockSize = size;
                const Rendered got = synthesize(q);
                ASSERT_EQ(got.result, 1);
                ASSERT_EQ(got.bytes, referenceRender(q).bytes) << code << " " << size;
                const std::uint32_t samples = size / (bits / 8);
                const std::size_t frames = samples == 0 ? 0 : (samples - 1) / code + 1;
                ASSERT_EQ(got.progress.size(), frames);
                if (frames != 0) {
                    ASSERT_EQ(got.progress.back(), samples);
                }
            }
        }
    }
}

TEST(Robustness, MissingBlockIsRefused) {
    EXPECT_EQ(SynthesizeTone(nullptr, 16, 44100, 2, 16, 0, 1000, 1, nullptr), 0);
    EXPECT_EQ(SynthesizeSweep(nullptr, 16, 44100, 2, 16, 0, 20, 200, 1, nullptr), 0);
    EXPECT_EQ(SynthesizeNoise(nullptr, 16, 44100, 2, 16, 4, 1, nullptr), 0);
    EXPECT_EQ(SynthesizeTone(nullptr, 0, 44100, 2, 16, 0, 1000, 1, nullptr), 1);
}

}  // namespace
}  // namespace quilbo::test
