// The optimised entry points against the plain oracle over realistic requests: byte-identical
// output and identical progress reports, including long blocks where the phase grows large.
#include <gtest/gtest.h>

#include "Reference.h"
#include "synth/NoiseGenerator.h"

namespace quilbo::test {
namespace {

struct Case {
    Kind kind;
    std::int32_t waveform;
    double f0;
    double f1;
};

TEST(Oracle, PageRequestsMatchByteForByte) {
    const Case cases[] = {
        {Kind::Tone, 0, 1000, 0},    {Kind::Tone, 0, 20, 0},      {Kind::Tone, 0, 40000, 0},
        {Kind::Tone, 0, 12345, 0},   {Kind::Tone, 1, 1000, 0},    {Kind::Tone, 1, 11025, 0},
        {Kind::Tone, 1, 997, 0},     {Kind::Tone, 2, 1000, 0},    {Kind::Tone, 2, 40000, 0},
        {Kind::Tone, 2, 20, 0},      {Kind::Sweep, 0, 20, 20000}, {Kind::Sweep, 0, 40000, 20},
        {Kind::Sweep, 1, 20, 20000}, {Kind::Sweep, 2, 20, 20000}, {Kind::Sweep, 2, 30000, 40},
        {Kind::Noise, 3, 0, 0},      {Kind::Noise, 4, 0, 0},      {Kind::Noise, 5, 0, 0},
    };
    const double levels[] = {1.0, 0.7937005259840998, 0.5, 0.10416666666666667};
    for (const Case& c : cases) {
        for (std::uint16_t bits : {8, 16, 20, 24, 32}) {
            for (std::uint32_t code : {0u, 2u, 4u, 6u}) {
                for (std::uint32_t rate : {11025u, 44100u, 192000u}) {
                    Request q;
                    q.kind = c.kind;
                    q.waveform = c.waveform;
                    q.frequency = c.f0;
                    q.endFrequency = c.f1;
                    q.bits = bits;
                    q.channelCode = code;
                    q.sampleRate = rate;
                    q.amplitude = levels[(bits + code) % 4];
                    q.seed = rate + code;
                    q.blockSize = 3001 + bits * 7;  // partial frames too
                    const Rendered got = synthesize(q);
                    const Rendered want = referenceRender(q);
                    ASSERT_EQ(got.bytes, want.bytes)
                        << "kind " << int(c.kind) << ", waveform " << c.waveform << ", " << bits
                        << " bits, code " << code << ", rate " << rate;
                    ASSERT_EQ(got.progress, want.progress);
                }
            }
        }
    }
}

TEST(Oracle, LongBlocksWithLargePhasesMatch) {
    // 300 s at 11025 Hz up to 40000 Hz: the largest phases the pages can ask for (7.5e7 rad).
    struct LongCase {
        Case signal;
        std::uint16_t bits;
    };
    const LongCase cases[] = {{{Kind::Tone, 0, 40000, 0}, 16},
                              {{Kind::Sweep, 0, 40000, 20}, 32},
                              {{Kind::Sweep, 1, 20, 40000}, 16}};
    for (const LongCase& c : cases) {
        Request q;
        q.kind = c.signal.kind;
        q.waveform = c.signal.waveform;
        q.frequency = c.signal.f0;
        q.endFrequency = c.signal.f1;
        q.bits = c.bits;
        q.sampleRate = 11025;
        q.blockSize = 300 * q.sampleRate * 2 * (c.bits / 8);
        q.amplitude = 0.7937005259840998;
        const Rendered got = synthesize(q);
        const Rendered want = referenceRender(q);
        ASSERT_TRUE(got.bytes == want.bytes) << "waveform " << c.signal.waveform << ", " << c.bits;
        ASSERT_TRUE(got.progress == want.progress);
    }
}

// Draws the pink generator took beyond two per frame: its redraws of rejected renewals.
std::uint64_t pinkRedraws(std::uint32_t seed, std::uint32_t frames) {
    CNoiseGenerator g(seed);
    std::uint32_t state = seed;
    std::uint64_t extra = 0;
    for (std::uint32_t f = 0; f < frames; ++f) {
        g.NextPink();
        state = state * 196314165u + 907633515u;
        state = state * 196314165u + 907633515u;
        for (int k = 0; state != g.seed && k < 1000; ++k) {
            state = state * 196314165u + 907633515u;
            ++extra;
        }
    }
    return extra;
}

TEST(Oracle, LongNoiseMatchesIncludingRedraws) {
    constexpr std::uint32_t kFrames = 1'500'000;
    for (std::uint32_t seed : {0u, 12345u}) {
        EXPECT_GT(pinkRedraws(seed, kFrames), 100u) << seed;  // the rare path is exercised
        for (std::int32_t waveform : {3, 4, 5}) {
            Request q;
            q.kind = Kind::Noise;
            q.waveform = waveform;
            q.seed = seed;
            q.amplitude = 0.5;
            q.blockSize = kFrames * 4;
            const Rendered got = synthesize(q);
            const Rendered want = referenceRender(q);
            ASSERT_TRUE(got.bytes == want.bytes) << "seed " << seed << ", waveform " << waveform;
            ASSERT_TRUE(got.progress == want.progress);
        }
    }
}

}  // namespace
}  // namespace quilbo::test
