// The player with the PulseAudio back end on a private PulseAudio and a private PipeWire with a
// 5.1 sink at 192000 Hz in floats: short blocks closed mid-way on a loaded machine keep the server
// alive, and the last is heard byte for byte, each channel on its own speaker. (Blocks played
// once, repeated and looped are checked at the monitor in tests/server.)
#include <QTest>

#include <algorithm>

#include "audio/PulseWaveOut.h"
#include "synth/Synthesis.h"
#include "tests/audio/TestPlayer.h"
#include "tests/support/SoundServer.h"

namespace quilbo::test {
namespace {

constexpr int kRate = 192000;

class Playback : public testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override { ASSERT_TRUE(server.start()) << server.log(); }
    bool play(TestPlayer& p, const std::vector<std::uint8_t>& block, int channels) {
        p.setBlock(block, false);
        return p.startPlayer(buildWaveFormat(channels, kRate, 32)) ==
               CWavePlayer::StartResult::Started;
    }
    bool idle(TestPlayer& p, int ms) {
        return QTest::qWaitFor([&] { return window.runPending(), !p.isPlaying(); }, ms);
    }

    SoundServer server{
        GetParam(),
        {"float32le", kRate, 6, "front-left,front-right,rear-left,rear-right,front-center,lfe"}};
    PulseWaveOut backend;
    WindowThread window;
    TestPlayer player{&backend, window.poster()};
};

TEST_P(Playback, ShortBlocksClosedMidWayUnderLoadKeepTheServerAliveAndAreHeard) {
    // Both cores busy and the monitor recorded; each block closed as a page closes it, mid-way
    // or at its end, with a back end of its own that goes after it as a program's does. A
    // PulseAudio 16 server used to abort here (memblock_replace_import).
    QProcess busy[2];
    for (auto& loop : busy) {
        startHelper(loop, {"sh", "-c", "while :; do :; done"});
    }
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    std::vector<std::uint8_t> block;
    for (std::uint32_t i = 0; i < 16; ++i) {
        block.resize(kRate / 4 * 6 * 4);  // white noise in floats: no stretch of it repeats
        SynthesizeNoiseSeeded(10 + i, block.data(), block.size(), kRate, 6, 32, 3, 0.5, nullptr);
        PulseWaveOut ownBackend;
        TestPlayer own(&ownBackend, window.poster());
        ASSERT_TRUE(play(own, block, 6)) << i;
        idle(own, i == 15 ? 5000 : 40 * (i % 8));
        own.OnStop();
        window.runPending();  // an end-of-block stop still queued for this player
    }
    QTest::qWait(300);
    EXPECT_TRUE(server.running()) << server.log();
    const auto heard = capture.stop();
    EXPECT_NE(std::search(heard.begin(), heard.end(),
                          std::boyer_moore_horspool_searcher(block.begin(), block.end())),
              heard.end())
        << "the last block was not heard whole";
}

QUILBO_ON_BOTH_SERVERS(Playback);

}  // namespace
}  // namespace quilbo::test
