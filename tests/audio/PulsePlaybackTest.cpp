// The player with the PulseAudio back end against a private daemon: what reaches the null sink
// is checked in a capture of its monitor.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <thread>

#include "audio/PulseWaveOut.h"
#include "tests/audio/TestPlayer.h"
#include "tests/support/SoundServer.h"
#include "tests/support/WindowQueue.h"

namespace quilbo::test {
namespace {

using namespace std::chrono_literals;
constexpr int kRate = 44100;
constexpr std::size_t kBytesPerSecond = kRate * 4;  // the null sink: 16-bit stereo

struct Stereo {
    std::vector<std::int16_t> left, right;
};

Stereo split(const std::vector<std::uint8_t>& capture) {
    Stereo s;
    for (std::size_t i = 0; i + 4 <= capture.size(); i += 4) {
        std::int16_t l, r;
        std::memcpy(&l, &capture[i], 2);
        std::memcpy(&r, &capture[i + 2], 2);
        s.left.push_back(l);
        s.right.push_back(r);
    }
    return s;
}

int peak(const std::vector<std::int16_t>& samples) {
    int p = 0;
    for (std::int16_t v : samples) {
        p = std::max(p, std::abs(static_cast<int>(v)));
    }
    return p;
}

// Frequency from the rising zero crossings between the first and last one.
double frequency(const std::vector<std::int16_t>& samples) {
    std::ptrdiff_t first = -1, last = -1;
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (first < 0) {
                first = static_cast<std::ptrdiff_t>(i);
            } else {
                ++crossings;
            }
            last = static_cast<std::ptrdiff_t>(i);
        }
    }
    return crossings > 0 ? crossings * double(kRate) / double(last - first) : 0.0;
}

std::size_t lastNonZero(const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = bytes.size(); i > 0; --i) {
        if (bytes[i - 1] != 0) {
            return i;
        }
    }
    return 0;
}

class PulsePlayback : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start()) << server.log(); }

    void makePlayer() { player = std::make_unique<TestPlayer>(&backend, window.poster()); }

    CWavePlayer::StartResult start(const std::vector<std::uint8_t>& bytes, bool repeat,
                                   int channels = 2, int precision = 16) {
        if (!player) {
            makePlayer();
        }
        player->setBlock(bytes, repeat);
        return player->StartPlayer(buildWaveFormat(channels, kRate, precision));
    }

    bool waitIdle(std::chrono::milliseconds timeout) {
        return window.runUntil([this] { return !player->isPlaying(); }, timeout);
    }

    SoundServer server;
    PulseWaveOut backend;
    WindowQueue window;
    std::unique_ptr<TestPlayer> player;
};

TEST_F(PulsePlayback, BlockPlayedOnceArrivesWholeInOrderAndThePlayerGoesIdle) {
    // 1.3 s, 57500 frames: five full pieces and a short one.
    const auto block = noiseBytes(230000, 7);
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(start(block, false), CWavePlayer::StartResult::Started);
    ASSERT_TRUE(waitIdle(5s));
    const auto heard = std::chrono::steady_clock::now() - started;
    std::this_thread::sleep_for(150ms);
    const auto captured = capture.stop();

    // The player stops itself only after the block has been heard to its end.
    EXPECT_GE(heard, 1250ms);
    EXPECT_FALSE(player->m_pBlock);
    EXPECT_EQ(player->m_nPiecesQueued, 0);
    const auto at = std::search(captured.begin(), captured.end(), block.begin(), block.end());
    ASSERT_NE(at, captured.end()) << "capture of " << captured.size() << " bytes";
    // Nothing played after it: the block was not started again.
    EXPECT_EQ(lastNonZero(captured),
              static_cast<std::size_t>(at - captured.begin()) + block.size());
}

TEST_F(PulsePlayback, RepeatPlaysTheBlockBackToBackWithoutGapOrSlip) {
    // 100000 bytes: four full pieces and one of 4000, then the block again from its start.
    const auto block = noiseBytes(100000, 11);
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    ASSERT_EQ(start(block, true), CWavePlayer::StartResult::Started);
    window.runUntil([] { return false; }, 2300ms);  // four passes of 0.567 s
    EXPECT_TRUE(player->isPlaying());
    player->OnStop();
    const auto captured = capture.stop();

    const auto first = std::search(captured.begin(), captured.end(), block.begin(), block.end());
    ASSERT_NE(first, captured.end());
    const std::size_t at = static_cast<std::size_t>(first - captured.begin());
    ASSERT_GE(captured.size(), at + 3 * block.size());
    for (int pass = 1; pass < 3; ++pass) {
        EXPECT_TRUE(
            std::equal(block.begin(), block.end(), captured.begin() + at + pass * block.size()))
            << "pass " << pass;
    }
}

TEST_F(PulsePlayback, StopSilencesTheOutputWithin300ms) {
    const auto block = sineBlock(16, 2, kRate, 1.0, 1000, 0.5);
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    ASSERT_EQ(start(block, true), CWavePlayer::StartResult::Started);
    window.runUntil([] { return false; }, 600ms);
    // Where the capture stands when Stop is pressed (parec writes out every 20 ms).
    const std::size_t atStop = capture.bytesSoFar();
    player->OnStop();
    EXPECT_FALSE(player->isPlaying());
    std::this_thread::sleep_for(500ms);
    const auto captured = capture.stop();
    ASSERT_GT(atStop, 0u);
    const std::size_t soundEnd = lastNonZero(captured);
    EXPECT_LT(soundEnd, atStop + kBytesPerSecond * 300 / 1000)
        << "sound went on " << (double(soundEnd) - double(atStop)) / kBytesPerSecond << " s";
    // and some sound was there before it
    EXPECT_GT(peak(split(captured).left), 16000);
}

