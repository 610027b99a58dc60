// The Run In page on fakes: a session's sound, start and stop, elapsed label and ends, and the
// system volume slider.
#include "audio/VolumeScale.h"
#include "pages/PlayerMessages.h"
#include "res/Translations.h"
#include "synth/StandardSignals.h"
#include "tests/support/PageFixture.h"

#include <QSpinBox>

namespace quilbo::test {
namespace {

using RunInPage = PageTest;

TEST_F(RunInPage, ASessionLoopsItsNoiseCountsAndEndsOnlyAtItsHour) {
    startRunIn("1");
    ASSERT_TRUE(run().isPlaying()) << messages.join(' ').toStdString();
    run().StartRunInPlayback();  // nothing while the noise plays
    EXPECT_EQ(waveOut.opens(), 1);
    const std::pair<std::int64_t, const char*> labels[] = {
        {-30, "00:00:00"}, {59, "00:00:59"}, {3661, "01:01:01"}, {7199, "01:59:59"}};
    for (const auto& [elapsed, text] : labels) {
        tickAt(elapsed);
        EXPECT_EQ(elapsedText(), text);
    }
    EXPECT_EQ(powerOff.requests, 0);
    tickAt(7200);  // more than one whole hour
    tickAt(7201);
    EXPECT_EQ(powerOff.requests, 2) << "asked again at every tick";
    EXPECT_TRUE(run().isPlaying());
    click(run(), CRunInPage::IDC_RUN_IN);
    EXPECT_FALSE(run().isRunning() || waveOut.deviceOpen());
    tickAt(9000);
    EXPECT_EQ(powerOff.requests, 2);
    EXPECT_EQ(elapsedText(), "02:00:01");
    startRunIn(nullptr);  // the next session counts from its own start
    tickAt(59);
    EXPECT_EQ(elapsedText(), "00:00:59");
}

// An output the server refuses after the start has returned: the first start's refusal is the
// message of a start refused at once, the session counting on silently; a retry's after a lost
// output says nothing, and the session waits and asks again until one plays. The sound is
// missing, and the page says so, until the retry's output is really there.
TEST_F(RunInPage, AnOutputRefusedLateIsAFailedStartOrAFailedRetry) {
    const auto posted = [&](const std::function<bool()>& done) {
        return QTest::qWaitFor(done, 5000);
    };
    const auto status = [&] { return ctl<QLabel>(run(), CRunInPage::IDC_STATUS)->text(); };
    startRunIn("ALL");
    ASSERT_TRUE(waveOut.failLate(WaveOutMessage::OpenFailed));
    EXPECT_TRUE(posted([&] { return !run().isPlaying(); }));
    EXPECT_EQ(messages, QStringList{PlayerMessages::openFailed()});
    EXPECT_TRUE(run().isRunning() && !run().canResume() && status().isEmpty());
    click(run(), CRunInPage::IDC_RUN_IN);
    messages.clear();
    startRunIn("ALL");
    ASSERT_TRUE(waveOut.failLate(WaveOutMessage::Lost));
    ASSERT_TRUE(posted([&] { return !status().isEmpty(); }));
    const QString waiting = status();
    ASSERT_TRUE(posted([&] { return waveOut.opens() == 3; }));  // the retry
    QTest::qWait(50);
    EXPECT_TRUE(run().isPlaying() && status() == waiting);
    ASSERT_TRUE(waveOut.failLate(WaveOutMessage::OpenFailed));
    EXPECT_TRUE(posted([&] { return !run().isPlaying() && status() == waiting; }));
    EXPECT_TRUE(posted([&] { return waveOut.opens() == 4 && run().isPlaying(); }));
    waveOut.completeNext();
    EXPECT_TRUE(posted([&] { return status().isEmpty(); }));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
}

TEST_F(RunInPage, PowerTestNoiseLoopsWholePeriodsOfItsBand) {
    run().findChild<QComboBox*>("signalChoice")->setCurrentIndex(CRunInPage::PowerTestNoise);
    run().findChild<QSpinBox*>("bandLow")->setValue(100);
    startRunIn("1");
    ASSERT_TRUE(run().isPlaying()) << messages.join(' ').toStdString();
    std::vector<std::uint8_t> want(powerNoisePeriodFrames(44100) * 4), got;
    SynthesizeStandard(want.data(), static_cast<std::uint32_t>(want.size()), 44100, 0, 16,
                       {kWavePowerNoise, 0, 100, 500}, 0.5, nullptr);
    while (got.size() < 2 * want.size()) {
        for (const auto& call : waveOut.callsOf(FakeWaveOut::Op::Write))
            got.insert(got.end(), call.data, call.data + call.length);
        waveOut.clearCalls();
        ASSERT_TRUE(waveOut.completeNext());
    }
    const std::ptrdiff_t fade = 441 * 4;  // the session's first 10 ms rise
    EXPECT_TRUE(std::equal(want.begin() + fade, want.end(), got.begin() + fade));
    EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin() + std::ssize(want)));
}

