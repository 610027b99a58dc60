// The Frequency page's fade-in in each precision, on the fake wave output: the first piece rises
// from that precision's own silence, keeps its sample layout, and is the block past the fade.
#include "tests/support/PageFixture.h"

#include <cstring>

namespace quilbo::test {
namespace {

using FadeFormats = PageTest;

// A sample value as a fraction of full scale.
double level(const std::uint8_t* p, int precision) {
    std::int32_t i = 0;
    float f = 0;
    switch (precision) {
        case 8:
            return (p[0] - 128) / 128.0;
        case 16:
            return static_cast<std::int16_t>(p[0] | p[1] << 8) / 32768.0;
        case 32:
            std::memcpy(&f, p, 4);
            return f * 2;  // at half scale
        default:
            std::memcpy(&i, p, 4);
            return i / 2147483648.0;
    }
}

TEST_F(FadeFormats, EachPrecisionRisesFromItsOwnSilenceAndIsTheBlockPastTheFade) {
    for (const int precision : {8, 16, 20, 24, 32}) {
        frequency.reset();
        type(freq(), CFrequencyPage::IDC_PRECISION, QString::number(precision));
        click(freq(), CFrequencyPage::IDC_PLAY);
        ASSERT_TRUE(freq().isPlaying()) << precision;
        const auto writes = waveOut.callsOf(FakeWaveOut::Op::Write, waveOut.opens());
        const std::uint8_t* faded = writes.at(0).data;
        const std::uint8_t* block = writes.at(1).data - writes[0].length;
        const std::size_t sample = precision == 8 ? 1 : precision == 16 ? 2 : 4;
        const std::size_t fade = 441 * 2 * sample;  // 10 ms of the default 44100 Hz stereo
        // The tone starts at its peak; the fade starts it from silence.
        EXPECT_GT(std::abs(level(block, precision)), 0.05) << precision;
        EXPECT_LT(std::abs(level(faded, precision)), 0.001) << precision;
        EXPECT_GT(std::abs(level(faded + fade - sample, precision)), 0.05) << precision;
        EXPECT_TRUE(std::equal(faded + fade, faded + writes[0].length, block + fade)) << precision;
        const std::uint32_t unused = precision == 20 ? 0xFFF : precision == 24 ? 0xFF : 0;
        for (std::size_t at = 0; unused != 0 && at < fade; at += 4) {
            std::uint32_t value = 0;
            std::memcpy(&value, faded + at, 4);
            ASSERT_EQ(value & unused, 0u) << precision << " bits: bits below the value, " << at;
        }
    }
}

}  // namespace
}  // namespace quilbo::test
