// The Frequency page's fades at a null sink's monitor: a block played once rises and falls over
// 10 ms and is the block byte for byte between, and Stop ends the sound within 50 ms, smoothly.
#include "audio/PulseWaveOut.h"
#include "pages/LevelGain.h"
#include "synth/Synthesis.h"
#include "tests/support/PageFixture.h"
#include "tests/support/SoundServer.h"

#include <chrono>
#include <cmath>
#include <numbers>

namespace quilbo::test {
namespace {

constexpr int kRate = 44100, kRamp = kRate / 100;  // stereo, 16 bits: the defaults

std::vector<std::int16_t> samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

class Fade : public PageTest, public testing::WithParamInterface<ServerKind> {
protected:
    SoundServer server{GetParam()};
    PulseWaveOut pulse;  // connects at its first open

    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.log();
        backend = &pulse;
    }
    void TearDown() override { frequency.reset(); }
};

TEST_P(Fade, ABlockPlayedOnceRisesAndFallsOverItsEndsAndIsTheBlockBetween) {
    type(freq(), CFrequencyPage::IDC_TIME, "1");
    std::vector<std::uint8_t> bytes(kRate * 4);  // the page's defaults but for the time
    SynthesizeTone(bytes.data(), bytes.size(), kRate, 2, 16, 0, 1000, levelGain(20), nullptr);
    const auto block = samples(bytes);
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    click(freq(), CFrequencyPage::IDC_PLAY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !freq().isPlaying(); }, 30000));
    QTest::qWait(300);
    const auto heard = samples(capture.stop());
    const auto inner = block.begin() + 2 * kRamp;
    const auto at = std::search(heard.begin(), heard.end(), inner, block.end() - 2 * kRamp);
    ASSERT_NE(at, heard.end()) << "the block between its fades was not heard byte for byte";
    const auto first = at - heard.begin() - 2 * kRamp;
    ASSERT_GE(first, 0);
    const double amplitude = 32767 * levelGain(20);
    for (std::ptrdiff_t i = 0; i < 2 * kRamp; ++i) {
        const double rise = 0.5 - 0.5 * std::cos(std::numbers::pi * (i / 2 + 0.5) / kRamp);
        EXPECT_NEAR(heard[first + i], block[i] * rise, amplitude / 50) << "rise, sample " << i;
        const auto end = block.size() - 2 * kRamp + i, j = first + end;
        ASSERT_LT(j, heard.size());
        EXPECT_NEAR(heard[j], block[end] * (1 - rise), amplitude / 50) << "fall, sample " << i;
    }
    const auto sound = [](auto s) { return s != 0; };  // none before or after the block
    EXPECT_EQ(std::count_if(heard.begin(), heard.end(), sound),
              std::count_if(heard.begin() + first, heard.begin() + first + block.size(), sound));
}

TEST_P(Fade, StopEndsTheSoundWithin50MsWithoutAStepAndThePageIsIdleAtOnce) {
    type(freq(), CFrequencyPage::IDC_FREQUENCY, "100");
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    const auto played = std::chrono::steady_clock::now();
    click(freq(), CFrequencyPage::IDC_PLAY);
    QTest::qWait(1234);
    const auto stopped = std::chrono::steady_clock::now();
    click(freq(), CFrequencyPage::IDC_STOP);
    EXPECT_FALSE(freq().isPlaying());
    QTest::qWait(500);
    const auto heard = samples(capture.stop());
    click(freq(), CFrequencyPage::IDC_PLAY);  // the next Play works at once
    EXPECT_TRUE(freq().isPlaying());
    const auto sound = [](auto s) { return s != 0; };
    const auto from = std::find_if(heard.begin(), heard.end(), sound);
    ASSERT_NE(from, heard.end());
    const auto to = std::find_if(heard.rbegin(), heard.rend(), sound).base();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(stopped - played);
    EXPECT_LE((to - from) / 2, (ms.count() + 50) * kRate / 1000) << "sound after the stop";
    // Near the stop a 100 Hz tone moves at most 1.43% of full level a sample, its fade 0.36% more.
    const double allowed = 32767 * levelGain(20) * 0.025;
    for (auto s = std::max(to - kRate / 5, from); s + 2 < heard.end(); ++s) {
        ASSERT_LE(std::abs(s[2] - s[0]), allowed)
            << "a click " << (to - s) * 500 / kRate << " ms before the end of the sound";
    }
}

QUILBO_ON_BOTH_SERVERS(Fade);

}  // namespace
}  // namespace quilbo::test
