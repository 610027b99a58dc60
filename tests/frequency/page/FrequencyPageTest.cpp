// The Frequency page on the fake wave output: the request Play builds, the range checks, the
// refused requests, the level slider and the keyboard.
#include "tests/frequency/page/PageFixture.h"

#include "pages/LevelGain.h"
#include "pages/VolumeSlider.h"

#include <QDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <thread>

namespace quilbo::test {
namespace {

using Op = FakeWaveOut::Op;
using Page = CFrequencyPage;

class FrequencyPage : public PageFixture {};

TEST_F(FrequencyPage, DefaultsRenderOneThousandHertzAtTheBottomLevelInSixteenBitStereo) {
    play();
    ASSERT_TRUE(messages.empty());
    EXPECT_TRUE(page.isPlaying());
    EXPECT_EQ(g_pRenderPage, &page);
    ASSERT_EQ(allocations, std::vector<std::size_t>{882000});
    EXPECT_EQ(page.m_progress->maximum(), 441000);
    EXPECT_FALSE(page.m_progress->isVisible());
    EXPECT_EQ(page.m_progress->value(), 0);

    const WaveFormatExtensible format = device.lastFormat();
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.wBitsPerSample, 16);
    EXPECT_EQ(format.nBlockAlign, 4);
    EXPECT_EQ(format.dwChannelMask, 0x3u);

