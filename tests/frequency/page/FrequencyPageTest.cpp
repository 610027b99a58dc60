// The Frequency page on the fake wave output: the request Play builds from the controls, the
// range checks, the refused requests, the progress bar, the level slider and the keyboard.
#include "pages/FrequencyPage.h"
#include "pages/LevelGain.h"
#include "pages/VolumeSlider.h"
#include "tests/support/FakeWaveOut.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace quilbo::test {
namespace {

using Page = CFrequencyPage;

class FrequencyPage : public ::testing::Test {
protected:
    FakeWaveOut device;
    Page page{&device};
    std::vector<QString> messages;
    std::vector<QWidget*> owners;
    std::vector<std::size_t> allocations;

    void SetUp() override {
        page.setMessagePresenter([this](QWidget* owner, const QString& text) {
            owners.push_back(owner);
            messages.push_back(text);
        });
        page.setBlockAllocator([this](std::size_t bytes) {
            allocations.push_back(bytes);
            return SampleBlock::allocate(bytes);
        });
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    }

    template <typename W = QWidget>
    W* control(int id) {
        auto* w = qobject_cast<W*>(page.control(id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    QLineEdit* edit(int id) { return control<QLineEdit>(id); }
    QComboBox* combo(int id) { return control<QComboBox>(id); }
    void play() { control<QPushButton>(Page::IDC_PLAY)->click(); }
    void stop() { control<QPushButton>(Page::IDC_STOP)->click(); }

    bool nothingRendered() const {
        return allocations.empty() && device.opens() == 0 && device.queued() == 0;
    }

    // 16-bit samples of the block being played (its first piece starts at its first byte).
    std::vector<std::int16_t> samples(std::size_t first, std::size_t count) const {
        const auto writes = device.callsOf(FakeWaveOut::Op::Write);
        std::vector<std::int16_t> out(count);
        std::memcpy(out.data(), writes.front().data + first * 2, count * 2);
        return out;
    }

    // Sign changes of the first channel over count stereo frames.
    int signChanges(std::size_t firstFrame, std::size_t count) const {
        const auto s = samples(firstFrame * 2, count * 2);
        int changes = 0;
        for (std::size_t i = 2; i < s.size(); i += 2) {
            changes += (s[i] < 0) != (s[i - 2] < 0);
        }
        return changes;
    }
};

TEST_F(FrequencyPage, PlayBuildsTheRequestFromTheControls) {
    struct Case {
        const char* name;
        std::function<void()> choose;
        std::size_t bytes;
        int range, channels, bits, validBits, align;
        unsigned rate, mask;
    };
    const Case cases[] = {
        {"defaults", [] {}, 882000, 441000, 2, 16, 16, 4, 44100, 0x3},
        {"OPTC", [this] { combo(Page::IDC_CHANNELS)->setCurrentIndex(3); }, 882000, 441000, 2, 16,
         16, 4, 44100, 0x3},
        {"20 bits", [this] { combo(Page::IDC_PRECISION)->setCurrentIndex(2); }, 1102500, 275625, 2,
         32, 20, 8, 44100, 0x3},
        {"typed",
         [this] {
             combo(Page::IDC_SAMPLE_RATE)->setEditText(" 8000 Hz");
             combo(Page::IDC_CHANNELS)->setEditText("6");
             combo(Page::IDC_PRECISION)->setCurrentIndex(0);
         },
         240000, 240000, 6, 8, 8, 6, 8000, 0x3F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.choose();
        play();
        ASSERT_TRUE(messages.empty());
        ASSERT_TRUE(page.isPlaying());
        EXPECT_EQ(g_pRenderPage, &page);
        EXPECT_EQ(allocations, std::vector<std::size_t>{c.bytes});
        EXPECT_EQ(page.m_progress->maximum(), c.range);
        EXPECT_FALSE(page.m_progress->isVisible());
        const WaveFormatExtensible format = device.lastFormat();
        EXPECT_EQ(format.nChannels, c.channels);
        EXPECT_EQ(format.nSamplesPerSec, c.rate);
        EXPECT_EQ(format.wBitsPerSample, c.bits);
        EXPECT_EQ(format.wValidBitsPerSample, c.validBits);
        EXPECT_EQ(format.nBlockAlign, c.align);
        EXPECT_EQ(format.dwChannelMask, c.mask);
        EXPECT_EQ(device.callsOf(FakeWaveOut::Op::Write).size(), 4u);
        if (c.bits == 16) {
            // A 1000 Hz cosine at gain 5/48, truncated; the pair's second channel inverted.
            const int sign = std::string(c.name) == "OPTC" ? -1 : 1;
            const auto s = samples(0, 4);
            EXPECT_EQ(s[0], 3413);
            EXPECT_EQ(s[1], sign * 3413);
            EXPECT_EQ(s[2], static_cast<int>(std::cos(2 * M_PI * 1000 / 44100) * 32767 * 5 / 48));
            EXPECT_EQ(s[3], sign * s[2]);
            EXPECT_NEAR(signChanges(0, 44100), 2000, 2);
        }
        stop();
        device.clearCalls();
        allocations.clear();
    }
}

TEST_F(FrequencyPage, EachNumericFieldRefusesValuesBelowAboveAndLetters) {
    const QString frequencies = DataExchange::integerBetween(20, 40000);
    struct Field {
        int id;
        const char *low, *high, *good;
        QString range;
    };
    const Field fields[] = {{Page::IDC_SCAN_TO, "19", "40001", "20000", frequencies},
                            {Page::IDC_SCAN_FROM, "19", "40001", "20", frequencies},
                            {Page::IDC_TIME, "0", "301", "5", DataExchange::integerBetween(1, 300)},
                            {Page::IDC_FREQUENCY, "19", "40001", "1000", frequencies}};
    for (const Field& field : fields) {
        for (const char* bad : {field.low, field.high, "1k", ""}) {
            messages.clear();
            edit(field.id)->setText(bad);
            control(Page::IDC_PLAY)->setFocus();
            play();
            ASSERT_EQ(messages.size(), 1u) << field.id << " '" << bad << "'";
            const bool number = QString(bad).toInt() != 0 || QString(bad) == "0";
            EXPECT_EQ(messages[0], number ? field.range : DataExchange::integerExpected());
            EXPECT_TRUE(edit(field.id)->hasFocus()) << field.id;
            EXPECT_TRUE(nothingRendered());
        }
        edit(field.id)->setText(field.good);
    }
    // Every range applies whatever the test type: a bad sweep end blocks a plain sine.
    edit(Page::IDC_SCAN_TO)->setText("50000");
    play();
    EXPECT_TRUE(nothingRendered());
}

TEST_F(FrequencyPage, FieldsAreCheckedScanToScanFromTimeFrequency) {
    const int order[] = {Page::IDC_SCAN_TO, Page::IDC_SCAN_FROM, Page::IDC_TIME,
                         Page::IDC_FREQUENCY};
    for (int id : order) {
        edit(id)->setText("x");
    }
    for (int id : order) {
        messages.clear();
        play();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(edit(id)->hasFocus()) << id;
        edit(id)->setText(id == Page::IDC_TIME ? "1" : "1000");
    }
    messages.clear();
    play();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(allocations, std::vector<std::size_t>{176400});
}

TEST_F(FrequencyPage, WaveformAndTestTypeChooseTheRender) {
    // A falling sweep: near 20 kHz in the first 10 ms, below 100 Hz in the last.
    control<QRadioButton>(Page::IDC_SCAN)->setChecked(true);
    edit(Page::IDC_SCAN_FROM)->setText("20000");
    edit(Page::IDC_SCAN_TO)->setText("20");
    play();
    ASSERT_TRUE(page.isPlaying());
    EXPECT_GT(signChanges(0, 441), 300);
    EXPECT_LE(signChanges(220500 - 441, 441), 2);
    stop();

    // White noise changes sign about every other frame; the default tone 2000 times a second.
    device.clearCalls();
    combo(Page::IDC_WAVE)->setCurrentIndex(3);
    play();
    ASSERT_TRUE(page.isPlaying());
    EXPECT_GT(signChanges(0, 44100), 15000);
    stop();

    // A waveform typed by hand selects nothing and plays nothing.
    allocations.clear();
    combo(Page::IDC_WAVE)->setEditText("Sine wave");
    play();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_TRUE(allocations.empty());
    EXPECT_TRUE(combo(Page::IDC_WAVE)->hasFocus());
}

TEST_F(FrequencyPage, PlayWhilePlayingChangesNothingEvenAfterTheControlsChange) {
    play();
    ASSERT_TRUE(page.isPlaying());
    const auto calls = device.calls().size();
    edit(Page::IDC_TIME)->setText("9");
    edit(Page::IDC_FREQUENCY)->setText("abc");
    combo(Page::IDC_PRECISION)->setCurrentIndex(0);
    play();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(allocations.size(), 1u);
    EXPECT_EQ(device.calls().size(), calls);
    EXPECT_EQ(page.m_nTime, 5);
    EXPECT_EQ(page.m_strPrecision, QStringLiteral("16"));

    // Stop returns to idle; the next Play takes the new values.
    stop();
    EXPECT_FALSE(device.deviceOpen());
    edit(Page::IDC_FREQUENCY)->setText("1000");
    play();
    EXPECT_EQ(allocations.back(), 9u * 2 * 8 * 44100 / 8);
}

TEST_F(FrequencyPage, TheEndOfABlockReturnsThePageToIdleOnTheWindowThread) {
    edit(Page::IDC_TIME)->setText("1");
    play();
    std::thread audio([this] { device.completeAll(); });
    audio.join();
    EXPECT_TRUE(page.isPlaying()) << "the stop waits for the window thread";
    QTRY_VERIFY(!page.isPlaying());
    EXPECT_FALSE(device.deviceOpen());

    // With Repeat the block loops until Stop.
    control<QAbstractButton>(Page::IDC_REPEAT)->setChecked(true);
    play();
    EXPECT_EQ(device.completeAll(100), 100);
    QApplication::processEvents();
    EXPECT_TRUE(page.isPlaying());
    EXPECT_EQ(device.queued(), 4u);
}

TEST_F(FrequencyPage, FormatsNobodyCanPlayAreRefusedBeforeRendering) {
    const std::pair<int, const char*> cases[] = {
        {Page::IDC_PRECISION, "12"},
        {Page::IDC_PRECISION, "bits"},
        {Page::IDC_SAMPLE_RATE, "0"},
        {Page::IDC_SAMPLE_RATE, "-8000"},
        {Page::IDC_CHANNELS, "-2"},
        {Page::IDC_CHANNELS, "33"},
        {Page::IDC_CHANNELS, "99999999999999999999"},
    };
    for (const auto& [id, text] : cases) {
        const QString before = combo(id)->currentText();
        messages.clear();
        combo(id)->setEditText(text);
        play();
        EXPECT_EQ(messages, std::vector{Page::unsupportedFormatText()}) << text;
        EXPECT_TRUE(nothingRendered()) << text;
        combo(id)->setEditText(before);
    }
    // Above the back end's maximum rate: its format check is asked before rendering.
    messages.clear();
    device.setQueryResult(WaveResult::BadFormat);
    play();
    EXPECT_EQ(messages, std::vector{Page::unsupportedFormatText()});
    EXPECT_TRUE(nothingRendered());
}

TEST_F(FrequencyPage, RequestsThatDoNotFitSayHowManyBytesAndLeaveThePageUsable) {
    // 300 s x 32 channels x 32 bits x 192000 Hz / 8 does not fit a block.
    edit(Page::IDC_TIME)->setText("300");
    combo(Page::IDC_CHANNELS)->setEditText("32");
    combo(Page::IDC_PRECISION)->setEditText("32");
    combo(Page::IDC_SAMPLE_RATE)->setEditText("192000");
    play();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains("7372800000")) << messages[0].toStdString();
    EXPECT_TRUE(nothingRendered());

    // It fits 32 bits but not the memory set aside for a block.
    page.setBlockLimit(1000000);
    edit(Page::IDC_TIME)->setText("5");
    combo(Page::IDC_CHANNELS)->setEditText("4");
    combo(Page::IDC_PRECISION)->setEditText("16");
    combo(Page::IDC_SAMPLE_RATE)->setEditText("44100");
    play();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[1].contains("1764000"));
    EXPECT_TRUE(nothingRendered());

    // The allocation fails.
    page.setBlockLimit(Page::defaultBlockLimit());
    page.setBlockAllocator([](std::size_t) { return SampleBlock(); });
    play();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_TRUE(messages[2].contains("1764000"));

    // The device cannot be opened: said after the render.
    page.setBlockAllocator([this](std::size_t bytes) {
        allocations.push_back(bytes);
        return SampleBlock::allocate(bytes);
    });
    device.setOpenResult(WaveResult::NoDevice);
    play();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3], Page::openFailedText());
    EXPECT_EQ(allocations.size(), 1u);
    EXPECT_FALSE(page.m_progress->isVisible());

