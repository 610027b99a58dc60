// Sample encoding, frame layout, partial frames and progress counts, checked byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Reference.h"

namespace quilbo::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Request sine(std::uint16_t bits, std::uint32_t channelCode, std::uint32_t blockSize,
             double amplitude = 1.0) {
    Request q;
    q.bits = bits;
    q.channelCode = channelCode;
    q.blockSize = blockSize;
    q.amplitude = amplitude;
    return q;
}

// Frame 0 of the two-ramp tone is -1, of the sine +1: the two ends of every scale.
Request ramp(std::uint16_t bits, std::uint32_t channelCode, std::uint32_t blockSize,
             double amplitude = 1.0) {
    Request q = sine(bits, channelCode, blockSize, amplitude);
    q.waveform = 2;
    return q;
}

TEST(Encoding, SixteenBitSineTruncatesAndPairInvertsSecondChannel) {
    const Rendered same = synthesize(sine(16, 2, 16));
    ASSERT_EQ(same.result, 1);
    const std::int32_t expected[] = {32767, 32434, 31445, 29819};
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(sample16(same.bytes, 2 * f), expected[f]) << "frame " << f;
        EXPECT_EQ(sample16(same.bytes, 2 * f + 1), expected[f]) << "frame " << f;
    }
    EXPECT_EQ(same.progress, (std::vector<std::uint32_t>{2, 4, 6, 8}));

    const Rendered pair = synthesize(sine(16, 0, 16));
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(sample16(pair.bytes, 2 * f), expected[f]);
        EXPECT_EQ(sample16(pair.bytes, 2 * f + 1), -expected[f]);
    }
    EXPECT_EQ(pair.bytes[0], 0xFF);  // little-endian 32767
    EXPECT_EQ(pair.bytes[1], 0x7F);
}

TEST(Encoding, EightBitLevelsAndPairMirrorAbout128) {
    Request silent = sine(8, 0, 2);
    silent.waveform = 7;
    EXPECT_EQ(synthesize(silent).bytes, (Bytes{128, 128}));
    EXPECT_EQ(synthesize(sine(8, 0, 2)).bytes, (Bytes{255, 1}));
    EXPECT_EQ(synthesize(ramp(8, 0, 2)).bytes, (Bytes{1, 255}));
    EXPECT_EQ(synthesize(sine(8, 0, 2, 0.5)).bytes, (Bytes{191, 65}));
    EXPECT_EQ(synthesize(ramp(8, 0, 2, 0.5)).bytes, (Bytes{64, 192}));
}