    // A cosine at gain 5/48: both channels carry the same truncated sample.
    const double gain = 5.0 / 48;
    const auto s = samples16(0, 4);
    EXPECT_EQ(s[0], 3413);
    EXPECT_EQ(s[1], 3413);
    EXPECT_EQ(s[2], static_cast<int>(std::cos(2 * M_PI * 1000 / 44100) * 32767 * gain));
    EXPECT_EQ(s[3], s[2]);
    EXPECT_NEAR(signChanges(0, 44100), 2000, 2);
    EXPECT_EQ(device.callsOf(Op::Write).size(), 4u);
}

TEST_F(FrequencyPage, EachNumericFieldRefusesValuesBelowAboveAndLetters) {
    struct Field {
        int id;
        QString low, high, good;
        QString between;
    };
    const QString frequencies = DataExchange::integerBetween(20, 40000);
    const Field fields[] = {
        {Page::IDC_SCAN_TO, "19", "40001", "20000", frequencies},
        {Page::IDC_SCAN_FROM, "19", "40001", "20", frequencies},
        {Page::IDC_TIME, "0", "301", "5", DataExchange::integerBetween(1, 300)},
        {Page::IDC_FREQUENCY, "19", "40001", "1000", frequencies},
    };
    for (const Field& field : fields) {
        for (const QString& bad : {field.low, field.high, QStringLiteral("1k")}) {
            messages.clear();
            setText(field.id, bad);
            control<QWidget>(Page::IDC_PLAY)->setFocus();
            play();
            ASSERT_EQ(messages.size(), 1u) << field.id << " " << bad.toStdString();
            EXPECT_EQ(messages[0].text, bad == QStringLiteral("1k")
                                            ? DataExchange::integerExpected()
                                            : field.between);
            EXPECT_EQ(messages[0].owner, &page);
            EXPECT_TRUE(edit(field.id)->hasFocus()) << field.id;
            EXPECT_TRUE(nothingRendered());
            EXPECT_FALSE(page.isPlaying());
        }
        setText(field.id, field.good);
    }
    // A sweep end out of range blocks a plain sine as well.
    setText(Page::IDC_SCAN_TO, "50000");
    play();
    EXPECT_TRUE(nothingRendered());
}

TEST_F(FrequencyPage, FieldsAreCheckedScanToScanFromTimeFrequency) {
    const int order[] = {Page::IDC_SCAN_TO, Page::IDC_SCAN_FROM, Page::IDC_TIME,
                         Page::IDC_FREQUENCY};
    for (int id : order) {
        setText(id, "x");
    }
    for (int id : order) {
        messages.clear();
        play();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(edit(id)->hasFocus()) << id;
        setText(id, id == Page::IDC_TIME ? "1" : "1000");
    }
    messages.clear();
    play();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(page.isPlaying());
    EXPECT_EQ(page.m_nTime, 1);
}

TEST_F(FrequencyPage, ScanRendersASweepAndAcceptsAFallingOne) {
    control<QRadioButton>(Page::IDC_SCAN)->setChecked(true);
    setText(Page::IDC_SCAN_FROM, "20000");
    setText(Page::IDC_SCAN_TO, "20");
    play();
    ASSERT_TRUE(messages.empty());
    ASSERT_TRUE(page.isPlaying());
    EXPECT_EQ(page.m_nTestType, 1);
    // Near 20 kHz in the first 10 ms, below 100 Hz in the last.
    EXPECT_GT(signChanges(0, 441), 300);
    EXPECT_LE(signChanges(220500 - 441, 441), 2);
}

TEST_F(FrequencyPage, NoiseWaveformsGoToTheNoiseRender) {
    combo(Page::IDC_WAVE)->setCurrentIndex(3);
    play();
    ASSERT_TRUE(page.isPlaying());
    // White noise changes sign about every other frame; the default tone 2000 times a second.
    EXPECT_GT(signChanges(0, 44100), 15000);
}

TEST_F(FrequencyPage, OppositePhasePairIsChannelCodeZeroInTwoChannels) {
    combo(Page::IDC_CHANNELS)->setCurrentIndex(3);
    EXPECT_EQ(combo(Page::IDC_CHANNELS)->currentText(), QStringLiteral("OPTC"));
    play();
    ASSERT_TRUE(page.isPlaying());
    EXPECT_EQ(allocations, std::vector<std::size_t>{882000});
    EXPECT_EQ(device.lastFormat().nChannels, 2);
    EXPECT_EQ(device.lastFormat().dwChannelMask, 0x3u);
    const auto s = samples16(0, 2000);
    for (std::size_t i = 0; i < s.size(); i += 2) {
        ASSERT_EQ(s[i + 1], -s[i]) << i;
    }
    EXPECT_EQ(s[0], 3413);
}

TEST_F(FrequencyPage, TwentyBitsUseFourByteContainers) {
    combo(Page::IDC_PRECISION)->setCurrentIndex(2);
    play();
    ASSERT_TRUE(page.isPlaying());
    EXPECT_EQ(allocations, std::vector<std::size_t>{1102500});
    EXPECT_EQ(page.m_progress->maximum(), 275625);
    EXPECT_EQ(device.lastFormat().wBitsPerSample, 32);
    EXPECT_EQ(device.lastFormat().wValidBitsPerSample, 20);
    EXPECT_EQ(device.lastFormat().nBlockAlign, 8);
}

TEST_F(FrequencyPage, PlayWhilePlayingChangesNothingEvenAfterTheControlsChange) {
    play();
    ASSERT_TRUE(page.isPlaying());
    const auto callsBefore = device.calls().size();
    setText(Page::IDC_TIME, "9");
    setText(Page::IDC_FREQUENCY, "abc");
    combo(Page::IDC_PRECISION)->setCurrentIndex(0);
    control<QAbstractButton>(Page::IDC_REPEAT)->setChecked(true);
    play();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(allocations.size(), 1u);
    EXPECT_EQ(device.calls().size(), callsBefore);
    EXPECT_EQ(page.m_nTime, 5);
    EXPECT_EQ(page.m_nFrequency, 1000);
    EXPECT_EQ(page.m_strPrecision, QStringLiteral("16"));

    // Stop returns to idle; the next Play takes the new values.
    stop();
    EXPECT_FALSE(page.isPlaying());
    EXPECT_FALSE(device.deviceOpen());
    setText(Page::IDC_FREQUENCY, "1000");
    play();
    EXPECT_EQ(allocations.back(), 9u * 2 * 8 * 44100 / 8);
}

TEST_F(FrequencyPage, TheEndOfABlockReturnsThePageToIdleOnTheWindowThread) {
    setText(Page::IDC_TIME, "1");
    play();
    ASSERT_TRUE(page.isPlaying());
    std::thread audio([this] { device.completeAll(); });
    audio.join();
    EXPECT_TRUE(page.isPlaying()) << "the stop waits for the window thread";
    QTRY_VERIFY(!page.isPlaying());
    EXPECT_FALSE(device.deviceOpen());
    play();
    EXPECT_TRUE(page.isPlaying());
}

TEST_F(FrequencyPage, FormatsNobodyCanPlayAreRefusedBeforeRendering) {
    struct Case {
        int id;
        QString text;
    };
    const Case cases[] = {
        {Page::IDC_PRECISION, "12"},         {Page::IDC_PRECISION, "0"},
        {Page::IDC_PRECISION, "bits"},       {Page::IDC_SAMPLE_RATE, "0"},
        {Page::IDC_SAMPLE_RATE, "-8000"},    {Page::IDC_SAMPLE_RATE, "Hz"},
        {Page::IDC_CHANNELS, "-2"},          {Page::IDC_CHANNELS, "33"},
        {Page::IDC_CHANNELS, "99999999999"},
    };
    for (const Case& c : cases) {
        const QString before = combo(c.id)->currentText();
        messages.clear();
        setComboText(c.id, c.text);
        play();
        ASSERT_EQ(messages.size(), 1u) << c.text.toStdString();
        EXPECT_EQ(messages[0].text, Page::unsupportedFormatText());
        EXPECT_TRUE(nothingRendered()) << c.text.toStdString();
        EXPECT_FALSE(page.isPlaying());
        setComboText(c.id, before);
    }
    // A rate the back end cannot play (above its maximum) is its answer, asked before rendering.
    messages.clear();
    device.setQueryResult(WaveResult::BadFormat);
    setComboText(Page::IDC_SAMPLE_RATE, "1000000");
    play();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, Page::unsupportedFormatText());
    EXPECT_TRUE(nothingRendered());

