// The player with the PulseAudio back end on both servers: on a 5.1 sink in floats, blocks closed
// mid-way under load, the last heard byte for byte with each channel on its own speaker; then
// 8-bit and 24-bit outputs, and a wait bounded while the calendar clock runs fast.
#include <dlfcn.h>
#include <sys/time.h>

#include <QTest>

#include <algorithm>
#include <atomic>

#include "audio/PulseServer.h"
#include "audio/PulseWaveOut.h"
#include "synth/Synthesis.h"
#include "tests/audio/TestPlayer.h"
#include "tests/support/SoundServer.h"

// The calendar clock, fast for this process alone while g_fastClock holds: each gettimeofday
// reads 1000 s later than the one before. The monotonic clock is left alone.
static std::atomic<bool> g_fastClock = false;
extern "C" int gettimeofday(struct timeval* __restrict tv, void* __restrict tz) noexcept {
    static std::atomic<long> calls = 0;
    static const auto real =
        reinterpret_cast<int (*)(timeval*, void*)>(dlsym(RTLD_NEXT, "gettimeofday"));
    const int result = real(tv, tz);
    tv->tv_sec += g_fastClock ? 1000 * ++calls : 0;
    return result;
}

namespace quilbo::test {
namespace {

constexpr int kRate = 192000;

class Output : public testing::TestWithParam<ServerKind> {
protected:
    void serve(SinkOptions options, bool record = false) {
        server = std::make_unique<SoundServer>(GetParam(), std::move(options));
        ASSERT_TRUE(server->start()) << server->log();
        capture = std::make_unique<SoundCapture>(*server);
        ASSERT_TRUE(!record || capture->start());
    }
    static std::vector<std::uint8_t> noise(std::size_t bytes, int bits) {
        std::vector<std::uint8_t> block(bytes);
        SynthesizeNoiseSeeded(7, block.data(), bytes, 44100, 2, bits, 3, 0.5, nullptr);
        return block;
    }
    CWavePlayer::StartResult play(const std::vector<std::uint8_t>& block, int bits, bool repeat) {
        player.setBlock(block, repeat);
        return player.startPlayer(buildWaveFormat(2, 44100, bits));
    }

    std::unique_ptr<SoundServer> server;
    std::unique_ptr<SoundCapture> capture;
    WindowThread window;
    PulseWaveOut backend;
    TestPlayer player{&backend, window.poster()};
};

TEST_P(Output, ShortBlocksClosedMidWayUnderLoadKeepTheServerAliveAndAreHeard) {
    serve({"float32le", kRate, 6, "front-left,front-right,rear-left,rear-right,front-center,lfe"},
          true);
    // Both cores busy and the monitor recorded; each block closed as a page closes it, mid-way
    // or at its end, with a back end of its own that goes after it as a program's does. A
    // PulseAudio 16 server used to abort here (memblock_replace_import).
    QProcess busy[2];
    for (auto& loop : busy) {
        startHelper(loop, {"sh", "-c", "while :; do :; done"});
    }
    std::vector<std::uint8_t> block;
    for (std::uint32_t i = 0; i < 16; ++i) {
        block.resize(kRate / 4 * 6 * 4);  // white noise in floats: no stretch of it repeats
        SynthesizeNoiseSeeded(10 + i, block.data(), block.size(), kRate, 6, 32, 3, 0.5, nullptr);
        PulseWaveOut ownBackend;
        TestPlayer own(&ownBackend, window.poster());
        own.setBlock(block, false);
        ASSERT_EQ(own.startPlayer(buildWaveFormat(6, kRate, 32)), CWavePlayer::StartResult::Started)
            << i;
        (void)QTest::qWaitFor([&] { return window.runPending(), !own.isPlaying(); },
                              i == 15 ? 5000 : 40 * (i % 8));
        own.OnStop();
        window.runPending();  // an end-of-block stop still queued for this player
    }
    QTest::qWait(300);
    EXPECT_TRUE(server->running()) << server->log();
    const auto heard = capture->stop();
    EXPECT_NE(std::search(heard.begin(), heard.end(),
                          std::boyer_moore_horspool_searcher(block.begin(), block.end())),
              heard.end())
        << "the last block was not heard whole";
}

TEST_P(Output, EightBitBlocksAreHeardExactlyWithOnlySilenceAfterThem) {
    serve({"u8", 44100, 2, {}}, true);
    const auto block = noise(44100 / 2, 8);
    ASSERT_EQ(play(block, 8, false), CWavePlayer::StartResult::Started);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.runPending(), !player.isPlaying(); }, 10000));
    QTest::qWait(500);
    const auto heard = capture->stop();
    const auto at = std::search(heard.begin(), heard.end(), block.begin(), block.end());
    ASSERT_NE(at, heard.end());
    EXPECT_EQ(std::count(at + std::ssize(block), heard.end(), 0x80),
              heard.end() - at - std::ssize(block));
}

TEST_P(Output, AStopFadeAt24BitsLeavesTheLowBitsZero) {
    serve({"s32le", 44100, 2, {}}, true);
    player.m_fade = true;
    ASSERT_EQ(play(noise(44100 * 8, 24), 24, true), CWavePlayer::StartResult::Started);
    QTest::qWait(400);
    player.OnStop();
    QTest::qWait(400);
    const auto heard = capture->stop();
    int sounding = 0, lowBits = 0;
    for (std::size_t i = 0; i + 4 <= heard.size(); i += 4) {
        sounding += heard[i + 3] != 0 && heard[i + 3] != 0xff;
        lowBits += heard[i] != 0;
    }
    EXPECT_GT(sounding, 1000);
    EXPECT_EQ(lowBits, 0);
}

// An open returns before the server answers; one it never answers fails once the bound has
// passed, on the monotonic clock.
TEST_P(Output, AWaitForTheServerEndsWithTheCalendarClockRunningFast) {
    serve({});
    const auto sound = std::make_shared<PulseServer>();
    PulseWaveOut quick(sound, {std::chrono::milliseconds(1000)});
    ASSERT_TRUE(sound->sync());  // connected
    server->pause();
    g_fastClock = true;
    std::atomic<int> told = -1;
    auto device = quick.open(
        buildWaveFormat(2, 44100, 16),
        [](WaveOutDevice*, WaveOutMessage message, void* instance, WaveHeader*) {
            static_cast<std::atomic<int>*>(instance)->store(static_cast<int>(message));
        },
        &told);
    const bool opened = device != nullptr;
    const bool ended = QTest::qWaitFor([&] { return told >= 0; }, 20000);
    g_fastClock = false;
    server->resume();
    EXPECT_TRUE(opened && ended);
    EXPECT_EQ(told, static_cast<int>(WaveOutMessage::OpenFailed));
}

QUILBO_ON_BOTH_SERVERS(Output);

}  // namespace
}  // namespace quilbo::test
