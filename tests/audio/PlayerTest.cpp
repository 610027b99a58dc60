// The player on the recording fake device: the pieces it queues, refills, loops and stops; and
// the PulseAudio back end's format check, which needs no server (the speakers' order is heard
// at a 5.1 sink's monitor in tests/speakers).
#include <gtest/gtest.h>

#include <thread>

#include "audio/PulseFormat.h"
#include "audio/PulseWaveOut.h"
#include "tests/audio/TestPlayer.h"
#include "tests/support/FakeWaveOut.h"

namespace quilbo::test {
namespace {

using namespace std::chrono_literals;
using Op = FakeWaveOut::Op;
using Result = CWavePlayer::StartResult;
using Pieces = std::vector<std::pair<std::ptrdiff_t, std::uint32_t>>;  // offset, length

class PlayerTest : public testing::Test {
protected:
    Result start(std::size_t size, bool repeat, int rate = 11025, int channels = 2, int bits = 8) {
        player.setBlock(std::vector<std::uint8_t>(size), repeat);
        block = player.m_pBlock.data();
        return player.startPlayer(buildWaveFormat(channels, rate, bits));
    }
    Pieces written() const {
        Pieces pieces;
        for (const auto& call : device.callsOf(Op::Write)) {
            pieces.emplace_back(call.data - block, call.length);
        }
        return pieces;
    }

    FakeWaveOut device;
    WindowThread window;
    TestPlayer player{&device, window.poster()};
    const std::uint8_t* block = nullptr;
};

TEST_F(PlayerTest, PiecesFollowTheBlockAndEndOrWrapAtItsEnd) {
    struct Case {
        std::size_t size;
        bool repeat;
        int rate, channels, bits, returns;
        bool ended;
        Pieces last;
    };
    const Case cases[] = {
        // Smaller than a piece: one piece, or that piece over and over.
        {22050, false, 11025, 2, 8, 1, true, {{0, 22050}}},
        {22050, true, 11025, 2, 8, 3, false, Pieces(7, {0, 22050})},
        // Exactly four pieces: all queued at the start, the fourth's return ends the play.
        {96000, false, 48000, 2, 8, 4, true, {{48000, 24000}, {72000, 24000}}},
        // 20 bits in 8-byte frames and half a frame too many: only whole frames play.
        {1102500, true, 44100, 2, 20, 43, false, {{1080000, 22496}, {0, 24000}}},
        // 192000 Hz x 6 x 32 bits: 24000 bytes would be 5 ms; pieces of 100 ms, whole frames.
        {4608000, false, 192000, 6, 32, 0, false, {{1382400, 460800}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << (c.repeat ? " repeat" : " once"));
        device.clearCalls();
        ASSERT_EQ(start(c.size, c.repeat, c.rate, c.channels, c.bits), Result::Started);
        for (int i = 0; i < c.returns; ++i) {
            ASSERT_TRUE(device.completeNext());
        }
        const Pieces all = written();
        ASSERT_GE(all.size(), c.last.size());
        EXPECT_EQ(Pieces(all.end() - c.last.size(), all.end()), c.last);
        EXPECT_EQ(window.runPending(), c.ended ? 1 : 0);  // the end-of-block stop, posted
        EXPECT_EQ(player.isPlaying(), !c.ended);
        player.OnStop();
        EXPECT_EQ(device.queued(), 0u);
    }
}

TEST_F(PlayerTest, ALateEndOfBlockStopLeavesTheNextPlayAloneAndStopFreesWhatItTakesBack) {
    ASSERT_EQ(start(2000, false), Result::Started);
    ASSERT_TRUE(device.completeNext());  // its end-of-block stop is posted...
    player.OnStop();                     // ...but the user was quicker
    ASSERT_EQ(start(200000, true), Result::Started);
    EXPECT_EQ(window.runPending(), 1);
    EXPECT_TRUE(player.isPlaying());
    const std::size_t unprepared = device.callsOf(Op::Unprepare).size();
    player.OnStop();
    EXPECT_FALSE(device.deviceOpen() || device.queued() || player.m_hWaveOut || player.m_pBlock);
    EXPECT_EQ(device.callsOf(Op::Unprepare).size(), unprepared);  // returned by the reset: freed
}

TEST_F(PlayerTest, RefillsFromTheDeviceThreadNeverMeetAStop) {
    // The device thread returns pieces as fast as it can while the window thread starts and stops.
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
        ASSERT_EQ(device.queued(), 0u);
    }
    running = false;
    audio.join();
    window.runPending();
    EXPECT_EQ(device.writesToClosed, 0);
}

TEST(WaveFormat, TheCheckAcceptsWhatAServerTakesInTheRightLayoutAndNothingElse) {
    PulseWaveOut backend;  // the check contacts no server
    // 20 and 24 bits are left-justified in 32: S32LE, not S24_32LE; 32 bits are floats.
    for (auto [bits, layout] : {std::pair{8, PA_SAMPLE_U8},
                                {16, PA_SAMPLE_S16LE},
                                {20, PA_SAMPLE_S32LE},
                                {24, PA_SAMPLE_S32LE},
                                {32, PA_SAMPLE_FLOAT32LE}}) {
        for (int channels : {1, 2, 7, 32}) {
            const auto format = buildWaveFormat(channels, 192000, bits);
            EXPECT_EQ(backend.queryFormat(format), WaveResult::Ok);
            EXPECT_EQ(toPulseFormat(format)->spec.format, layout) << bits;
        }
    }
    WaveFormatExtensible lying = buildWaveFormat(2, 44100, 16), floatSixteen = lying;
    lying.nBlockAlign = 3;
    floatSixteen.SubFormat = kSubFormatIeeeFloat;
    for (const auto& f : {buildWaveFormat(2, 0, 16), buildWaveFormat(2, PA_RATE_MAX + 1, 16),
                          buildWaveFormat(0, 44100, 16), buildWaveFormat(33, 44100, 16),
                          buildWaveFormat(-2, 44100, 16), buildWaveFormat(2, 44100, 12),
                          buildWaveFormat(20000, 44100, 32), lying, floatSixteen}) {
        EXPECT_EQ(backend.queryFormat(f), WaveResult::BadFormat)
            << f.nChannels << " ch " << f.nSamplesPerSec << " Hz " << f.wValidBitsPerSample;
    }
}

}  // namespace
}  // namespace quilbo::test
