// The Run In page on fakes: a session's sound, its start and stop, the elapsed label, its ends
// and the system volume slider.
#include "audio/VolumeScale.h"
#include "res/Translations.h"
#include "tests/support/PageFixture.h"

#include <ctime>

namespace quilbo::test {
namespace {

using RunInPage = PageTest;

TEST_F(RunInPage, ASessionLoopsTheSeededPinkNoiseUntilStoppedAndEachStartCountsFromItself) {
    const auto before = static_cast<std::uint32_t>(std::time(nullptr));
    startRunIn();
    const auto after = static_cast<std::uint32_t>(std::time(nullptr));
    ASSERT_TRUE(run().isPlaying()) << messages.join(' ').toStdString();
    EXPECT_EQ(ctl(run(), CRunInPage::IDC_RUN_IN)->text(), "STOP RUN IN");
    // Five seconds of opposite-phase pink noise at half scale, seeded by the second of the start.
    const std::uint8_t* block = waveOut.written().at(0).data;
    bool seeded = false;
    for (std::uint32_t second = before; second <= after; ++second) {
        const auto want = runInBlock(second);
        seeded = seeded || std::equal(want.begin(), want.end(), block);
    }
    EXPECT_TRUE(seeded) << "the block is not the run-in noise of the start's second";
    EXPECT_EQ(waveOut.completeAll(0, 40), 40);
    EXPECT_EQ(waveOut.written().size(), 44u);
    run().StartRunInPlayback();  // nothing while the noise plays
    EXPECT_EQ(waveOut.opens(), 1);

    tickAt(5000);
    click(run(), CRunInPage::IDC_RUN_IN);
    EXPECT_FALSE(run().isRunning() || run().isPlaying() || waveOut.isOpen());
    EXPECT_EQ(ctl(run(), CRunInPage::IDC_RUN_IN)->text(), "START RUN IN");
    now += 10000;
    startRunIn("1");
    EXPECT_EQ(waveOut.opens(), 2);
    tickAt(0);
    EXPECT_EQ(elapsedText(), "00:00:00");
    tickAt(2 * kHour - 1);
    EXPECT_EQ(powerOff.requests, 0);
    tickAt(2 * kHour);
    EXPECT_EQ(powerOff.requests, 1);
}

TEST_F(RunInPage, TheElapsedLabelCountsWholeHoursInEitherLanguage) {
    startRunIn("ALL");
    const std::pair<std::int64_t, const char*> labels[] = {
        {59, "00:00:59"},    {3599, "00:59:59"},      {3661, "01:01:01"},
        {90061, "25:01:01"}, {360000, "100:00:00"}, {-30, "00:00:00"}};  // clock set back
    for (const auto& [elapsed, text] : labels) {
        tickAt(elapsed);
        EXPECT_EQ(elapsedText(), text) << elapsed;
    }
    // A language change keeps the count and a typed number of hours.
    type(run(), CRunInPage::IDC_HOURS, "12abc");
    installTranslations(QLocale(QLocale::Chinese, QLocale::China));
    QCoreApplication::processEvents();
    tickAt(3661);
    EXPECT_EQ(elapsedText(), QString::fromUtf8("01小时01分01秒"));
    EXPECT_EQ(ctl<QComboBox>(run(), CRunInPage::IDC_HOURS)->currentText(), "12abc");
    installTranslations(QLocale(QLocale::English));
    QCoreApplication::processEvents();
    EXPECT_EQ(elapsedText(), "01:01:01");
    tickAt(13 * kHour - 1);
    EXPECT_EQ(powerOff.requests, 0);
    tickAt(13 * kHour);
    EXPECT_EQ(powerOff.requests, 1);
}

TEST_F(RunInPage, HoursAndEndActionAreReadAtEveryTickAndShutDownAsksUntilStopped) {
    startRunIn("ALL", true);
    tickAt(3 * kHour + 5);
    EXPECT_TRUE(quits.empty());
    // Fewer hours than have passed end the session at the next tick, with the action chosen then.
    type(run(), CRunInPage::IDC_HOURS, "2");
    ctl(run(), CRunInPage::IDC_SHUT_DOWN)->setChecked(true);
    tickAt(3 * kHour + 6);
    tickAt(3 * kHour + 7);
    EXPECT_EQ(powerOff.requests, 2);
    EXPECT_TRUE(run().isRunning() && run().isPlaying());
    ctl(run(), CRunInPage::IDC_EXIT_PROGRAM)->setChecked(true);
    tickAt(3 * kHour + 8);
    EXPECT_EQ(quits, std::vector<int>{0}) << "-1: the noise still played when the quit was asked";
    EXPECT_FALSE(run().isRunning() || waveOut.isOpen());
    tickAt(4 * kHour);
    EXPECT_EQ(quits.size(), 1u);
    EXPECT_EQ(powerOff.requests, 2);

    // Stop ends the repeated requests; the label keeps its last text.
    startRunIn("1");
    tickAt(2 * kHour);
    click(run(), CRunInPage::IDC_RUN_IN);
    tickAt(5 * kHour);
    EXPECT_EQ(powerOff.requests, 3);
    EXPECT_EQ(elapsedText(), "02:00:00");
}

TEST_F(RunInPage, ASessionWithoutSoundStillCountsAndEnds) {
    for (const bool badFormat : {true, false}) {
        runIn.reset();
        messages.clear();
        if (badFormat) {
            waveOut.queryResult = WaveResult::BadFormat;
        } else {
            waveOut.openResult = WaveResult::NoDevice;
        }
        startRunIn("1");
        EXPECT_EQ(messages, QStringList{badFormat ? CFrequencyPage::unsupportedFormatText()
                                                  : CFrequencyPage::openFailedText()});
        EXPECT_TRUE(run().isRunning());
        EXPECT_FALSE(run().isPlaying());
        tickAt(2 * kHour);
        EXPECT_EQ(powerOff.requests, badFormat ? 1 : 2);
        click(run(), CRunInPage::IDC_RUN_IN);
        waveOut.queryResult = waveOut.openResult = WaveResult::Ok;
        startRunIn();
        EXPECT_TRUE(run().isPlaying());
    }
}

TEST_F(RunInPage, ItsOwnTimerTicksTheSession) {
    run().tickTimer()->start();
    startRunIn();
    now += 42;
    QTRY_COMPARE_WITH_TIMEOUT(elapsedText(), QString("00:00:42"), 20000);
}

TEST_F(RunInPage, TheVolumeSliderShowsTheSystemVolumeUpsideDownAndWritesItOnRelease) {
    volume.volume = 49151;
    QSlider* slider = volumeSlider();
    EXPECT_FALSE(volume.muted);
    EXPECT_TRUE(volume.listening());
    EXPECT_EQ(slider->maximum(), 65535);
    EXPECT_EQ(slider->value(), 16384);  // a quarter down from the loudest end at the top
    volume.changeFromOutside(0);
    EXPECT_EQ(slider->value(), 65535);
    // Keys move the thumb and write nothing; a drag writes its position when released.
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Up);
    QTest::keyClick(slider, Qt::Key_PageUp);
    const int moved = slider->value();
    EXPECT_LT(moved, 65535);
    EXPECT_TRUE(volume.writes.empty());
    dragThumb(slider, -40);
    ASSERT_EQ(volume.writes.size(), 1u);
    EXPECT_EQ(volume.writes[0], 65535u - slider->value());
    EXPECT_LT(slider->value(), moved);
}

TEST_F(RunInPage, WithoutAVolumeControlTheSliderIsInertUntilOneAppears) {
    volume.fakeState = VolumeState::Unavailable;
    QSlider* slider = volumeSlider();
    EXPECT_EQ(slider->minimum(), 65536);
    EXPECT_EQ(slider->value(), 65536);
    dragThumb(slider, -40);
    EXPECT_EQ(slider->value(), 65536);
    EXPECT_EQ(volume.writes, std::vector<std::uint32_t>{0xFFFFFFFFu});  // "-1" changes nothing
    EXPECT_EQ(volume.volume, 65535u);
    // The server came back, or another output became the default.
    volume.fakeState = VolumeState::Ready;
    volume.changeFromOutside(49151);
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->value(), 16384);
}

TEST(VolumeScale, EveryValueSurvivesTheRoundTripAndBoostsReadAsTheTop) {
    for (std::uint32_t value = 0; value <= 65535; ++value) {
        ASSERT_EQ(fromServerVolume(toServerVolume(value)), value);
    }
    EXPECT_EQ(toServerVolume(65535), 0x10000u);
    EXPECT_EQ(fromServerVolume(98304), 65535u);  // a sink boosted to 150 %
}

}  // namespace
}  // namespace quilbo::test
