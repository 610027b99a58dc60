// The whole program on its real back ends against a private PulseAudio server: both pages play
// at once, and closing the window leaves no stream, no sound and no client behind.
#include "app/BurnInApp.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/SoundServer.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace quilbo::test {
namespace {

constexpr int kLoud = 300;  // far above a null sink's silence (exactly 0)
constexpr std::size_t kFrameBytes = 4;
constexpr std::size_t kQuietTailFrames = 44100 / 5;

// Waits (bounded) until done holds, letting the window's events run meanwhile.
bool waitFor(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

// Clients of the server other than the test's own recorder.
std::size_t programClients(const SoundServer& server) {
    const std::vector<std::string> names = server.clientNames();
    return static_cast<std::size_t>(std::count_if(
        names.begin(), names.end(), [](const std::string& n) { return n != "pacat"; }));
}

int peakOf(const std::vector<std::uint8_t>& bytes, std::size_t fromFrame, std::size_t toFrame) {
    int peak = 0;
    for (std::size_t i = fromFrame * 2; i < std::min(toFrame * 2, bytes.size() / 2); ++i) {
        std::int16_t sample;
        std::memcpy(&sample, bytes.data() + i * 2, 2);
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    return peak;
}

TEST(ProgramPulse, BothPagesPlayAndClosingLeavesNothingOnTheServer) {
    SoundServer server;
    ASSERT_TRUE(server.start()) << server.log();
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());

    std::size_t streamsWhilePlaying = 0;
    std::size_t clientsWhilePlaying = 0;
    bool bothPlaying = false;
    {
        // The program's own back ends, which reach the private server through PULSE_SERVER.
        CBurnInApp app;
        QTimer::singleShot(0, [&] {
            CMainDlg* window = app.mainWindow();
            ASSERT_NE(window, nullptr);
            playFrequency(*window);
            startRunIn(*window);
            bothPlaying = window->frequencyPage()->isPlaying() && window->runInPage()->isPlaying();
            waitFor([&] { return server.listShort("sink-inputs").size() >= 2; }, 10000);
            // Let both be heard for a moment, behind another tab.
            window->tabPane()->tabBar()->setCurrentIndex(CMainDlg::StatementTab);
            QTest::qWait(300);
            streamsWhilePlaying = server.listShort("sink-inputs").size();
            clientsWhilePlaying = programClients(server);
            window->close();
        });
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.exitStatus(), 0);
        // The window's end already took both streams away; the volume object goes with the
        // application object.
        EXPECT_EQ(server.listShort("sink-inputs").size(), 0u);
    }
    EXPECT_TRUE(bothPlaying);
    EXPECT_EQ(streamsWhilePlaying, 2u);
    EXPECT_EQ(clientsWhilePlaying, 3u);  // two playback connections and the volume's
    EXPECT_TRUE(waitFor([&] { return programClients(server) == 0; }, 3000))
        << programClients(server) << " clients left";

    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const std::vector<std::uint8_t> heard = capture.stop();
    EXPECT_TRUE(waitFor([&] { return server.clientCount() == 0; }, 3000));
    const std::size_t frames = heard.size() / kFrameBytes;
    ASSERT_GT(frames, kQuietTailFrames * 2);
    EXPECT_GT(peakOf(heard, 0, frames - kQuietTailFrames), kLoud);
    EXPECT_EQ(peakOf(heard, frames - kQuietTailFrames, frames), 0);
}

}  // namespace
}  // namespace quilbo::test
