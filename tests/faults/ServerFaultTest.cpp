// Server faults while the pages play through a private PulseAudio server: the server killed and
// restarted, the default sink removed, the server process stopped for two seconds. Every bound
// here is about hangs, not speed: each is several times what a healthy run takes.
#include "audio/PulseWaveOut.h"
#include "audio/WaveOutVolume.h"
#include "pages/FrequencyPage.h"
#include "pages/RunInPage.h"
#include "tests/fakes/FakePowerOff.h"
#include "tests/support/SoundServer.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace quilbo::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kBytesPerSecond = 44100 * 4;

// Runs the window's events until the condition holds or the bound passes; the time it took.
Clock::duration waitFor(const std::function<bool()>& condition, Clock::duration bound) {
    const auto start = Clock::now();
    while (!condition() && Clock::now() - start < bound) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(10);
    }
    return Clock::now() - start;
}

Clock::duration timed(const std::function<void()>& action) {
    const auto start = Clock::now();
    action();
    return Clock::now() - start;
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Bytes of a capture that are not silence (a null sink's silence is exactly zero).
std::size_t soundBytes(const std::vector<std::uint8_t>& bytes) {
    std::size_t n = 0;
    for (std::uint8_t b : bytes) {
        n += b != 0;
    }
    return n;
}

class ServerFaults : public ::testing::Test {
protected:
    SoundServer server;
    PulseWaveOut backend;
    std::unique_ptr<CWaveOutVolume> volume;
    FakePowerOff powerOff;
    QStringList messages;
    std::int64_t now = 1'700'000'000;

    void SetUp() override { ASSERT_TRUE(server.start()) << server.log(); }

    std::unique_ptr<CFrequencyPage> frequencyPage() {
        auto page = std::make_unique<CFrequencyPage>(&backend);
        page->setMessagePresenter([this](QWidget*, const QString& text) { messages << text; });
        page->show();
        return page;
    }

    std::unique_ptr<CRunInPage> runInPage() {
        volume = std::make_unique<CWaveOutVolume>();
        auto page = std::make_unique<CRunInPage>(&backend, volume.get(), &powerOff);
        page->tickTimer()->stop();
        page->setCalendarClock([this] { return now; });
        page->setQuitRequest([](int) {});
        page->setMessagePresenter([this](QWidget*, const QString& text) { messages << text; });
        page->show();
        return page;
    }

    static void click(CFrequencyPage* page, int id) {
        auto* button = qobject_cast<QAbstractButton*>(page->control(id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
    }

    // Sound reaches the sink's monitor during a capture of the given length: at least half of
    // atLeastBytes are non-zero (a byte of a loud sample is zero now and then).
    bool soundArrives(std::size_t atLeastBytes = kBytesPerSecond / 2,
                      std::size_t captureBytes = kBytesPerSecond) {
        SoundCapture capture(server);
        if (!capture.start()) {
            return false;
        }
        waitFor([&] { return capture.bytesSoFar() > captureBytes; }, 10s);
        return soundBytes(capture.stop()) >= atLeastBytes / 2;
    }
};

TEST_F(ServerFaults, KilledWhileTheFrequencyPagePlaysThenBackAgain) {
    auto page = frequencyPage();
    click(page.get(), CFrequencyPage::IDC_REPEAT);
    click(page.get(), CFrequencyPage::IDC_PLAY);
    ASSERT_TRUE(page->isPlaying()) << messages.join(' ').toStdString();
    QTest::qWait(300);

    server.kill();
    const auto toIdle = waitFor([&] { return !page->isPlaying(); }, 10s);
    EXPECT_FALSE(page->isPlaying());
    EXPECT_LT(seconds(toIdle), 2.0);
    std::cout << "idle " << seconds(toIdle) << " s after the kill" << std::endl;

    // While the server is away, Play says so and Stop does nothing, both promptly.
    messages.clear();
    const auto failedPlay = timed([&] { click(page.get(), CFrequencyPage::IDC_PLAY); });
    EXPECT_LT(seconds(failedPlay), 5.0);
    EXPECT_FALSE(page->isPlaying());
    EXPECT_EQ(messages, QStringList{CFrequencyPage::openFailedText()});
    EXPECT_LT(seconds(timed([&] { click(page.get(), CFrequencyPage::IDC_STOP); })), 1.0);

    ASSERT_TRUE(server.restart()) << server.log();
    messages.clear();
    click(page.get(), CFrequencyPage::IDC_PLAY);
    ASSERT_TRUE(page->isPlaying()) << messages.join(' ').toStdString();
    EXPECT_TRUE(soundArrives());
    EXPECT_LT(seconds(timed([&] { click(page.get(), CFrequencyPage::IDC_STOP); })), 2.0);
    EXPECT_FALSE(page->isPlaying());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ServerFaults, KilledDuringARunInSessionTheCountdownGoesOnAndAllComesBack) {
    auto page = runInPage();
    ASSERT_EQ(volume->state(), VolumeState::Ready);
    click(page.get(), CRunInPage::IDC_RUN_IN);
    ASSERT_TRUE(page->isRunning());
    ASSERT_TRUE(page->isPlaying()) << messages.join(' ').toStdString();
    QTest::qWait(300);

    server.kill();
    const auto toIdle = waitFor([&] { return !page->isPlaying(); }, 10s);
    EXPECT_FALSE(page->isPlaying());
    EXPECT_LT(seconds(toIdle), 2.0);
    std::cout << "idle " << seconds(toIdle) << " s after the kill" << std::endl;

    // The session is still on and its clock goes on.
    auto* elapsed = qobject_cast<QLabel*>(page->control(CRunInPage::IDC_ELAPSED));
    ASSERT_NE(elapsed, nullptr);
    now += 3723;
    page->OnTimer();
    EXPECT_TRUE(page->isRunning());
    EXPECT_TRUE(elapsed->text().contains(QStringLiteral("01:02:03")))
        << elapsed->text().toStdString();

    // Stop and a new session while the server is away: the session runs without sound.
    EXPECT_LT(seconds(timed([&] { click(page.get(), CRunInPage::IDC_RUN_IN); })), 1.0);
    EXPECT_FALSE(page->isRunning());
    messages.clear();
    EXPECT_LT(seconds(timed([&] { click(page.get(), CRunInPage::IDC_RUN_IN); })), 5.0);
    EXPECT_TRUE(page->isRunning());
    EXPECT_FALSE(page->isPlaying());
    EXPECT_EQ(messages, QStringList{CFrequencyPage::openFailedText()});
    click(page.get(), CRunInPage::IDC_RUN_IN);
    EXPECT_FALSE(page->isRunning());

    // The server comes back: the slider follows the new sink, and the next session sounds.
    ASSERT_TRUE(server.restart()) << server.log();
    auto* slider = qobject_cast<QSlider*>(page->control(CRunInPage::IDC_SYSTEM_VOLUME));
    ASSERT_NE(slider, nullptr);
    waitFor([&] { return volume->state() == VolumeState::Ready; }, 10s);
    ASSERT_EQ(volume->state(), VolumeState::Ready);
    ASSERT_TRUE(server.pactl({"set-sink-volume", server.sinkName(), "49152"}).ok());
    waitFor([&] { return slider->value() == 16384; }, 5s);
    EXPECT_EQ(slider->value(), 16384);

    messages.clear();
    click(page.get(), CRunInPage::IDC_RUN_IN);
    ASSERT_TRUE(page->isPlaying()) << messages.join(' ').toStdString();
    EXPECT_TRUE(soundArrives());
    EXPECT_LT(seconds(timed([&] { click(page.get(), CRunInPage::IDC_RUN_IN); })), 2.0);
    EXPECT_FALSE(page->isPlaying());
}

TEST_F(ServerFaults, TheDefaultSinkRemovedMidPlayMovesOrEndsTheStream) {
    const auto module = server.loadNullSink("quilbo_doomed");
    ASSERT_TRUE(module.has_value());
    ASSERT_TRUE(server.setDefaultSink("quilbo_doomed"));
    auto page = runInPage();
    click(page.get(), CRunInPage::IDC_RUN_IN);
    ASSERT_TRUE(page->isPlaying()) << messages.join(' ').toStdString();
    QTest::qWait(300);
    ASSERT_EQ(server.listShort("sink-inputs").size(), 1U);

    ASSERT_TRUE(server.pactl({"unload-module", std::to_string(*module)}).ok());
    // Either the stream lives on another sink or the player has gone idle; nothing else.
    waitFor([&] { return !page->isPlaying() || server.listShort("sink-inputs").size() == 1; }, 5s);
    QTest::qWait(500);
    std::cout << "default sink removed: the stream "
              << (page->isPlaying() ? "moved to another sink" : "ended") << std::endl;
    if (page->isPlaying()) {
        EXPECT_EQ(server.listShort("sink-inputs").size(), 1U);
        // The move leaves about a second of silence (the server's doing); then the loop goes on.
        EXPECT_TRUE(soundArrives(kBytesPerSecond, 4 * kBytesPerSecond))
            << "the moved stream is heard on the remaining sink";
    }
    EXPECT_LT(seconds(timed([&] { click(page.get(), CRunInPage::IDC_RUN_IN); })), 2.0);
    EXPECT_FALSE(page->isPlaying());
    EXPECT_FALSE(page->isRunning());
    waitFor([&] { return server.listShort("sink-inputs").empty(); }, 5s);
    EXPECT_TRUE(server.listShort("sink-inputs").empty());

    // The remaining sink is the default now, and the next session is heard there.
    click(page.get(), CRunInPage::IDC_RUN_IN);
    ASSERT_TRUE(page->isPlaying()) << messages.join(' ').toStdString();
    EXPECT_TRUE(soundArrives());
    click(page.get(), CRunInPage::IDC_RUN_IN);
}

TEST_F(ServerFaults, AServerStoppedForTwoSecondsMidLoopResumesAndStopIsPrompt) {
    auto page = runInPage();
    click(page.get(), CRunInPage::IDC_RUN_IN);
    ASSERT_TRUE(page->isPlaying()) << messages.join(' ').toStdString();
    QTest::qWait(500);

    server.pause();
    QTest::qWait(2000);
    server.resume();
    QTest::qWait(300);
    EXPECT_TRUE(page->isPlaying());
    EXPECT_TRUE(soundArrives(kBytesPerSecond));
    EXPECT_TRUE(page->isPlaying());

    // And a stop while the server does not answer returns within the back end's bound.
    server.pause();
    const auto stop = timed([&] { click(page.get(), CRunInPage::IDC_RUN_IN); });
    server.resume();
    EXPECT_LT(seconds(stop), 5.0);
    std::cout << "stop took " << seconds(stop) << " s with the server stopped" << std::endl;
    EXPECT_FALSE(page->isPlaying());
    EXPECT_LT(seconds(timed([&] { click(page.get(), CRunInPage::IDC_RUN_IN); })), 5.0);
    EXPECT_TRUE(page->isPlaying());
    click(page.get(), CRunInPage::IDC_RUN_IN);
}

TEST_F(ServerFaults, AServerThatDoesNotAnswerDelaysNeitherPlayNorClosingForLong) {
    auto page = runInPage();
    server.pause();
    // The open gives up after the back end's bound and says so; the session runs silently.
    const auto start = timed([&] { click(page.get(), CRunInPage::IDC_RUN_IN); });
    EXPECT_LT(seconds(start), 10.0);
    EXPECT_TRUE(page->isRunning());
    EXPECT_FALSE(page->isPlaying());
    EXPECT_EQ(messages, QStringList{CFrequencyPage::openFailedText()});
    click(page.get(), CRunInPage::IDC_RUN_IN);
    server.resume();

    messages.clear();
    click(page.get(), CRunInPage::IDC_RUN_IN);
    ASSERT_TRUE(page->isPlaying()) << messages.join(' ').toStdString();
    QTest::qWait(300);
    // Closing while the server is stopped: the page and the volume object go, in the program's
    // order, each within a bound.
    server.pause();
    const auto closePage = timed([&] { page.reset(); });
    const auto closeVolume = timed([&] { volume.reset(); });
    server.resume();
    EXPECT_LT(seconds(closePage), 5.0);
    std::cout << "closing took " << seconds(closePage) << " s (page), " << seconds(closeVolume)
              << " s (volume object) with the server stopped" << std::endl;
    EXPECT_LT(seconds(closeVolume), 5.0);

    // A volume object made while the server is stopped waits a bounded time, then works once the
    // server answers.
    server.pause();
    const auto make = timed([&] { volume = std::make_unique<CWaveOutVolume>(); });
    server.resume();
    EXPECT_LT(seconds(make), 10.0);
    waitFor([&] { return volume->state() == VolumeState::Ready; }, 10s);
    EXPECT_EQ(volume->state(), VolumeState::Ready);
}

}  // namespace
}  // namespace quilbo::test
