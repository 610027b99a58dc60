// The player against the recording fake device: which pieces it queues, when it refills, how it
// loops, stops and fails, and on which thread the end-of-block stop happens.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/audio/TestPlayer.h"
#include "tests/support/FakeWaveOut.h"
#include "tests/support/WindowQueue.h"

namespace quilbo::test {
namespace {

using namespace std::chrono_literals;
using Op = FakeWaveOut::Op;
using Result = CWavePlayer::StartResult;

struct Piece {
    std::ptrdiff_t offset;
    std::uint32_t length;
    bool operator==(const Piece&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Piece& p) {
    return out << "{" << p.offset << ", " << p.length << "}";
}

class PlayerTest : public ::testing::Test {
protected:
    // 8-bit stereo: one frame is two bytes, so every even size plays whole.
    Result start(std::size_t size, bool repeat, int channels = 2, int precision = 8) {
        player.setBlock(noiseBytes(size, 1), repeat);
        block = player.m_pBlock.data();
        return player.startPlayer(buildWaveFormat(channels, 11025, precision));
    }

    std::vector<Piece> written() const {
        std::vector<Piece> pieces;
        for (const auto& call : device.callsOf(Op::Write)) {
            pieces.push_back({call.data - block, call.length});
        }
        return pieces;
    }

    FakeWaveOut device;
    WindowQueue window;
    TestPlayer player{&device, window.poster()};
    const std::uint8_t* block = nullptr;
};

TEST_F(PlayerTest, ABlockSmallerThanAPieceIsOnePieceAndEndsWithIt) {
    ASSERT_EQ(start(22050, false), Result::Started);
    EXPECT_EQ(written(), (std::vector<Piece>{{0, 22050}}));
    EXPECT_EQ(player.m_nPiecesQueued, 1);

    ASSERT_TRUE(device.completeNext());
    EXPECT_EQ(written().size(), 1u);  // nothing left to queue
    EXPECT_TRUE(player.isPlaying());  // the stop waits for the window thread
    EXPECT_EQ(window.runPending(), 1);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(device.deviceOpen());
    EXPECT_FALSE(player.m_pBlock);
}

TEST_F(PlayerTest, ABlockSmallerThanAPieceRepeatsThatPieceFromTheStart) {
    ASSERT_EQ(start(22050, true), Result::Started);
    // With Repeat the offset wraps at once, so the start queues the block four times.
    EXPECT_EQ(written(), std::vector<Piece>(4, Piece{0, 22050}));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(device.completeNext());
    }
    EXPECT_EQ(written(), std::vector<Piece>(7, Piece{0, 22050}));
    EXPECT_EQ(player.m_nPiecesQueued, 4);
    EXPECT_EQ(window.runPending(), 0);
    EXPECT_TRUE(player.isPlaying());
}

TEST_F(PlayerTest, FourWholePiecesAreQueuedAtOnceAndTheLastReturnStops) {
    ASSERT_EQ(start(96000, false), Result::Started);
    EXPECT_EQ(written(),
              (std::vector<Piece>{{0, 24000}, {24000, 24000}, {48000, 24000}, {72000, 24000}}));
    // Headers carry the piece and nothing else; each is prepared before it is written.
    const auto calls = device.calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0].op, Op::Query);
    EXPECT_EQ(calls[1].op, Op::Open);
    EXPECT_EQ(calls[2].op, Op::Prepare);
    EXPECT_EQ(calls[3].op, Op::Write);
    EXPECT_EQ(calls[2].header, calls[3].header);
    EXPECT_EQ(calls[3].header->dwFlags, 0u);
    EXPECT_EQ(calls[3].header->dwLoops, 0u);

    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(device.completeNext());
        EXPECT_EQ(window.runPending(), 0);
    }
    EXPECT_EQ(device.callsOf(Op::Unprepare).size(), 3u);
    EXPECT_EQ(written().size(), 4u);
    ASSERT_TRUE(device.completeNext());
    EXPECT_EQ(window.runPending(), 1);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(device.callsOf(Op::Close).size(), 1u);
}