    device.setOpenResult(WaveResult::Ok);
    play();
    EXPECT_EQ(messages.size(), 4u);
    EXPECT_TRUE(page.isPlaying());
    EXPECT_EQ(owners, std::vector<QWidget*>(4, &page));
}

TEST_F(FrequencyPage, TheRenderPaintsItsBarAndRunsQueuedWorkButHoldsAnotherPlayersEnd) {
    struct PaintRecorder : QObject {
        std::vector<int> painted;
        bool eventFilter(QObject* object, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                painted.push_back(static_cast<QProgressBar*>(object)->value());
            }
            return false;
        }
    } recorder;
    // Every reading of the clock is 10 ms after the one before: a slow render.
    int clockReads = 0;
    page.setProgressClock([&clockReads] {
        return std::chrono::steady_clock::time_point(std::chrono::milliseconds(10 * ++clockReads));
    });
    page.m_progress->installEventFilter(&recorder);
    edit(Page::IDC_TIME)->setText("30");

    // Another page has played its block to the end: the device's thread has posted its stop.
    FakeWaveOut otherDevice;
    Page other(&otherDevice);
    other.OnPlay();
    std::thread([&otherDevice] { otherDevice.completeAll(); }).join();
    // Queued after that stop, so both arrive during the render.
    bool ranDuringRender = false;
    QTimer::singleShot(0, &page, [&] { ranDuringRender = page.m_progress->isVisible(); });
    play();
    ASSERT_TRUE(page.isPlaying());
    EXPECT_TRUE(ranDuringRender);
    EXPECT_TRUE(other.isPlaying()) << "the held stop runs once Play has returned";
    QApplication::processEvents();
    EXPECT_FALSE(otherDevice.deviceOpen());