    // A rate typed by hand that the device takes is passed on unchanged.
    device.setQueryResult(WaveResult::Ok);
    messages.clear();
    setComboText(Page::IDC_SAMPLE_RATE, "8000");
    play();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(device.lastFormat().nSamplesPerSec, 8000u);
    EXPECT_EQ(allocations, std::vector<std::size_t>{5u * 2 * 2 * 8000});
}

TEST_F(FrequencyPage, RequestsThatDoNotFitSayHowManyBytesAndLeaveThePageUsable) {
    // 300 s x 32 channels x 32 bits x 192000 Hz / 8 overflows the block size.
    setText(Page::IDC_TIME, "300");
    setComboText(Page::IDC_CHANNELS, "32");
    setComboText(Page::IDC_PRECISION, "32");
    setComboText(Page::IDC_SAMPLE_RATE, "192000");
    play();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("7372800000")))
        << messages[0].text.toStdString();
    EXPECT_TRUE(nothingRendered());

    // Within 32 bits but above the memory set aside for a block.
    messages.clear();
    page.setBlockLimit(1000000);
    setText(Page::IDC_TIME, "5");
    setComboText(Page::IDC_CHANNELS, "4");
    setComboText(Page::IDC_PRECISION, "16");
    setComboText(Page::IDC_SAMPLE_RATE, "44100");
    play();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("1764000")));
    EXPECT_TRUE(nothingRendered());

    // The allocation itself fails.
    messages.clear();
    page.setBlockLimit(Page::defaultBlockLimit());
    page.setBlockAllocator([this](std::size_t bytes) {
        allocations.push_back(bytes);
        return SampleBlock();
    });
    play();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("1764000")));
    EXPECT_EQ(device.opens(), 0);
    EXPECT_FALSE(page.m_progress->isVisible());

    messages.clear();
    page.setBlockAllocator([](std::size_t bytes) { return SampleBlock::allocate(bytes); });
    play();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(page.isPlaying());
}

TEST_F(FrequencyPage, ADeviceThatCannotBeOpenedIsReportedAfterTheRender) {
    device.setOpenResult(WaveResult::NoDevice);
    play();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, Page::openFailedText());
    EXPECT_EQ(allocations.size(), 1u);
    EXPECT_FALSE(page.isPlaying());
    EXPECT_FALSE(page.m_progress->isVisible());

    device.setOpenResult(WaveResult::Ok);
    messages.clear();
    play();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(page.isPlaying());
}

TEST_F(FrequencyPage, AWaveformTypedByHandIsNotPlayed) {
    setComboText(Page::IDC_WAVE, "Sine wave");
    play();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(nothingRendered());
    EXPECT_TRUE(combo(Page::IDC_WAVE)->hasFocus());
}