TEST_F(PlayerTest, ARunInBlockIsThirtySixPiecesAndOneShortOneThenStopsOrWraps) {
    for (bool repeat : {false, true}) {
        SCOPED_TRACE(repeat ? "repeat" : "once");
        device.clearCalls();
        ASSERT_EQ(start(882000, repeat, 2, 16), Result::Started);
        device.completeAll(repeat ? 41 : 1000);
        const auto pieces = written();
        ASSERT_GE(pieces.size(), 37u);
        for (std::size_t i = 0; i < 36; ++i) {
            EXPECT_EQ(pieces[i], (Piece{static_cast<std::ptrdiff_t>(i) * 24000, 24000}));
        }
        EXPECT_EQ(pieces[36], (Piece{864000, 18000}));
        if (repeat) {
            EXPECT_EQ(pieces[37], (Piece{0, 24000}));
            EXPECT_EQ(pieces[38], (Piece{24000, 24000}));
            EXPECT_TRUE(player.isPlaying());
            player.OnStop();
        } else {
            EXPECT_EQ(pieces.size(), 37u);
            EXPECT_EQ(window.runPending(), 1);
        }
        EXPECT_FALSE(player.isPlaying());
        EXPECT_EQ(device.queued(), 0u);
    }
}

TEST_F(PlayerTest, OnlyWholeFramesOfABlockArePlayed) {
    // 20 bits, 2 channels: 8-byte frames; 1102500 bytes is 137812 frames and a half.
    ASSERT_EQ(start(1102500, true, 2, 20), Result::Started);
    EXPECT_EQ(player.m_nBlockSize, 1102496);
    device.completeAll(46);
    const auto pieces = written();
    ASSERT_GE(pieces.size(), 48u);
    EXPECT_EQ(pieces[45], (Piece{1080000, 22496}));
    EXPECT_EQ(pieces[46], (Piece{0, 24000}));
}

TEST_F(PlayerTest, StopWhilePiecesAreQueuedReturnsThemAllAndAStartBeginsAnew) {
    ASSERT_EQ(start(200000, true), Result::Started);
    ASSERT_TRUE(device.completeNext());
    ASSERT_EQ(player.m_nPiecesQueued, 4);
    const std::size_t unprepared = device.callsOf(Op::Unprepare).size();

    player.OnStop();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.m_nPiecesQueued, 0);
    EXPECT_EQ(device.queued(), 0u);
    EXPECT_FALSE(device.deviceOpen());
    EXPECT_FALSE(player.m_pBlock);
    EXPECT_FALSE(player.m_hWaveOut);
    // Returned by the reset: freed, neither unprepared nor replaced.
    EXPECT_EQ(device.callsOf(Op::Unprepare).size(), unprepared);
    EXPECT_EQ(written().size(), 5u);
    const auto calls = device.calls();
    EXPECT_EQ(calls[calls.size() - 2].op, Op::Reset);
    EXPECT_EQ(calls.back().op, Op::Close);

    device.clearCalls();
    ASSERT_EQ(start(50000, false), Result::Started);
    EXPECT_EQ(written(), (std::vector<Piece>{{0, 24000}, {24000, 24000}, {48000, 2000}}));
    EXPECT_EQ(device.opens(), 2);
}

TEST_F(PlayerTest, StopTwiceOrWhenIdleDoesNothing) {
    player.OnStop();
    EXPECT_TRUE(device.calls().empty());
    ASSERT_EQ(start(96000, false), Result::Started);
    player.OnStop();
    device.clearCalls();
    player.OnStop();
    EXPECT_TRUE(device.calls().empty());
}

TEST_F(PlayerTest, PlayWhilePlayingIsIgnored) {
    ASSERT_EQ(start(96000, false), Result::Started);
    device.clearCalls();
    const std::uint8_t* playing = player.m_pBlock.data();
    EXPECT_EQ(player.startPlayer(buildWaveFormat(2, 11025, 8)), Result::Started);
    EXPECT_TRUE(device.calls().empty());
    EXPECT_EQ(player.m_pBlock.data(), playing);
    EXPECT_EQ(player.m_nPiecesQueued, 4);
}