    // The clock is read some 2000 times, not once per frame; the bar moves in 40 ms steps.
    EXPECT_GE(clockReads, 1999);
    EXPECT_LE(clockReads, 2001);
    static_assert(Page::kProgressPaintInterval == std::chrono::milliseconds(40));
    ASSERT_GE(recorder.painted.size(), 20u);
    EXPECT_LE(recorder.painted.size(), 2000u / 4 + 2);
    const std::vector<int> moving(recorder.painted.begin(), recorder.painted.end() - 1);
    EXPECT_TRUE(std::is_sorted(moving.begin(), moving.end()));
    EXPECT_GT(moving.back(), 30 * 44100 * 2 * 9 / 10);
    EXPECT_EQ(recorder.painted.back(), 0) << "the bar is reset before it hides";
}

// Drags the slider's thumb with the left button until it sits at position target.
void dragTo(CVolumeSlider* slider, int target, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Vertical;
    option.maximum = slider->maximum();
    option.sliderPosition = option.sliderValue = slider->value();
    option.upsideDown = !slider->invertedAppearance();
    QPoint at = slider->style()
                    ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
                    .center();
    auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, slider->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(slider, &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    const int step = target < slider->value() ? -1 : 1;
    for (int i = 0; i < slider->height() && slider->value() != target; ++i) {
        at.ry() += step;
        send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
}

TEST_F(FrequencyPage, LevelSliderReadoutAndGainFollowTheDraggedThumb) {
    auto* readout = edit(Page::IDC_LEVEL_TEXT);
    EXPECT_EQ(page.m_level->value(), 20);
    EXPECT_EQ(readout->text(), QStringLiteral(" -20DB"));
    const std::tuple<int, const char*, std::int16_t> levels[] = {{0, "   0DB", 32767},
                                                                 {6, "  -6DB", 16383},
                                                                 {12, " -12DB", 8191},
                                                                 {18, " -18DB", 4095},
                                                                 {20, " -20DB", 3413}};
    for (const auto& [position, text, firstSample] : levels) {
        dragTo(page.m_level, position);
        ASSERT_EQ(page.m_level->value(), position);
        EXPECT_EQ(readout->text(), QString::fromLatin1(text));
        play();
        EXPECT_EQ(samples(0, 1)[0], firstSample) << position;
        stop();
        device.clearCalls();
    }
    EXPECT_EQ(levelGain(20), 0.10416666666666667);
}

TEST_F(FrequencyPage, KeyboardAndModifiedDragsLeaveTheReadoutAlone) {
    auto* readout = edit(Page::IDC_LEVEL_TEXT);
    page.m_level->setFocus();
    QTest::keyClick(page.m_level, Qt::Key_Up);
    EXPECT_EQ(page.m_level->value(), 19) << "Up moves the thumb up, towards full scale";
    EXPECT_EQ(readout->text(), QStringLiteral(" -20DB"));
    play();
    EXPECT_EQ(samples(0, 1)[0], static_cast<std::int16_t>(32767 * 11.0 / 96));
    stop();

    dragTo(page.m_level, 10, Qt::ShiftModifier);
    EXPECT_EQ(page.m_level->value(), 19) << "a drag with Shift held is not passed on";
    EXPECT_EQ(readout->text(), QStringLiteral(" -20DB"));
}

TEST_F(FrequencyPage, EnterAndEscapeNeverEndTheWindowHoldingThePage) {
    QDialog host;
    auto* layout = new QVBoxLayout(&host);
    layout->addWidget(&page);
    const auto giveBack = qScopeGuard([this] { page.setParent(nullptr); });
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    for (int id : {Page::IDC_TIME, Page::IDC_WAVE, Page::IDC_CHANNELS, Page::IDC_REPEAT,
                   Page::IDC_LEVEL, Page::IDC_SCAN}) {
        control(id)->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            ASSERT_TRUE(host.isVisible()) << id << " " << key;
        }
    }
    EXPECT_EQ(host.result(), 0);
    EXPECT_TRUE(nothingRendered());

    // Enter on a focused push button clicks it.
    control(Page::IDC_PLAY)->setFocus();
    QTest::keyClick(control(Page::IDC_PLAY), Qt::Key_Return);
    EXPECT_TRUE(page.isPlaying());
    control(Page::IDC_STOP)->setFocus();
    QTest::keyClick(control(Page::IDC_STOP), Qt::Key_Return);
    EXPECT_FALSE(page.isPlaying());
    EXPECT_TRUE(host.isVisible());
}

TEST_F(FrequencyPage, MessagesAreWarningBoxesOwnedByThePageWithTheApplicationTitle) {
    page.setMessagePresenter(warningBoxPresenter());
    combo(Page::IDC_PRECISION)->setEditText("12");
    QMessageBox* box = nullptr;
    QString title, text;
    QTimer::singleShot(0, [&] {
        box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->parentWidget(), &page);
        box->accept();
    });
    play();
    EXPECT_EQ(title, QStringLiteral("Quilbo"));
    EXPECT_EQ(text, QStringLiteral("UnSupported Format."));
    EXPECT_FALSE(page.isPlaying());
}

