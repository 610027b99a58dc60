// Play and Stop on the Frequency page through a private PulseAudio server: the tone is found
// at the null sink's monitor, and Stop silences it.
#include "audio/PulseWaveOut.h"
#include "pages/FrequencyPage.h"
#include "tests/support/SoundServer.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quilbo::test {
namespace {

constexpr std::size_t kRate = 44100;
constexpr int kLoud = 1000;  // well above the silence of a null sink, well below the tone

struct Capture {
    std::vector<std::int16_t> left;  // the first channel of every captured frame

    explicit Capture(const std::vector<std::uint8_t>& bytes) {
        const std::size_t frames = bytes.size() / 4;
        left.resize(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            std::memcpy(&left[i], bytes.data() + i * 4, 2);
        }
    }

    std::size_t firstLoud(std::size_t from = 0) const {
        for (std::size_t i = from; i < left.size(); ++i) {
            if (std::abs(left[i]) > kLoud) {
                return i;
            }
        }
        return left.size();
    }

    std::size_t loudFrames() const {
        return static_cast<std::size_t>(std::count_if(
            left.begin(), left.end(), [](std::int16_t s) { return std::abs(s) > kLoud; }));
    }

    int peak(std::size_t from, std::size_t count) const {
        int peak = 0;
        for (std::size_t i = from; i < std::min(left.size(), from + count); ++i) {
            peak = std::max(peak, std::abs(static_cast<int>(left[i])));
        }
        return peak;
    }

    // Frequency from the sign changes over count frames.
    double frequency(std::size_t from, std::size_t count) const {
        int changes = 0;
        for (std::size_t i = from + 1; i < std::min(left.size(), from + count); ++i) {
            changes += (left[i] < 0) != (left[i - 1] < 0);
        }
        return changes / 2.0 * kRate / count;
    }
};

class FrequencyPulse : public ::testing::Test {
protected:
    SoundServer server;
    std::unique_ptr<PulseWaveOut> backend;
    std::unique_ptr<CFrequencyPage> page;
    QStringList messages;

    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.log();
        backend = std::make_unique<PulseWaveOut>();
        page = std::make_unique<CFrequencyPage>(backend.get());
        page->setMessagePresenter([this](QWidget*, const QString& text) { messages << text; });
        page->show();
    }

    void TearDown() override {
        if (page) {
            page->OnStop();
        }
        page.reset();
        backend.reset();
    }

    void click(int id) { qobject_cast<QAbstractButton*>(page->control(id))->click(); }
};

TEST_F(FrequencyPulse, PlayAtTheDefaultsSoundsOneKilohertzAndStopSilencesIt) {
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    click(CFrequencyPage::IDC_PLAY);
    ASSERT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
    ASSERT_TRUE(page->isPlaying());
    QTest::qWait(1200);
    click(CFrequencyPage::IDC_STOP);
    EXPECT_FALSE(page->isPlaying());
    const std::size_t stoppedAt = capture.bytesSoFar() / 4;
    QTest::qWait(800);
    const Capture heard(capture.stop());

    const std::size_t start = heard.firstLoud();
    ASSERT_LT(start + kRate / 2, heard.left.size()) << "no tone reached the sink";
    EXPECT_NEAR(heard.frequency(start + kRate / 20, kRate / 2), 1000.0, 4.0);
    // The bottom level: 5/48 of full scale.
    EXPECT_NEAR(heard.peak(start, kRate / 2), 3413, 2);
    // Within a third of a second of the Stop, and for as long as the capture ran, silence.
    const std::size_t quiet = stoppedAt + kRate / 3;
    ASSERT_LT(quiet + kRate / 4, heard.left.size());
    EXPECT_EQ(heard.peak(quiet, heard.left.size() - quiet), 0);
}

TEST_F(FrequencyPulse, ABlockWithoutRepeatPlaysOnceAndReturnsThePageToIdle) {
    qobject_cast<QLineEdit*>(page->control(CFrequencyPage::IDC_TIME))->setText("1");
    SoundCapture capture(server);
    ASSERT_TRUE(capture.start());
    click(CFrequencyPage::IDC_PLAY);
    ASSERT_TRUE(page->isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!page->isPlaying(), 5000);
    QTest::qWait(300);
    const Capture heard(capture.stop());
    // One second of tone, played once and whole: of a cosine of peak 3413, the share of frames
    // above the threshold is 1 - 2/pi * asin(threshold / 3413).
    const double share = 1 - 2 / M_PI * std::asin(kLoud / 3413.0);
    EXPECT_NEAR(static_cast<double>(heard.loudFrames()), share * kRate, 0.01 * kRate);
    EXPECT_TRUE(messages.isEmpty());

    // And the page plays again.
    click(CFrequencyPage::IDC_PLAY);
    EXPECT_TRUE(page->isPlaying());
}

TEST_F(FrequencyPulse, RatesAboveWhatTheServerTakesAreRefusedBeforeRendering) {
    std::vector<std::size_t> allocations;
    page->setBlockAllocator([&allocations](std::size_t bytes) {
        allocations.push_back(bytes);
        return SampleBlock::allocate(bytes);
    });
    qobject_cast<QComboBox*>(page->control(CFrequencyPage::IDC_SAMPLE_RATE))->setEditText("400000");
    click(CFrequencyPage::IDC_PLAY);
    EXPECT_EQ(messages, QStringList{CFrequencyPage::unsupportedFormatText()});
    EXPECT_TRUE(allocations.empty());
    EXPECT_FALSE(page->isPlaying());
}

}  // namespace
}  // namespace quilbo::test
