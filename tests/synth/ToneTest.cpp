// Tone and sweep shapes: known sample values, the silence rules, and where sweeps end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Reference.h"

namespace quilbo::test {
namespace {

Request tone(std::int32_t waveform, double frequency, std::uint32_t frames,
             std::uint32_t rate = 44100) {
    Request q;
    q.waveform = waveform;
    q.frequency = frequency;
    q.sampleRate = rate;
    q.blockSize = frames * 4;  // 16 bits, 2 channels
    return q;
}

std::vector<std::int32_t> channel0(const Rendered& r, std::uint32_t channels, unsigned bits = 16) {
    std::vector<std::int32_t> out;
    const std::size_t samples = r.bytes.size() / (bits / 8);
    for (std::size_t i = 0; i < samples; i += channels) {
        out.push_back(bits == 16 ? sample16(r.bytes, i) : sample32(r.bytes, i));
    }
    return out;
}

TEST(Tone, SineStartsAtPeakAndTruncates) {
    const auto s = channel0(synthesize(tone(0, 1000, 4)), 2);
    EXPECT_EQ(s, (std::vector<std::int32_t>{32767, 32434, 31445, 29819}));
}

TEST(Tone, SquareFollowsTheSignOfTheCosine) {
    const auto s = channel0(synthesize(tone(1, 1000, 56)), 2);
    for (std::size_t o = 0; o < s.size(); ++o) {
        const std::int32_t expected = (o <= 11 || o >= 34) ? 32767 : -32767;
        EXPECT_EQ(s[o], expected) << "frame " << o;
    }
}

TEST(Tone, TwoRampShapeValuesOverOnePeriod) {
    const auto s = channel0(synthesize(tone(2, 1000, 90)), 2);
    EXPECT_EQ(s[0], -32767);
    EXPECT_EQ(s[1], -31280);
    EXPECT_EQ(s[21], -1560);
    EXPECT_EQ(s[22], -74);
    EXPECT_EQ(s[23], 31355);
    EXPECT_EQ(s[43], 1634);
    EXPECT_EQ(s[44], -32767);  // P = 44 whole samples
    EXPECT_EQ(s[45], -31280);
    EXPECT_EQ(s[88], -32767);

    Request floats = tone(2, 1000, 44);
    floats.bits = 32;
    floats.amplitude = 2.0;  // float samples then carry the frame value itself
    floats.blockSize = 44 * 8;
    const Rendered r = synthesize(floats);
    EXPECT_EQ(sampleFloat(r.bytes, 2 * 1), static_cast<float>(-0.9546485260770975));
    EXPECT_EQ(sampleFloat(r.bytes, 2 * 21), static_cast<float>(-0.04761904761904767));
    EXPECT_EQ(sampleFloat(r.bytes, 2 * 22), static_cast<float>(-0.0022675736961451642));
    EXPECT_EQ(sampleFloat(r.bytes, 2 * 23), static_cast<float>(0.9569160997732427));
    EXPECT_EQ(sampleFloat(r.bytes, 2 * 43), static_cast<float>(0.049886621315192836));
}

TEST(Tone, RampWithPeriodBelowTwoSamplesIsSilence) {
    // ratio 1.47 and 1.0: as a formula these give a constant full-scale -1 (a DC offset).
    for (double frequency : {30000.0, 44100.0, 60000.0, 1.0e9}) {
        const auto s = channel0(synthesize(tone(2, frequency, 500)), 2);
        for (std::size_t o = 0; o < s.size(); ++o) {
            ASSERT_EQ(s[o], 0) << frequency << " Hz, frame " << o;
        }
    }
    // Exactly two samples per period is still a tone: -1, then +1.
    const auto s = channel0(synthesize(tone(2, 22050, 4)), 2);
    EXPECT_EQ(s, (std::vector<std::int32_t>{-32767, 32767, -32767, 32767}));
}

TEST(Tone, RateZeroIsSilenceForEveryShape) {
    for (std::int32_t waveform : {0, 1, 2}) {
        for (std::uint16_t bits : {8, 16, 20, 24, 32}) {
            for (Kind kind : {Kind::Tone, Kind::Sweep}) {
                Request q = tone(waveform, 1000, 0, 0);
                q.kind = kind;
                q.endFrequency = 2000;
                q.bits = bits;
                q.blockSize = 400;
                const Rendered r = synthesize(q, 0x5A);
                EXPECT_EQ(r.bytes, std::vector<std::uint8_t>(400, bits == 8 ? 0x80 : 0))
                    << waveform << " " << bits;
                EXPECT_EQ(r.progress.back(), bits == 8 ? 400u : bits == 16 ? 200u : 100u);
            }
        }
    }
}

// Frequency of channel 0 over the frames [from, to), from the count of sign changes.
double zeroCrossingFrequency(const std::vector<std::int32_t>& s, std::size_t from, std::size_t to,
                             double rate) {
    int crossings = 0;
    for (std::size_t o = from + 1; o < to; ++o) {
        crossings += (s[o - 1] < 0) != (s[o] < 0);
    }
    return crossings * rate / 2.0 / static_cast<double>(to - from - 1);
}

Request sweep(std::int32_t waveform, std::uint32_t channelCode, double f0, double f1) {
    Request q;
    q.kind = Kind::Sweep;
    q.waveform = waveform;
    q.frequency = f0;
    q.endFrequency = f1;
    q.channelCode = channelCode;
    const std::uint32_t channels = channelCode == 0 ? 2 : channelCode;
    q.blockSize = 2 * 44100 * channels * 2;  // two seconds at 16 bits
    return q;
}

TEST(Sweep, SineReachesTheEndFrequencyOnEveryChannelCount) {
    // 100 -> 1000 Hz over 2 s: the last 0.1 s average 977.5 Hz, the first 0.1 s 122.5 Hz.
    for (std::uint32_t code : {0u, 2u, 4u, 6u}) {
        const std::uint32_t channels = code == 0 ? 2 : code;
        const auto s = channel0(synthesize(sweep(0, code, 100, 1000)), channels);
        ASSERT_EQ(s.size(), 88200u);
        EXPECT_NEAR(zeroCrossingFrequency(s, 88200 - 4410, 88200, 44100), 977.5, 15) << code;
        EXPECT_NEAR(zeroCrossingFrequency(s, 0, 4410, 44100), 122.5, 15) << code;
    }
    // Downwards as well.
    const auto down = channel0(synthesize(sweep(0, 6, 1000, 100)), 6);
    EXPECT_NEAR(zeroCrossingFrequency(down, 88200 - 4410, 88200, 44100), 122.5, 15);
}

TEST(Sweep, PageDefaultSweepEndsNearTwentyKilohertz) {
    Request q = sweep(1, 4, 20, 20000);  // square: sign changes are exact
    q.blockSize = 5 * 44100 * 4 * 2;
    const auto s = channel0(synthesize(q), 4);
    ASSERT_EQ(s.size(), 220500u);
    EXPECT_NEAR(zeroCrossingFrequency(s, 220500 - 2205, 220500, 44100), 19900, 150);
}

TEST(Sweep, RampPeriodFollowsTheInstantaneousFrequency) {
    for (std::uint32_t code : {0u, 2u, 4u, 6u}) {
        const std::uint32_t channels = code == 0 ? 2 : code;
        const auto s = channel0(synthesize(sweep(2, code, 100, 1000)), channels);
        // A period starts where the shape falls back to -1 (a drop of about one unit).
        std::vector<std::size_t> starts;
        for (std::size_t o = 1; o < s.size(); ++o) {
            if (s[o] - s[o - 1] < -16000) {
                starts.push_back(o);
            }
        }
        ASSERT_GT(starts.size(), 10u);
        // The period index jumps where P changes, so take the median of the last intervals.
        std::vector<std::size_t> intervals;
        for (std::size_t k = starts.size() - 9; k < starts.size(); ++k) {
            intervals.push_back(starts[k] - starts[k - 1]);
        }
        std::nth_element(intervals.begin(), intervals.begin() + 4, intervals.end());
        EXPECT_GE(intervals[4], 44u) << code;  // 44100 / 1000 Hz = 44.1 samples
        EXPECT_LE(intervals[4], 46u) << code;
        EXPECT_GE(starts[1] - starts[0], 350u) << code;  // 44100 / 100 Hz = 441 samples
    }
}

TEST(Sweep, EqualEndsMatchTheFixedTone) {
    for (std::int32_t waveform : {0, 1, 2}) {
        Request fixed = tone(waveform, 1234.5, 3000);
        Request flat = fixed;
        flat.kind = Kind::Sweep;
        flat.endFrequency = 1234.5;
        EXPECT_EQ(synthesize(fixed).bytes, synthesize(flat).bytes) << waveform;
    }
}

}  // namespace
}  // namespace quilbo::test