TEST_F(PlayerTest, TheEndOfBlockStopRunsOnTheWindowThread) {
    ASSERT_EQ(start(30000, false), Result::Started);
    std::thread audio([this] { device.completeAll(); });
    audio.join();
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(window.runUntil([this] { return !player.isPlaying(); }, 2s));
    const auto reset = device.callsOf(Op::Reset);
    const auto close = device.callsOf(Op::Close);
    ASSERT_EQ(reset.size(), 1u);
    ASSERT_EQ(close.size(), 1u);
    EXPECT_EQ(reset[0].thread, window.owner());
    EXPECT_EQ(close[0].thread, window.owner());
}

TEST_F(PlayerTest, ALateEndOfBlockStopLeavesANewerPlaybackAlone) {
    ASSERT_EQ(start(2000, false), Result::Started);
    ASSERT_TRUE(device.completeNext());  // the end is posted, not yet run
    player.OnStop();                     // the user was quicker
    ASSERT_EQ(start(96000, false), Result::Started);
    EXPECT_EQ(window.runPending(), 1);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_EQ(player.m_nPiecesQueued, 4);
}

TEST_F(PlayerTest, FormatAndOpenFailuresReleaseTheBlockAndStayIdle) {
    device.setQueryResult(WaveResult::BadFormat);
    EXPECT_EQ(start(96000, false), Result::UnsupportedFormat);
    EXPECT_FALSE(player.m_pBlock);
    EXPECT_TRUE(device.callsOf(Op::Open).empty());

    device.setQueryResult(WaveResult::Ok);
    device.setOpenResult(WaveResult::NoDevice);
    EXPECT_EQ(start(96000, false), Result::OpenFailed);
    EXPECT_FALSE(player.m_pBlock);

    // A device that takes no piece at all is as good as none.
    device.setOpenResult(WaveResult::Ok);
    device.setWriteResult(WaveResult::Failed);
    EXPECT_EQ(start(96000, false), Result::OpenFailed);
    EXPECT_FALSE(player.m_pBlock);
    EXPECT_FALSE(device.deviceOpen());
    EXPECT_FALSE(player.isPlaying());

    device.setWriteResult(WaveResult::Ok);
    player.m_pBlock.reset();
    player.m_nBlockSize = 0;
    EXPECT_EQ(player.startPlayer(buildWaveFormat(2, 11025, 8)), Result::NothingToPlay);
    EXPECT_EQ(start(1, false), Result::NothingToPlay);  // less than one frame
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerTest, ADeviceThatStopsTakingPiecesEndsARepeatingPlayback) {
    ASSERT_EQ(start(200000, true), Result::Started);
    device.setWriteResult(WaveResult::Failed);
    EXPECT_EQ(device.completeAll(), 4);
    EXPECT_EQ(player.m_nPiecesQueued, 0);
    EXPECT_EQ(window.runPending(), 1);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(player.m_pBlock);
}

TEST_F(PlayerTest, RefillsFromTheDeviceThreadNeverMeetAStop) {
    // The device thread returns pieces as fast as it can while the window thread starts and
    // stops: every stop must find every piece back and no refill may reach a closed device.
    std::atomic<bool> running{true};
    std::thread audio([&] {
        while (running) {
            device.completeNext();
        }
    });
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(start(50000 + 2 * i, i % 3 != 0), Result::Started);
        window.runPending();
        player.OnStop();
        ASSERT_EQ(player.m_nPiecesQueued, 0);
        ASSERT_EQ(device.queued(), 0u);
    }
    running = false;
    audio.join();
    window.runPending();
    // Every write went to an open device: none came after its close.
    bool open = false;
    for (const auto& call : device.calls()) {
        if (call.op == Op::Open) {
            open = true;
        } else if (call.op == Op::Close) {
            open = false;
        } else if (call.op == Op::Write) {
            EXPECT_TRUE(open);
        }
    }
}

}  // namespace
}  // namespace quilbo::test