TEST_F(FrequencyPage, ControlsKeepTheirIdentifiersDefaultsAndTexts) {
    for (int id : {2, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1012, 1013, 1014, 1015,
                   1016, 1017, 1018}) {
        EXPECT_NE(page.control(id), nullptr) << id;
    }
    EXPECT_EQ(combo(Page::IDC_WAVE)->currentText(), QStringLiteral("Sine"));
    EXPECT_EQ(combo(Page::IDC_WAVE)->itemText(1), QStringLiteral("Square "));
    EXPECT_EQ(combo(Page::IDC_PRECISION)->currentText(), QStringLiteral("16"));
    EXPECT_EQ(combo(Page::IDC_SAMPLE_RATE)->currentText(), QStringLiteral("44100"));
    EXPECT_EQ(combo(Page::IDC_CHANNELS)->currentText(), QStringLiteral("2"));
    const QStringList edits = {edit(Page::IDC_SCAN_TO)->text(), edit(Page::IDC_SCAN_FROM)->text(),
                               edit(Page::IDC_TIME)->text(), edit(Page::IDC_FREQUENCY)->text()};
    EXPECT_EQ(edits, QStringList({"20000", "20", "5", "1000"}));
    EXPECT_TRUE(control<QRadioButton>(Page::IDC_SIMPLE)->isChecked());
    EXPECT_FALSE(control<QAbstractButton>(Page::IDC_REPEAT)->isChecked());
    EXPECT_FALSE(control(Page::IDC_PROGRESS)->isVisible());
    EXPECT_FALSE(control(Page::IDCANCEL)->isVisible());
    EXPECT_EQ(control<QPushButton>(Page::IDCANCEL)->text(), QStringLiteral("Cencel"));

    // Towards the controls, a list text selects the first entry that begins with it.
    page.m_strChannels = QStringLiteral("op");
    page.m_strSampleRate = QStringLiteral("8000");
    page.UpdateData(false);
    EXPECT_EQ(combo(Page::IDC_CHANNELS)->currentText(), QStringLiteral("OPTC"));
    EXPECT_EQ(combo(Page::IDC_SAMPLE_RATE)->currentText(), QStringLiteral("8000"));
}

}  // namespace
}  // namespace quilbo::test