TEST_F(RunInPage, HoursAndEndActionAreReadAtEveryTickAndExitStopsTheSoundFirst) {
    startRunIn("ALL", true);
    tickAt(90061);
    EXPECT_EQ(elapsedText(), "25:01:01");
    installTranslations(QLocale(QLocale::Chinese, QLocale::China));
    type(run(), CRunInPage::IDC_HOURS, "2");
    ctl(run(), CRunInPage::IDC_SHUT_DOWN)->click();
    tickAt(90062);
    EXPECT_EQ(elapsedText(), QString::fromUtf8("25小时01分02秒"));
    installTranslations(QLocale(QLocale::English));
    EXPECT_EQ(powerOff.requests, 1);
    ctl(run(), CRunInPage::IDC_EXIT_PROGRAM)->click();
    tickAt(90063);
    EXPECT_EQ(quits, std::vector<int>{0}) << "-1: the noise still played at the quit";
    EXPECT_FALSE(run().isRunning() || waveOut.deviceOpen());
    tickAt(99999);
    EXPECT_EQ(quits.size(), 1u);
    EXPECT_EQ(powerOff.requests, 1);
}

// A negative number of hours is a typo, not an end at the first tick: it starts no session, and
// typed during one it leaves the number the session read last in force.
TEST_F(RunInPage, NegativeHoursStartNothingAndAreIgnoredDuringASession) {
    startRunIn("-5");
    EXPECT_EQ(messages, QStringList{CRunInPage::negativeHoursText()});
    tickAt(1);
    EXPECT_FALSE(run().isRunning() || waveOut.deviceOpen());
    EXPECT_EQ(powerOff.requests, 0);
    messages.clear();
    startRunIn("2");
    type(run(), CRunInPage::IDC_HOURS, "-1");
    tickAt(3 * kHour - 1);
    EXPECT_EQ(powerOff.requests, 0);
    tickAt(3 * kHour);
    EXPECT_EQ(powerOff.requests, 1);
}

TEST_F(RunInPage, TheVolumeSliderShowsTheSystemVolumeUpsideDownAndWritesItOnRelease) {
    QSlider* slider = volumeSlider();
    EXPECT_FALSE(volume.muted);
    volume.changeFromOutside(0);
    EXPECT_EQ(slider->value(), 65535);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_PageUp);  // keys move the thumb and write nothing
    dragThumb(slider, -40);
    EXPECT_EQ(volume.writes, std::vector<std::uint32_t>{65535u - slider->value()});
    // Without a control the slider is inert ("-1" changes nothing) until one appears.
    volume.fakeState = VolumeState::Unavailable;
    volume.writes.clear();
    runIn.reset();
    slider = volumeSlider();
    dragThumb(slider, -40);
    EXPECT_EQ(slider->value(), 65536);
    EXPECT_EQ(volume.writes, std::vector<std::uint32_t>{0xFFFFFFFFu});
    volume.fakeState = VolumeState::Ready;
    volume.changeFromOutside(49151);
    EXPECT_EQ(slider->value(), 16384);
    for (std::uint32_t value = 0; value <= 65535; ++value) {  // no drift from round trips
        ASSERT_EQ(fromServerVolume(toServerVolume(value)), value);
    }
}

}  // namespace
}  // namespace quilbo::test
