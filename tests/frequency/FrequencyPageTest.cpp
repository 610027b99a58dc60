// The Frequency page on the fake wave output: the block and format Play makes of the controls,
// what it refuses and how it recovers, the end of a block, and the bar during a render.
#include "pages/VolumeSlider.h"
#include "synth/Synthesis.h"
#include "tests/support/PageFixture.h"

#include <QProgressBar>
#include <QRadioButton>

#include <functional>
#include <thread>

namespace quilbo::test {
namespace {

using Page = CFrequencyPage;
using FrequencyPage = PageTest;

TEST_F(FrequencyPage, PlayRendersAndPlaysTheRequestOfTheControls) {
    struct Case {
        const char* name;
        std::function<void(Page&)> choose;
        // The synthesis request (a sweep when f1 is set) and the format the device opens.
        std::uint32_t bytes, rate, code;
        std::uint16_t bits;
        int waveform;
        double f0, f1, gain;
        int channels, container, align;
        unsigned mask;
    };
    const Case cases[] = {
        {"defaults at -20 dB", [](Page&) {}, 882000, 44100, 2, 16, 0, 1000, 0, 5.0 / 48, 2, 16, 4,
         0x3},
        {"opposite phase at 0 dB",
         [](Page& p) {
             ctl<QComboBox>(p, Page::IDC_CHANNELS)->setCurrentIndex(3);
             p.m_level->setValue(0);
         },
         882000, 44100, 0, 16, 0, 1000, 0, 1.0, 2, 16, 4, 0x3},
        {"20-bit square at -6 dB",
         [](Page& p) {
             ctl<QComboBox>(p, Page::IDC_PRECISION)->setCurrentIndex(2);
             ctl<QComboBox>(p, Page::IDC_WAVE)->setCurrentIndex(1);
             p.m_level->setValue(6);
         },
         1102500, 44100, 2, 20, 1, 1000, 0, 0.5, 2, 32, 8, 0x3},
        {"typed 8000 Hz, 6 channels, 8 bits, 2 s of ramp",
         [](Page& p) {
             type(p, Page::IDC_SAMPLE_RATE, " 8000 Hz");
             type(p, Page::IDC_CHANNELS, "6");
             type(p, Page::IDC_TIME, "2");
             ctl<QComboBox>(p, Page::IDC_PRECISION)->setCurrentIndex(0);
             ctl<QComboBox>(p, Page::IDC_WAVE)->setCurrentIndex(2);
         },
         96000, 8000, 6, 8, 2, 1000, 0, 5.0 / 48, 6, 8, 6, 0x3F},
        {"falling 32-bit sweep at -12 dB",
         [](Page& p) {
             ctl<QRadioButton>(p, Page::IDC_SCAN)->setChecked(true);
             type(p, Page::IDC_SCAN_FROM, "20000");
             type(p, Page::IDC_SCAN_TO, "20");
             ctl<QComboBox>(p, Page::IDC_PRECISION)->setCurrentIndex(4);
             p.m_level->setValue(12);
         },
         1764000, 44100, 2, 32, 0, 20000, 20, 0.25, 2, 32, 8, 0x3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frequency.reset();
        allocations.clear();
        c.choose(freq());
        click(freq(), Page::IDC_PLAY);
        ASSERT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
        ASSERT_TRUE(freq().isPlaying());
        EXPECT_EQ(allocations, std::vector<std::size_t>{c.bytes});
        EXPECT_FALSE(freq().m_progress->isVisible());
        EXPECT_EQ(waveOut.format.nChannels, c.channels);
        EXPECT_EQ(waveOut.format.nSamplesPerSec, c.rate);
        EXPECT_EQ(waveOut.format.wBitsPerSample, c.container);
        EXPECT_EQ(waveOut.format.wValidBitsPerSample, c.bits);
        EXPECT_EQ(waveOut.format.nBlockAlign, c.align);
        EXPECT_EQ(waveOut.format.dwChannelMask, c.mask);
        std::vector<std::uint8_t> want(c.bytes);
        if (c.f1 != 0) {
            SynthesizeSweep(want.data(), c.bytes, c.rate, c.code, c.bits, c.waveform, c.f0, c.f1,
                            c.gain, nullptr);
        } else {
            SynthesizeTone(want.data(), c.bytes, c.rate, c.code, c.bits, c.waveform, c.f0, c.gain,
                           nullptr);
        }
        const auto* block = waveOut.written().at(0).data;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), block)) << "not the requested signal";
    }
}