TEST_F(PulsePlayback, EveryDepthAndChannelCountPlaysTheTone) {
    makePlayer();
    for (int precision : {8, 16, 20, 24, 32}) {
        for (int channels : {2, 4, 6}) {
            SCOPED_TRACE(testing::Message() << precision << " bits, " << channels << " channels");
            SoundCapture capture(server);
            ASSERT_TRUE(capture.start());
            const auto block = sineBlock(precision, channels, kRate, 0.3, 1000, 0.5);
            ASSERT_EQ(start(block, false, channels, precision), CWavePlayer::StartResult::Started);
            ASSERT_TRUE(waitIdle(3s));
            const Stereo s = split(capture.stop());
            EXPECT_NEAR(frequency(s.left), 1000.0, 5.0);
            EXPECT_NEAR(frequency(s.right), 1000.0, 5.0);
            if (channels == 2) {
                // Half scale in every depth: a wrong sample layout would not come out at 16383.
                EXPECT_NEAR(peak(s.left), 16383, precision == 8 ? 300 : 40);
            } else {
                EXPECT_GT(peak(s.left), 4000);
            }
        }
    }
}

TEST_F(PulsePlayback, ATrailingPartFrameNeverShiftsTheChannelsOfALoop) {
    // 20 bits in 8-byte frames, the tone on the left only, and half a frame too many: were the
    // half frame played, every second pass would put the tone on the right.
    auto block = sineBlock(20, 2, kRate, 0.2, 1000, 0.5, 0);
    block.resize(block.size() + 4, 0x7F);
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    ASSERT_EQ(start(block, true, 2, 20), CWavePlayer::StartResult::Started);
    window.runUntil([] { return false; }, 900ms);
    player->OnStop();
    const Stereo s = split(capture.stop());
    EXPECT_GT(peak(s.left), 16000);
    EXPECT_EQ(peak(s.right), 0);
}

TEST_F(PulsePlayback, ChannelsReachTheSpeakersOfTheMask) {
    makePlayer();
    struct Case {
        int channels, channel;
        bool left, right;
    };
    // Channel 2 is rear left (only the left of a stereo sink), channel 3 rear right, channel 4
    // front centre (both sides). libpulse's own default maps for 4 and 6 channels differ.
    for (const Case c : {Case{4, 2, true, false}, Case{4, 3, false, true}, Case{6, 2, true, false},
                         Case{6, 4, true, true}, Case{2, 1, false, true}}) {
        SCOPED_TRACE(testing::Message() << "channel " << c.channel << " of " << c.channels);
        SoundCapture capture(server);
        ASSERT_TRUE(capture.start());
        const auto block = sineBlock(16, c.channels, kRate, 0.3, 1000, 0.5, c.channel);
        ASSERT_EQ(start(block, false, c.channels), CWavePlayer::StartResult::Started);
        ASSERT_TRUE(waitIdle(3s));
        const Stereo s = split(capture.stop());
        // The down-mix to stereo lowers rear channels a lot; what counts is which side hears it.
        EXPECT_EQ(peak(s.left) > 800, c.left) << peak(s.left);
        EXPECT_EQ(peak(s.right) > 800, c.right) << peak(s.right);
        EXPECT_EQ(peak(s.left) < 50, !c.left) << peak(s.left);
        EXPECT_EQ(peak(s.right) < 50, !c.right) << peak(s.right);
    }
}

TEST_F(PulsePlayback, WithoutAServerTheOpenFails) {
    server.stop();
    setenv("PULSE_SERVER", ("unix:" + (server.directory() / "nothing-here").string()).c_str(), 1);
    ASSERT_EQ(start(noiseBytes(96000, 3), false), CWavePlayer::StartResult::OpenFailed);
    EXPECT_FALSE(player->isPlaying());
    EXPECT_FALSE(player->m_pBlock);
}

TEST_F(PulsePlayback, ServerGoneWhilePlayingReturnsThePlayerToIdle) {
    ASSERT_EQ(start(noiseBytes(200000, 5), true), CWavePlayer::StartResult::Started);
    window.runUntil([] { return false; }, 300ms);
    server.kill();
    EXPECT_TRUE(waitIdle(5s));
    EXPECT_FALSE(player->m_pBlock);
    EXPECT_EQ(player->m_nPiecesQueued, 0);
}

TEST_F(PulsePlayback, StopReturnsWhileTheServerDoesNotAnswer) {
    ASSERT_EQ(start(noiseBytes(200000, 5), true), CWavePlayer::StartResult::Started);
    window.runUntil([] { return false; }, 300ms);
    server.pause();
    auto stopped = std::async(std::launch::async, [this] { player->OnStop(); });
    const bool returned = stopped.wait_for(10s) == std::future_status::ready;
    server.resume();
    ASSERT_TRUE(returned);
    EXPECT_FALSE(player->isPlaying());
    EXPECT_EQ(player->m_nPiecesQueued, 0);
}

TEST_F(PulsePlayback, ManyStartsAndStopsLeaveNothingBehind) {
    const std::size_t clientsBefore = server.clientCount();
    const auto block = noiseBytes(96000, 9);
    makePlayer();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(start(block, i % 2 == 0), CWavePlayer::StartResult::Started) << "cycle " << i;
        if (i % 20 == 0) {
            window.runUntil([] { return false; }, 50ms);  // let some pieces play and return
        }
        player->OnStop();
        ASSERT_EQ(player->m_nPiecesQueued, 0) << "cycle " << i;
    }
    window.runPending();
    EXPECT_EQ(server.clientCount(), clientsBefore);
    EXPECT_TRUE(server.listShort("sink-inputs").empty());
}

}  // namespace
}  // namespace quilbo::test
