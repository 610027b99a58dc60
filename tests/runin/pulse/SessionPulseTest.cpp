// A run-in session through a private PulseAudio server, heard at the null sink's monitor: pink
// noise whose right channel is the left one inverted, repeating every five seconds without a
// gap, and silence after Stop.
#include "audio/PulseWaveOut.h"
#include "tests/runin/NoiseChecks.h"
#include "tests/runin/RunInFixture.h"
#include "tests/support/SoundServer.h"

#include <QTest>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace quilbo::test {
namespace {

constexpr std::size_t kRate = 44100;
constexpr std::size_t kPeriod = 5 * kRate;
constexpr int kLoud = 300;  // far above a null sink's silence (exactly 0)

struct Heard {
    std::vector<std::int16_t> left;
    std::vector<std::int16_t> right;

    explicit Heard(const std::vector<std::uint8_t>& bytes) {
        const std::size_t frames = bytes.size() / 4;
        left.resize(frames);
        right.resize(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            std::memcpy(&left[i], bytes.data() + i * 4, 2);
            std::memcpy(&right[i], bytes.data() + i * 4 + 2, 2);
        }
    }

    std::size_t firstLoud() const {
        const auto it = std::find_if(left.begin(), left.end(),
                                     [](std::int16_t s) { return std::abs(s) > kLoud; });
        return static_cast<std::size_t>(it - left.begin());
    }

    int peak(std::size_t from, std::size_t to) const {
        int peak = 0;
        for (std::size_t i = from; i < std::min(to, left.size()); ++i) {
            peak = std::max(
                {peak, std::abs(static_cast<int>(left[i])), std::abs(static_cast<int>(right[i]))});
        }
        return peak;
    }

    // The smallest shift after which a stretch of the left channel recurs exactly.
    std::size_t period(std::size_t from, std::size_t length) const {
        for (std::size_t lag = 1; from + lag + length <= left.size(); ++lag) {
            if (std::equal(left.begin() + static_cast<std::ptrdiff_t>(from),
                           left.begin() + static_cast<std::ptrdiff_t>(from + length),
                           left.begin() + static_cast<std::ptrdiff_t>(from + lag))) {
                return lag;
            }
        }
        return 0;
    }
};

TEST(RunInSessionPulse, PlaysAFiveSecondLoopOfOppositePhasePinkNoiseUntilStopped) {
    SoundServer server;
    ASSERT_TRUE(server.start()) << server.log();
    PulseWaveOut backend;
    FakeWaveOutVolume volume;
    FakePowerOff powerOff;
    CRunInPage page(&backend, &volume, &powerOff);
    QStringList messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages << text; });
    page.show();
    auto* button = qobject_cast<QAbstractButton*>(page.control(CRunInPage::IDC_RUN_IN));

    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    button->click();
    ASSERT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
    ASSERT_TRUE(page.isPlaying());
    // One whole pass and more than a second of the next.
    QTest::qWait(6600);
    // Everything recorded so far was recorded while the sound played.
    const std::size_t playedUntil = capture.bytesSoFar() / 4;
    button->click();
    EXPECT_FALSE(page.isPlaying());
    EXPECT_FALSE(page.isRunning());
    const std::size_t stoppedAt = capture.bytesSoFar() / 4;
    QTest::qWait(800);
    const Heard heard(capture.stop());

    const std::size_t start = heard.firstLoud();
    const std::size_t end = std::min(playedUntil, heard.left.size());
    ASSERT_LT(start + kPeriod + kRate, end) << "less than six seconds of sound reached the sink";

    // Opposite phase, sample for sample.
    std::size_t notInverted = 0;
    for (std::size_t i = start; i < end; ++i) {
        notInverted += heard.right[i] != -heard.left[i];
    }
    EXPECT_EQ(notInverted, 0U);

    // The loop: the first recurrence of a tenth of a second is five seconds later, and every
    // frame of the second pass equals the one five seconds before (no gap at the seam).
    EXPECT_EQ(heard.period(start + kRate / 10, kRate / 10), kPeriod);
    std::size_t differing = 0;
    for (std::size_t i = start; i + kPeriod < end; ++i) {
        differing += heard.left[i + kPeriod] != heard.left[i];
    }
    EXPECT_EQ(differing, 0U);

    // Pink (white noise gives 2, brown 0.004), at half scale.
    const std::vector<double> pass(
        heard.left.begin() + static_cast<std::ptrdiff_t>(start),
        heard.left.begin() + static_cast<std::ptrdiff_t>(start + kPeriod));
    EXPECT_NEAR(differenceRatio(pass), 0.25, 0.1);
    EXPECT_LE(heard.peak(start, end), 16384);

    // Silence within a third of a second of the Stop, for as long as the capture ran.
    const std::size_t quiet = stoppedAt + kRate / 3;
    ASSERT_LT(quiet + kRate / 4, heard.left.size());
    EXPECT_EQ(heard.peak(quiet, heard.left.size()), 0);
}

}  // namespace
}  // namespace quilbo::test