TEST_F(FrequencyPage, TheProgressBarMovesVisiblyAndCheaplyDuringTheRender) {
    struct PaintCounter : QObject {
        std::vector<int> painted;
        bool eventFilter(QObject* object, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                painted.push_back(static_cast<QProgressBar*>(object)->value());
            }
            return false;
        }
    } counter;
    // Every reading of the clock is 10 ms later than the one before: a slow render.
    int clockReads = 0;
    page.setProgressClock([&clockReads] {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(10 * ++clockReads));
    });
    int changes = 0;
    QObject::connect(page.m_progress, &QProgressBar::valueChanged, [&] { ++changes; });
    page.m_progress->installEventFilter(&counter);
    setText(Page::IDC_TIME, "30");
    play();
    ASSERT_TRUE(page.isPlaying());
    EXPECT_FALSE(page.m_progress->isVisible());

    // The clock is read once per visible step of the bar, not once per frame...
    const int steps = std::min(page.m_progress->width(), 2000);
    EXPECT_GE(clockReads, steps - 1);
    EXPECT_LE(clockReads, steps + 2);
    // ...and the bar is painted every third step (25 ms apart), each time further on.
    ASSERT_GE(counter.painted.size(), static_cast<std::size_t>(steps / 3 - 1));
    EXPECT_LE(counter.painted.size(), static_cast<std::size_t>(steps / 3 * 2 + 4));
    EXPECT_LE(changes, steps / 3 + 3);
    const auto moving = std::vector<int>(counter.painted.begin(), counter.painted.end() - 1);
    EXPECT_TRUE(std::is_sorted(moving.begin(), moving.end()));
    EXPECT_GT(*std::max_element(moving.begin(), moving.end()), 30 * 44100 * 2 * 9 / 10);
    EXPECT_EQ(counter.painted.back(), 0) << "the bar is reset before it hides";
}

// Drags the slider's thumb with the left button until it sits at position target.
void dragTo(CVolumeSlider* slider, int target, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.upsideDown = !slider->invertedAppearance();
    option.subControls = QStyle::SC_All;
    const QPoint handle =
        slider->style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
            .center();
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, slider->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(slider, &event);
    };
    send(QEvent::MouseButtonPress, handle, Qt::LeftButton, Qt::LeftButton);
    QPoint at = handle;
    const int step = target < slider->value() ? -1 : 1;
    for (int i = 0; i < slider->height() && slider->value() != target; ++i) {
        at.ry() += step;
        send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

TEST_F(FrequencyPage, LevelSliderReadoutAndGainFollowTheDraggedThumb) {
    auto* slider = page.m_level;
    auto* readout = edit(Page::IDC_LEVEL_TEXT);
    EXPECT_EQ(slider->value(), 20);
    EXPECT_EQ(readout->text(), QStringLiteral(" -20DB"));
    // The top of the slider is the loudest position.
    EXPECT_TRUE(slider->invertedAppearance());

    struct Level {
        int position;
        const char* readout;
        std::int16_t firstSample;
    };
    const Level levels[] = {{0, "   0DB", 32767},
                            {6, "  -6DB", 16383},
                            {12, " -12DB", 8191},
                            {18, " -18DB", 4095},
                            {20, " -20DB", 3413}};
    for (const Level& level : levels) {
        dragTo(slider, level.position);
        ASSERT_EQ(slider->value(), level.position);
        EXPECT_EQ(readout->text(), QString::fromLatin1(level.readout));
        play();
        ASSERT_TRUE(page.isPlaying());
        EXPECT_EQ(samples16(0, 1)[0], level.firstSample) << level.position;
        EXPECT_EQ(static_cast<std::int16_t>(32767 * levelGain(level.position)), level.firstSample);
        stop();
        device.clearCalls();
    }
}

TEST_F(FrequencyPage, KeyboardAndModifiedDragsLeaveTheReadoutAlone) {
    auto* slider = page.m_level;
    auto* readout = edit(Page::IDC_LEVEL_TEXT);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Up);
    EXPECT_EQ(slider->value(), 19) << "Up moves the thumb up, towards full scale";
    EXPECT_EQ(readout->text(), QStringLiteral(" -20DB"));
    play();
    EXPECT_EQ(samples16(0, 1)[0], static_cast<std::int16_t>(32767 * levelGain(19)));
    stop();

    dragTo(slider, 10, Qt::ShiftModifier);
    EXPECT_EQ(slider->value(), 19) << "a drag with Shift held is not passed on";
    EXPECT_EQ(readout->text(), QStringLiteral(" -20DB"));
}

