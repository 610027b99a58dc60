// The Frequency page's fade-in in each precision, on the fake wave output: the first piece rises
// from that precision's own silence, keeps its sample layout, and is the block past the fade.
#include "tests/support/PageFixture.h"

#include <cstring>

namespace quilbo::test {
namespace {

using FadeFormats = PageTest;

// A sample value as a fraction of full scale (32-bit floats are at half scale).
double level(const std::uint8_t* p, int precision) {
    std::int32_t i = 0;
    float f = 0;
    std::memcpy(&i, p, precision == 8 ? 1 : precision == 16 ? 2 : 4);
    std::memcpy(&f, &i, 4);
    return precision == 8    ? (i - 128) / 128.0
           : precision == 16 ? static_cast<std::int16_t>(i) / 32768.0
           : precision == 32 ? f * 2.0
                             : i / 2147483648.0;
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
        // The tone starts at its peak (a tenth of full scale); the fade starts it from silence.
        EXPECT_LT(std::abs(level(faded, precision)), 0.001) << precision;
        EXPECT_TRUE(std::equal(faded + fade, faded + writes[0].length, block + fade)) << precision;
        const std::uint32_t unused = precision == 20 ? 0xFFF : precision == 24 ? 0xFF : 0;
        for (std::size_t at = 0; unused != 0 && at < fade; at += 4) {  // the low two bytes
            ASSERT_EQ((faded[at] | faded[at + 1] << 8) & unused, 0u)
                << precision << " bits, " << at;
        }
    }
}

}  // namespace
}  // namespace quilbo::test
