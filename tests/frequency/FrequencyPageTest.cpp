// The Frequency page on the fake wave output: the block and format Play makes of the controls,
// and its fade in. (A render's bar and what it holds back: tests/app; refusals: tests/badinput,
// tests/alloc and fuzz_frequency_page.)
#include "pages/LevelSlider.h"
#include "synth/StandardSignals.h"
#include "synth/Synthesis.h"
#include "tests/support/PageFixture.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>

namespace quilbo::test {
namespace {

using Page = CFrequencyPage;
using FrequencyPage = PageTest;

TEST_F(FrequencyPage, PlayRendersAndPlaysTheRequestOfTheControls) {
    struct Case {
        std::function<void(Page&)> choose;
        // The request (a sweep when f1 is set), then the format the device is opened with.
        std::uint32_t bytes, rate, code;
        std::uint16_t bits;
        int waveform;
        double f0, f1, gain;
        int channels, container;
        unsigned mask;
    };
    const auto combo = [](Page& p, int id, int index) {
        ctl<QComboBox>(p, id)->setCurrentIndex(index);
    };
    const Case cases[] = {
        {[](Page&) {}, 882000, 44100, 2, 16, 0, 1000, 0, 5.0 / 48, 2, 16, 0x3},      // at -20 dB
        {[&](Page& p) { combo(p, Page::IDC_CHANNELS, 3), p.m_level->setValue(0); },  // OPTC
         882000, 44100, 0, 16, 0, 1000, 0, 1.0, 2, 16, 0x3},
        {[&](Page& p) {
             combo(p, Page::IDC_PRECISION, 2), combo(p, Page::IDC_WAVE, 1);
             p.m_level->setValue(6);
         },
         1102500, 44100, 2, 20, 1, 1000, 0, 0.5, 2, 32, 0x3},
        {[&](Page& p) { combo(p, Page::IDC_PRECISION, 3); }, 1323000, 44100, 2, 24, 0, 1000, 0,
         5.0 / 48, 2, 32, 0x3},  // 3.75 s in 4-byte words
        {[&](Page& p) {
             type(p, Page::IDC_SAMPLE_RATE, " 8000 Hz"), type(p, Page::IDC_CHANNELS, "6");
             type(p, Page::IDC_TIME, "2"), combo(p, Page::IDC_PRECISION, 0);
             combo(p, Page::IDC_WAVE, 2);
         },
         96000, 8000, 6, 8, 2, 1000, 0, 5.0 / 48, 6, 8, 0x3F},
        {[&](Page& p) {
             ctl(p, Page::IDC_SCAN)->click(), type(p, Page::IDC_SCAN_FROM, "20000");
             type(p, Page::IDC_SCAN_TO, "20"), combo(p, Page::IDC_PRECISION, 4);
             p.m_level->setValue(12);
         },
         1764000, 44100, 2, 32, 0, 20000, 20, 0.25, 2, 32, 0x3},
    };
    for (const Case& c : cases) {
        frequency.reset();
        allocations.clear();
        c.choose(freq());
        click(freq(), Page::IDC_PLAY);
        ASSERT_TRUE(freq().isPlaying()) << messages.join(' ').toStdString();
        EXPECT_EQ(allocations, std::vector<std::size_t>{c.bytes});
        const WaveFormatExtensible f = waveOut.lastFormat();
        EXPECT_EQ(f.nChannels * 1000000 + f.nSamplesPerSec, c.channels * 1000000 + c.rate);
        EXPECT_EQ(f.wBitsPerSample * 100 + f.wValidBitsPerSample, c.container * 100 + c.bits);
        EXPECT_EQ(f.dwChannelMask, c.mask);
        std::vector<std::uint8_t> want(c.bytes);
        if (c.f1 != 0) {
            SynthesizeSweep(want.data(), c.bytes, c.rate, c.code, c.bits, c.waveform, c.f0, c.f1,
                            c.gain, nullptr);
        } else {
            SynthesizeTone(want.data(), c.bytes, c.rate, c.code, c.bits, c.waveform, c.f0, c.gain,
                           nullptr);
        }
        const auto writes = waveOut.callsOf(FakeWaveOut::Op::Write, waveOut.opens());
        const auto* block = writes.at(1).data - writes[0].length;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), block)) << c.bytes;
        // The first piece is a copy faded in over 10 ms from the precision's own silence, its
        // unused low bits left clear; the block past the fade.
        const std::uint8_t* faded = writes[0].data;
        const std::size_t fade = c.rate / 100 * c.channels * c.container / 8;
        EXPECT_TRUE(std::equal(faded + fade, faded + writes[0].length, block + fade)) << c.bits;
        const std::uint32_t unused = c.bits == 20 ? 0xFFF : c.bits == 24 ? 0xFF : 0;
        for (std::size_t at = 0; unused != 0 && at < fade; at += 4) {
            ASSERT_EQ((faded[at] | faded[at + 1] << 8) & unused, 0u) << c.bits << " bits, " << at;
        }
        std::int32_t first = 0;
        std::memcpy(&first, faded, c.container / 8);
        EXPECT_LT(std::abs(c.bits == 8    ? (first - 128) / 128.0
                           : c.bits == 16 ? std::int16_t(first) / 32768.0
                           : c.bits == 32 ? std::bit_cast<float>(first)
                                          : first / 2147483648.0),
                  0.001)
            << c.bits;
    }
    type(freq(), Page::IDC_FREQUENCY, "abc");  // no new render, no message while it plays
    click(freq(), Page::IDC_PLAY);
    EXPECT_TRUE(messages.isEmpty() && allocations.size() == 1);
}

TEST_F(FrequencyPage, PlaysTheStandardsSignalsAndRefusesTheirBadSettings) {
    const auto combo = [this](int id, int index) {
        ctl<QComboBox>(freq(), id)->setCurrentIndex(index);
    };
    combo(Page::IDC_WAVE, kWaveSt2095Pink);
    combo(Page::IDC_PRECISION, 3);
    type(freq(), Page::IDC_SAMPLE_RATE, "48000"), type(freq(), Page::IDC_CHANNELS, "1");
    freq().m_level->setValue(30);  // no effect: the standard fixes the level
    click(freq(), Page::IDC_PLAY);
    ASSERT_TRUE(freq().isPlaying()) << messages.join(' ').toStdString();
    std::vector<std::uint8_t> want(720000);  // 3.75 s in 4-byte words, as the page sizes them
    SynthesizeStandard(want.data(), 720000, 48000, 1, 24, {}, 1.0, nullptr);
    const auto writes = waveOut.callsOf(FakeWaveOut::Op::Write, waveOut.opens());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), writes.at(1).data - writes[0].length));
    click(freq(), Page::IDC_STOP);
    combo(Page::IDC_WAVE, kWavePowerNoise);
    ctl(freq(), Page::IDC_SCAN)->click(), type(freq(), Page::IDC_SCAN_FROM, "500");
    type(freq(), Page::IDC_SCAN_TO, "50");
    click(freq(), Page::IDC_PLAY);
    combo(Page::IDC_WAVE, kWaveToneBurst), ctl(freq(), Page::IDC_SIMPLE)->click();
    type(freq(), Page::IDC_FREQUENCY, "30000");
    click(freq(), Page::IDC_PLAY);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains("Scan From") && messages[1].contains("24000 Hz"));
}

}  // namespace
}  // namespace quilbo::test