TEST(Encoding, WideDepthsAreLeftJustifiedInFourBytes) {
    EXPECT_EQ(synthesize(sine(20, 2, 4)).bytes, (Bytes{0x00, 0xF0, 0xFF, 0x7F}));
    EXPECT_EQ(synthesize(ramp(20, 2, 4)).bytes, (Bytes{0x00, 0x10, 0x00, 0x80}));
    EXPECT_EQ(synthesize(sine(24, 2, 4)).bytes, (Bytes{0x00, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(synthesize(ramp(24, 2, 4)).bytes, (Bytes{0x00, 0x01, 0x00, 0x80}));
    // The pair stores the exact negation: -(0x7FFFF000) and -(0x7FFFFF00).
    EXPECT_EQ(synthesize(sine(20, 0, 8)).bytes,
              (Bytes{0x00, 0xF0, 0xFF, 0x7F, 0x00, 0x10, 0x00, 0x80}));
    EXPECT_EQ(synthesize(sine(24, 0, 8)).bytes,
              (Bytes{0x00, 0xFF, 0xFF, 0x7F, 0x00, 0x01, 0x00, 0x80}));
}

TEST(Encoding, FloatSamplesPeakAtHalfScale) {
    EXPECT_EQ(synthesize(sine(32, 0, 8)).bytes,
              (Bytes{0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0xBF}));
    const Rendered r = synthesize(sine(32, 2, 16, 0.5));
    EXPECT_EQ(sampleFloat(r.bytes, 0), 0.25f);
    EXPECT_FLOAT_EQ(sampleFloat(r.bytes, 2), 0.25f * 0.9898674727799416f);
}

TEST(Encoding, UnsupportedDepthLeavesBlockUntouched) {
    for (std::uint16_t bits : {0, 1, 7, 12, 15, 17, 31, 33, 64, 65535}) {
        const Rendered r = synthesize(sine(bits, 2, 32), 0x5A);
        EXPECT_EQ(r.result, 0) << bits;
        EXPECT_EQ(r.bytes, Bytes(32, 0x5A)) << bits;
        EXPECT_TRUE(r.progress.empty()) << bits;
    }
}

TEST(Encoding, PartialFramesWriteLeadingChannelsAndKeepSilence) {
    const Rendered nine = synthesize(sine(16, 2, 9), 0x5A);
    EXPECT_EQ(nine.progress, (std::vector<std::uint32_t>{2, 4}));
    EXPECT_EQ(sample16(nine.bytes, 3), 32434);
    EXPECT_EQ(nine.bytes[8], 0x00);

    const Rendered six = synthesize(sine(16, 0, 6));
    EXPECT_EQ(six.progress, (std::vector<std::uint32_t>{2, 3}));
    EXPECT_EQ(sample16(six.bytes, 1), -32767);
    EXPECT_EQ(sample16(six.bytes, 2), 32434);  // first channel of the second frame: polarity +1

    // Less than one sample: silence fill only, no progress.
    const Rendered three = synthesize(sine(32, 2, 3), 0x5A);
    EXPECT_EQ(three.result, 1);
    EXPECT_EQ(three.bytes, Bytes(3, 0x00));
    EXPECT_TRUE(three.progress.empty());
    const Rendered eight = synthesize(sine(8, 2, 0));
    EXPECT_EQ(eight.result, 1);
    EXPECT_TRUE(eight.progress.empty());
}

TEST(Encoding, FourAndSixChannelsRepeatTheFrameValue) {
    for (std::uint32_t channels : {4u, 6u}) {
        const Rendered r = synthesize(sine(16, channels, channels * 2 * 50));
        ASSERT_EQ(r.progress.size(), 50u);
        for (std::uint32_t f = 0; f < 50; ++f) {
            EXPECT_EQ(r.progress[f], (f + 1) * channels);
            for (std::uint32_t c = 1; c < channels; ++c) {
                ASSERT_EQ(sample16(r.bytes, f * channels + c), sample16(r.bytes, f * channels));
            }
        }
        EXPECT_EQ(sample16(r.bytes, channels), 32434);
    }
}

TEST(Encoding, TwentyFourBitPageBlockHoldsThreeQuartersOfItsSeconds) {
    const Rendered r = synthesize(sine(24, 2, 1323000));
    ASSERT_EQ(r.progress.size(), 165375u);
    EXPECT_EQ(r.progress.back(), 330750u);
}

TEST(Encoding, OtherWaveformIndexIsSilenceWithProgressPerFrame) {
    for (std::uint16_t bits : {8, 16, 20, 24, 32}) {
        for (std::int32_t waveform : {-1, 3, 7, 1000}) {
            Request q = sine(bits, 2, 64);
            q.waveform = waveform;
            const Rendered r = synthesize(q, 0x5A);
            EXPECT_EQ(r.bytes, Bytes(64, bits == 8 ? 0x80 : 0x00)) << bits << " " << waveform;
            EXPECT_EQ(r.progress.size(), 64u / (bits == 8 ? 2 : bits == 16 ? 4 : 8));
        }
        Request q = sine(bits, 2, 64);
        q.kind = Kind::Noise;
        q.waveform = 0;
        EXPECT_EQ(synthesize(q, 0x5A).bytes, Bytes(64, bits == 8 ? 0x80 : 0x00)) << bits;
    }
}

}  // namespace
}  // namespace quilbo::test