TEST_F(FrequencyPage, FailuresSayWhyAndTheNextPlayWorks) {
    waveOut.queryResult = WaveResult::BadFormat;  // above the back end's highest rate, say
    click(freq(), Page::IDC_PLAY);
    EXPECT_EQ(messages, QStringList{Page::unsupportedFormatText()});
    EXPECT_TRUE(allocations.empty());

    waveOut.queryResult = WaveResult::Ok;
    allocationFails = true;
    click(freq(), Page::IDC_PLAY);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains("882000")) << messages[1].toStdString();

    // The device cannot be opened: said after the render.
    allocationFails = false;
    waveOut.openResult = WaveResult::NoDevice;
    click(freq(), Page::IDC_PLAY);
    EXPECT_EQ(messages.last(), Page::openFailedText());
    EXPECT_FALSE(freq().isPlaying());
    EXPECT_FALSE(freq().m_progress->isVisible());

    waveOut.openResult = WaveResult::Ok;
    click(freq(), Page::IDC_PLAY);
    EXPECT_EQ(messages.size(), 3);
    EXPECT_TRUE(freq().isPlaying());
}

TEST_F(FrequencyPage, PlayWhilePlayingChangesNothingAndTheNextPlayTakesTheNewValues) {
    click(freq(), Page::IDC_PLAY);
    type(freq(), Page::IDC_TIME, "9");
    type(freq(), Page::IDC_FREQUENCY, "abc");
    click(freq(), Page::IDC_PLAY);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(waveOut.opens(), 1);
    EXPECT_EQ(waveOut.written().size(), 4u);
    EXPECT_EQ(freq().m_nTime, 5);

    click(freq(), Page::IDC_STOP);
    EXPECT_FALSE(waveOut.isOpen());
    type(freq(), Page::IDC_FREQUENCY, "1000");
    click(freq(), Page::IDC_PLAY);
    EXPECT_EQ(allocations.back(), 9u * 2 * 2 * 44100);
}

TEST_F(FrequencyPage, TheEndOfABlockReturnsToIdleOnTheWindowThreadAndRepeatLoops) {
    type(freq(), Page::IDC_TIME, "1");
    click(freq(), Page::IDC_PLAY);
    std::thread device([this] { waveOut.completeAll(); });
    device.join();
    EXPECT_TRUE(freq().isPlaying()) << "the stop waits for the window thread";
    QTRY_VERIFY_WITH_TIMEOUT(!freq().isPlaying(), 20000);
    EXPECT_FALSE(waveOut.isOpen());

    ctl(freq(), Page::IDC_REPEAT)->setChecked(true);
    click(freq(), Page::IDC_PLAY);
    EXPECT_EQ(waveOut.completeAll(0, 100), 100);
    QCoreApplication::processEvents();
    EXPECT_TRUE(freq().isPlaying());
    EXPECT_EQ(waveOut.queued(), 4u);
}

TEST_F(FrequencyPage, TheBarIsPaintedFurtherOnDuringTheRenderAndResetAfter) {
    struct PaintRecorder : QObject {
        std::vector<int> painted;
        bool eventFilter(QObject* bar, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                painted.push_back(static_cast<QProgressBar*>(bar)->value());
            }
            return false;
        }
    } recorder;
    // Every reading of the clock is 10 ms after the one before: a slow render.
    int reads = 0;
    freq().setProgressClock([&reads] {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(10 * ++reads));
    });
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&freq()));
    freq().m_progress->installEventFilter(&recorder);
    type(freq(), Page::IDC_TIME, "30");
    click(freq(), Page::IDC_PLAY);
    ASSERT_TRUE(freq().isPlaying());
    ASSERT_GT(recorder.painted.size(), 10u);
    EXPECT_TRUE(std::is_sorted(recorder.painted.begin(), recorder.painted.end() - 1));
    EXPECT_GT(recorder.painted.end()[-2], 30 * 44100 * 2 * 9 / 10);
    EXPECT_EQ(recorder.painted.back(), 0) << "the bar is reset before it hides";
    EXPECT_FALSE(freq().m_progress->isVisible());
}

}  // namespace
}  // namespace quilbo::test
