// Noise: the generator's sequences from a known seed, their bounds, and their independence
// from the output format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

#include "Reference.h"
#include "synth/NoiseGenerator.h"
#include "synth/Synthesis.h"

namespace quilbo::test {
namespace {

TEST(NoiseGenerator, StepsFromSeedZero) {
    CNoiseGenerator g(0);
    EXPECT_EQ(g.NextRandom(0.5f), -0.2886751890182495);
    EXPECT_EQ(g.seed, 907633515u);
    EXPECT_EQ(g.NextRandom(0.5f), 0.11497712135314941);
    EXPECT_EQ(g.seed, 2641306770u);
    EXPECT_EQ(g.NextRandom(0.5f), 0.457233190536499);
    EXPECT_EQ(g.seed, 4111285669u);
    EXPECT_EQ(g.randomBits, (4111285669u >> 9) | 0x40000000u);
}

TEST(NoiseGenerator, PinkAndBrownFromSeedZero) {
    CNoiseGenerator pink(0);
    EXPECT_DOUBLE_EQ(pink.NextPink(), -0.021712258458137512);
    EXPECT_DOUBLE_EQ(pink.NextPink(), 0.079173743724823);
    EXPECT_DOUBLE_EQ(pink.NextPink(), -0.0010221749544143677);
    EXPECT_EQ(pink.pinkCounter, 4u);

    CNoiseGenerator brown(0);
    EXPECT_DOUBLE_EQ(brown.NextBrown(), -0.018042199313640594);
    EXPECT_DOUBLE_EQ(brown.NextBrown(), -0.010856129229068756);
    EXPECT_DOUBLE_EQ(brown.NextBrown(), 0.017720945179462433);
}

TEST(NoiseGenerator, ValuesStayInsideTheirBounds) {
    CNoiseGenerator g(12345);
    double pinkLow = 0, pinkHigh = 0, brownLow = 0, brownHigh = 0;
    for (int k = 0; k < 2'000'000; ++k) {
        const double p = g.NextPink();
        ASSERT_LE(std::fabs(g.pinkSum), 4.0f);
        pinkLow = std::min(pinkLow, p);
        pinkHigh = std::max(pinkHigh, p);
        const double b = g.NextBrown();
        brownLow = std::min(brownLow, b);
        brownHigh = std::max(brownHigh, b);
    }
    EXPECT_GE(pinkLow, -0.5625);
    EXPECT_LT(pinkHigh, 0.5625);
    EXPECT_GE(brownLow, -0.5);
    EXPECT_LE(brownHigh, 0.5);
    EXPECT_LT(brownLow, -0.25);  // the walk does roam its range
    EXPECT_GT(brownHigh, 0.25);
}

TEST(NoiseGenerator, DefaultSeedIsTheCalendarSecond) {
    const auto before = static_cast<std::uint32_t>(std::time(nullptr));
    const CNoiseGenerator g;
    const auto after = static_cast<std::uint32_t>(std::time(nullptr));
    EXPECT_GE(g.seed, before);
    EXPECT_LE(g.seed, after);
    EXPECT_EQ(g.pinkCounter, 1u);
    EXPECT_EQ(g.pinkSum, 0.0f);
    EXPECT_EQ(g.brownSum, 0.0f);
}

Request noise(std::int32_t waveform, std::uint16_t bits, std::uint32_t channelCode,
              std::uint32_t frames, std::uint32_t seed = 0) {
    Request q;
    q.kind = Kind::Noise;
    q.waveform = waveform;
    q.bits = bits;
    q.channelCode = channelCode;
    q.seed = seed;
    q.blockSize = frames * (channelCode == 0 ? 2 : channelCode) *
                  (bits == 8    ? 1
                   : bits == 16 ? 2
                                : 4);
    return q;
}

TEST(Noise, WhiteFromSeedZeroAtSixteenBits) {
    const Rendered r = synthesize(noise(3, 16, 2, 3));
    EXPECT_EQ(sample16(r.bytes, 0), -9459);
    EXPECT_EQ(sample16(r.bytes, 2), 3767);
    EXPECT_EQ(sample16(r.bytes, 4), 14982);
    EXPECT_EQ(sample16(r.bytes, 5), 14982);
}

TEST(Noise, SameFrameValuesAtEveryDepthChannelCountAndRate) {
    struct Format {
        std::uint16_t bits;
        std::uint32_t channelCode;
        std::uint32_t rate;
    };
    const Format formats[] = {
        {16, 2, 44100}, {24, 6, 96000}, {20, 4, 0}, {8, 0, 11025}, {32, 2, 192000}};
    constexpr std::uint32_t kFrames = 20000;
    for (std::int32_t waveform : {3, 4, 5}) {
        std::vector<double> values;
        CNoiseGenerator g(777);
        for (std::uint32_t f = 0; f < kFrames; ++f) {
            values.push_back(waveform == 3   ? g.NextWhite()
                             : waveform == 4 ? g.NextPink()
                                             : g.NextBrown());
        }
        for (const Format& format : formats) {
            Request q = noise(waveform, format.bits, format.channelCode, kFrames, 777);
            q.sampleRate = format.rate;
            q.amplitude = 0.75;
            const Rendered r = synthesize(q);
            const std::uint32_t channels = format.channelCode == 0 ? 2 : format.channelCode;
            for (std::uint32_t f = 0; f < kFrames; ++f) {
                const double v = values[f];
                const std::size_t i = std::size_t{f} * channels;
                switch (format.bits) {
                    case 8:
                        ASSERT_EQ(r.bytes[i], static_cast<int>(128.0 + (v * 127.0) * 0.75));
                        ASSERT_EQ(r.bytes[i + 1], 256 - r.bytes[i]);
                        break;
                    case 16:
                        ASSERT_EQ(sample16(r.bytes, i), static_cast<int>((v * 32767.0) * 0.75));
                        break;
                    case 20:
                        ASSERT_EQ(sample32(r.bytes, i),
                                  static_cast<int>((v * 524287.0) * 0.75) * 4096);
                        break;
                    case 24:
                        ASSERT_EQ(sample32(r.bytes, i + 5),
                                  static_cast<int>((v * 8388607.0) * 0.75) * 256);
                        break;
                    default:
                        ASSERT_EQ(sampleFloat(r.bytes, i + 1),
                                  static_cast<float>((v * 0.5) * 0.75));
                }
            }
        }
    }
}

TEST(Noise, EightBitWhiteCoversExactly64To191) {
    const Rendered r = synthesize(noise(3, 8, 2, 200000, 99));
    const auto [low, high] = std::minmax_element(r.bytes.begin(), r.bytes.end());
    EXPECT_EQ(*low, 64);
    EXPECT_EQ(*high, 191);
}

TEST(Noise, RunInRequestIsBoundedAndOppositePhase) {
    for (std::uint32_t seed : {0u, 1u, 0xFFFFFFFFu, 1700000000u}) {
        Request q = noise(4, 16, 0, 220500, seed);
        q.amplitude = 0.5;
        ASSERT_EQ(q.blockSize, 882000u);
        const Rendered r = synthesize(q);
        ASSERT_EQ(r.progress.size(), 220500u);
        EXPECT_EQ(r.progress.back(), 441000u);
        std::int32_t peak = 0;
        for (std::size_t f = 0; f < 220500; ++f) {
            const std::int32_t left = sample16(r.bytes, 2 * f);
            ASSERT_EQ(sample16(r.bytes, 2 * f + 1), -left) << "frame " << f;
            peak = std::max(peak, std::abs(left));
        }
        EXPECT_LE(peak, 9215) << seed;
        EXPECT_GT(peak, 4000) << seed;
    }
}

TEST(Noise, ClockSeededEntryPointMatchesTheSeededOneForThatSecond) {
    std::vector<std::uint8_t> clock(4000), seeded(4000);
    for (int attempt = 0; attempt < 5; ++attempt) {
        const auto before = static_cast<std::uint32_t>(std::time(nullptr));
        ASSERT_EQ(SynthesizeNoise(clock.data(), 4000, 44100, 2, 16, 4, 1.0, nullptr), 1);
        const auto after = static_cast<std::uint32_t>(std::time(nullptr));
        if (before != after) {
            continue;  // crossed a second boundary: the seed is ambiguous
        }
        ASSERT_EQ(SynthesizeNoiseSeeded(before, seeded.data(), 4000, 44100, 2, 16, 4, 1.0, nullptr),
                  1);
        EXPECT_EQ(clock, seeded);
        return;
    }
    FAIL() << "the clock kept crossing seconds";
}

}  // namespace
}  // namespace quilbo::test