TEST_F(FrequencyPage, EnterAndEscapeNeverEndTheWindowHoldingThePage) {
    QDialog host;
    auto* layout = new QVBoxLayout(&host);
    page.setParent(&host);
    layout->addWidget(&page);
    page.show();
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    for (int id : {int(Page::IDC_TIME), int(Page::IDC_WAVE), int(Page::IDC_CHANNELS),
                   int(Page::IDC_REPEAT), int(Page::IDC_LEVEL), int(Page::IDC_SCAN)}) {
        QWidget* w = control<QWidget>(id);
        w->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            ASSERT_TRUE(host.isVisible()) << id << " " << key;
            ASSERT_TRUE(page.isVisible());
        }
    }
    EXPECT_EQ(host.result(), 0);
    EXPECT_TRUE(nothingRendered());

    // Enter on a focused push button clicks it.
    control<QWidget>(Page::IDC_PLAY)->setFocus();
    QTest::keyClick(control<QWidget>(Page::IDC_PLAY), Qt::Key_Return);
    EXPECT_TRUE(page.isPlaying());
    control<QWidget>(Page::IDC_STOP)->setFocus();
    QTest::keyClick(control<QWidget>(Page::IDC_STOP), Qt::Key_Return);
    EXPECT_FALSE(page.isPlaying());
    EXPECT_TRUE(host.isVisible());
    page.setParent(nullptr);
}

TEST_F(FrequencyPage, MessagesAreWarningBoxesOwnedByThePageWithTheApplicationTitle) {
    page.setMessagePresenter(warningBoxPresenter());
    device.setOpenResult(WaveResult::Failed);
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* owner = nullptr;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        owner = box->parentWidget();
        box->accept();
    });
    play();
    EXPECT_EQ(title, QStringLiteral("Quilbo"));
    EXPECT_EQ(text, QStringLiteral("Failed to open waveform output device."));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(owner, &page);
    EXPECT_FALSE(page.isPlaying());
}

TEST_F(FrequencyPage, ControlsKeepTheirIdentifiersAndDefaults) {
    const int ids[] = {2,    1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008,
                       1009, 1012, 1013, 1014, 1015, 1016, 1017, 1018};
    for (int id : ids) {
        EXPECT_NE(page.control(id), nullptr) << id;
    }
    EXPECT_EQ(page.control(1019), nullptr);
    EXPECT_EQ(combo(Page::IDC_WAVE)->currentText(), QStringLiteral("Sine"));
    EXPECT_EQ(combo(Page::IDC_WAVE)->itemText(1), QStringLiteral("Square "));
    EXPECT_EQ(combo(Page::IDC_PRECISION)->currentText(), QStringLiteral("16"));
    EXPECT_EQ(combo(Page::IDC_SAMPLE_RATE)->currentText(), QStringLiteral("44100"));
    EXPECT_EQ(combo(Page::IDC_CHANNELS)->currentText(), QStringLiteral("2"));
    EXPECT_EQ(edit(Page::IDC_SCAN_TO)->text(), QStringLiteral("20000"));
    EXPECT_EQ(edit(Page::IDC_SCAN_FROM)->text(), QStringLiteral("20"));
    EXPECT_EQ(edit(Page::IDC_TIME)->text(), QStringLiteral("5"));
    EXPECT_EQ(edit(Page::IDC_FREQUENCY)->text(), QStringLiteral("1000"));
    EXPECT_TRUE(control<QRadioButton>(Page::IDC_SIMPLE)->isChecked());
    EXPECT_FALSE(control<QAbstractButton>(Page::IDC_REPEAT)->isChecked());
    EXPECT_FALSE(page.control(Page::IDC_PROGRESS)->isVisible());
    EXPECT_FALSE(page.control(Page::IDCANCEL)->isVisible());
    EXPECT_EQ(control<QAbstractButton>(Page::IDCANCEL)->text(), QStringLiteral("Cencel"));
}

}  // namespace
}  // namespace quilbo::test
