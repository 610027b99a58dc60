// The run-in sound on the fake wave output: the block it renders, the format it declares, the
// pieces it queues and loops, and what a device that refuses it does to the session.
#include "audio/WaveFormat.h"
#include "tests/runin/NoiseChecks.h"
#include "tests/runin/RunInFixture.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace quilbo::test {
namespace {

constexpr std::int64_t kHour = 3600;
constexpr std::size_t kFrames = 220500;  // five seconds at 44100 Hz

class Playback : public RunInFixture {
protected:
    // (offset in the block, length) of every piece written so far.
    std::vector<std::pair<std::ptrdiff_t, std::uint32_t>> pieces() const {
        const auto writes = device.callsOf(FakeWaveOut::Op::Write);
        std::vector<std::pair<std::ptrdiff_t, std::uint32_t>> out;
        for (const auto& write : writes) {
            out.emplace_back(write.data - writes.front().data, write.length);
        }
        return out;
    }

    // The block as rendered, one channel of 16-bit frames.
    std::vector<std::int16_t> channel(int which) const {
        const auto writes = device.callsOf(FakeWaveOut::Op::Write);
        std::vector<std::int16_t> samples(kFrames);
        for (std::size_t i = 0; i < kFrames; ++i) {
            std::memcpy(&samples[i], writes.front().data + i * 4 + which * 2, 2);
        }
        return samples;
    }
};

TEST_F(Playback, StartRendersFiveSecondsOfOppositePhasePinkNoiseAndQueuesFourPieces) {
    start();
    ASSERT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
    ASSERT_EQ(device.opens(), 1);

    const WaveFormatExtensible format = device.lastFormat();
    EXPECT_EQ(format.wFormatTag, 0xFFFE);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 44100U);
    EXPECT_EQ(format.nAvgBytesPerSec, 176400U);
    EXPECT_EQ(format.nBlockAlign, 4);
    EXPECT_EQ(format.wBitsPerSample, 16);
    EXPECT_EQ(format.cbSize, 22);
    EXPECT_EQ(format.wValidBitsPerSample, 16);
    EXPECT_EQ(format.dwChannelMask, 0x3U);
    EXPECT_EQ(format.SubFormat, kSubFormatPcm);

    using Piece = std::pair<std::ptrdiff_t, std::uint32_t>;
    EXPECT_EQ(pieces(),
              (std::vector<Piece>{{0, 24000}, {24000, 24000}, {48000, 24000}, {72000, 24000}}));

    // The bar counted the 441000 sample values of the render and is hidden again.
    auto* progress = control<QProgressBar>(CRunInPage::IDC_RUN_IN_PROGRESS);
    EXPECT_EQ(progress->maximum(), 441000);
    EXPECT_EQ(progress->value(), 0);
    EXPECT_TRUE(progress->isHidden());

    const std::vector<std::int16_t> left = channel(0);
    const std::vector<std::int16_t> right = channel(1);
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < kFrames; ++i) {
        mismatches += right[i] != -left[i];
    }
    EXPECT_EQ(mismatches, 0U);
    // Half scale: nothing beyond 16384, and the noise does use its range.
    const auto [low, high] = std::minmax_element(left.begin(), left.end());
    EXPECT_GE(*low, -16384);
    EXPECT_LE(*high, 16384);
    EXPECT_GT(*high - *low, 8000);
    // Filled to the last frame.
    EXPECT_TRUE(std::any_of(left.end() - 100, left.end(), [](std::int16_t s) { return s != 0; }));

    // Pink, neither white (2) nor brown (0.004).
    EXPECT_NEAR(differenceRatio(std::vector<double>(left.begin(), left.end())), 0.25, 0.1);
}

TEST_F(Playback, EachPassIsThirtySevenPiecesAndTheNextStartsAgainAtTheTop) {
    start();
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(device.completeNext());
    }
    const auto written = pieces();
    ASSERT_EQ(written.size(), 44U);
    for (std::size_t i = 0; i < 36; ++i) {
        EXPECT_EQ(written[i], std::make_pair(static_cast<std::ptrdiff_t>(i * 24000), 24000U)) << i;
    }
    EXPECT_EQ(written[36], std::make_pair(std::ptrdiff_t{864000}, 18000U));
    EXPECT_EQ(written[37], std::make_pair(std::ptrdiff_t{0}, 24000U));
    EXPECT_EQ(written[38], std::make_pair(std::ptrdiff_t{24000}, 24000U));
    EXPECT_EQ(device.queued(), 4U);
    EXPECT_TRUE(page->isPlaying());
}

TEST_F(Playback, StopReleasesTheDeviceAndTheNextStartRendersAndOpensAgain) {
    start();
    device.completeNext();
    clickRunIn();
    EXPECT_FALSE(device.deviceOpen());
    EXPECT_EQ(device.queued(), 0U);
    EXPECT_FALSE(page->isPlaying());

    device.clearCalls();
    start();
    EXPECT_EQ(device.opens(), 2);
    using Piece = std::pair<std::ptrdiff_t, std::uint32_t>;
    EXPECT_EQ(pieces(),
              (std::vector<Piece>{{0, 24000}, {24000, 24000}, {48000, 24000}, {72000, 24000}}));
}

TEST_F(Playback, StartWhileThePlayerPlaysDoesNothing) {
    start();
    page->StartRunInPlayback();
    EXPECT_EQ(device.opens(), 1);
    EXPECT_EQ(device.callsOf(FakeWaveOut::Op::Write).size(), 4U);
    EXPECT_EQ(device.callsOf(FakeWaveOut::Op::Query).size(), 1U);
}

TEST_F(Playback, ASessionWithoutSoundStillCountsAndEnds) {
    struct Case {
        WaveResult query;
        WaveResult open;
        const char* message;
    };
    for (const Case& c :
         {Case{WaveResult::BadFormat, WaveResult::Ok, "UnSupported Format."},
          Case{WaveResult::Ok, WaveResult::NoDevice, "Failed to open waveform output device."},
          Case{WaveResult::Ok, WaveResult::Failed, "Failed to open waveform output device."}}) {
        SCOPED_TRACE(c.message);
        makePage();
        messages.clear();
        powerOff.requests = 0;
        device.setQueryResult(c.query);
        device.setOpenResult(c.open);
        now = kEpoch;
        setHours("1");
        start();
        EXPECT_EQ(messages, QStringList{c.message});
        EXPECT_FALSE(page->isPlaying());
        EXPECT_FALSE(device.deviceOpen());
        EXPECT_EQ(buttonText(), "STOP RUN IN");

        tickAt(kHour);
        EXPECT_EQ(label(), "01:00:00");
        tickAt(2 * kHour);
        EXPECT_EQ(powerOff.requests, 1);

        // Stopping a silent session is harmless; the next start tries the device again.
        clickRunIn();
        device.setQueryResult(WaveResult::Ok);
        device.setOpenResult(WaveResult::Ok);
        start();
        EXPECT_TRUE(page->isPlaying());
        EXPECT_EQ(messages.size(), 1);
        clickRunIn();
    }
}

}  // namespace
}  // namespace quilbo::test
