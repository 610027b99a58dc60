// The Speakers page and its noise: each speaker heard on exactly its channel of a 5.1 sink's
// monitor on both servers, the noise's band, slope and level, and what the page says of the
// default output's layout.
#include "audio/PulseWaveOut.h"
#include "pages/SpeakerMap.h"
#include "pages/SpeakersPage.h"
#include "tests/support/ServerTest.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <cmath>
#include <complex>
#include <numbers>

namespace quilbo::test {
namespace {

double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
}

// RMS of each channel of interleaved 16-bit frames, relative to a full-scale sine.
std::vector<double> channelLevels(std::span<const std::uint8_t> bytes, int channels) {
    std::vector<double> sums(static_cast<std::size_t>(channels));
    const std::size_t frames = bytes.size() / 2 / static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < frames * static_cast<std::size_t>(channels); ++i) {
        const double value = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        sums[i % static_cast<std::size_t>(channels)] += value * value;
    }
    for (double& sum : sums) {
        sum = decibels(
            std::sqrt(sum / static_cast<double>(frames)) / (32767 / std::numbers::sqrt2) + 1e-12);
    }
    return sums;
}

class OnFiveOneSink : public ::testing::TestWithParam<ServerKind> {
protected:
    // The order ALSA and the WAVE speaker bits use, which differs from the page's channel order.
    SoundServer server{GetParam(),
                       {.channels = 6,
                        .channelMap = "front-left,front-right,front-center,lfe,"
                                      "rear-left,rear-right"}};
};

TEST_P(OnFiveOneSink, EachSpeakerIsHeardOnItsOwnChannelAndNoOther) {
    ASSERT_TRUE(server.start()) << server.log();
    PulseWaveOut pulse;
    CSpeakersPage page(&pulse, &pulse);
    QStringList messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages << text; });
    page.show();  // reads the output's layout, and takes it as the page's
    ASSERT_EQ(page.channelCount(), 6);
    // The sink's channel of each of the page's: front left, right, rear left, right, centre, LFE.
    const int sinkChannel[] = {0, 1, 4, 5, 2, 3};
    for (int channel = 0; channel < 6; ++channel) {
        SCOPED_TRACE(channel);
        SoundCapture capture(server);
        ASSERT_TRUE(capture.start());
        page.speakerMap()->speakerButton(channel)->click();
        EXPECT_TRUE(page.speakerMap()->isLit(channel));
        ASSERT_TRUE(QTest::qWaitFor([&] { return capture.bytesSoFar() >= 44100 * 12; }, 30000));
        std::vector<std::uint8_t> heard = capture.stop();
        page.OnStop();
        // A third of a second from the first sound on.
        const auto sound = std::find_if(heard.begin(), heard.end(), [](auto b) { return b != 0; });
        const std::size_t from = static_cast<std::size_t>(sound - heard.begin()) / 12 * 12;
        ASSERT_GE(heard.size(), from + 14700 * 12) << "no sound heard";
        const auto levels = channelLevels({heard.data() + from, 14700 * 12}, 6);
        for (int c = 0; c < 6; ++c) {
            if (c == sinkChannel[channel]) {
                EXPECT_NEAR(levels[c], kCheckLevelDbfs, 2.0) << "sink channel " << c;
            } else {
                EXPECT_LT(levels[c], -80.0) << "sink channel " << c;
            }
        }
        EXPECT_FALSE(page.speakerMap()->isLit(channel));
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

QUILBO_ON_BOTH_SERVERS(OnFiveOneSink);

struct Band {
    double low, high;
    std::size_t frames;  // enough harmonics in the band to weigh its octaves
};
class CheckNoise : public ::testing::TestWithParam<Band> {};

TEST_P(CheckNoise, HoldsOnlyItsBandWithEqualPowerPerOctaveAndPlaysAtTheCheckLevel) {
    constexpr double kRate = 44100;
    const Band band = GetParam();
    const std::size_t kFrames = band.frames;
    const std::vector<float> noise = periodicBandNoise(kFrames, kRate, band.low, band.high, 7);
    ASSERT_EQ(noise.size(), kFrames);
    // Power in each harmonic of the band, by direct sums; the whole power by Parseval.
    double total = 0;
    for (float x : noise) {
        total += double{x} * x;
    }
    EXPECT_NEAR(total / kFrames, 1.0, 1e-4);
    double inBand = 0, lowerOctave = 0, upperOctave = 0;
    const double middle = std::sqrt(band.low * band.high);
    for (auto k = static_cast<std::size_t>(band.low * kFrames / kRate) - 1;
         k <= static_cast<std::size_t>(band.high * kFrames / kRate) + 1; ++k) {
        std::complex<double> sum;
        for (std::size_t n = 0; n < kFrames; ++n) {
            sum += double{noise[n]} *
                   std::polar(1.0, -2 * std::numbers::pi * double(k * n % kFrames) / kFrames);
        }
        const double power = 2 * std::norm(sum) / kFrames;  // both halves of the spectrum
        inBand += power;
        (k * kRate / kFrames < middle ? lowerOctave : upperOctave) += power;
    }
    EXPECT_GT(inBand / total, 1 - 1e-6);
    // Pink: as much power below the band's geometric middle as above it.
    EXPECT_NEAR(decibels(lowerOctave / upperOctave) / 2, 0.0, 1.0);

    // Played on the second of three channels, looped: the check level there, silence elsewhere,
    // and no larger step at the seam than inside the period.
    const std::vector<CheckTurn> turn = {{noise, {0, 1}}};
    std::vector<std::uint8_t> block(checkBlockBytes(turn, 3));
    ASSERT_EQ(renderCheckBlock(turn, 3, 0, block), block.size());
    const auto levels = channelLevels(block, 3);
    EXPECT_NEAR(levels[1], kCheckLevelDbfs, 0.05);
    EXPECT_LT(std::max(levels[0], levels[2]), -200);
    auto sample = [&](std::size_t frame) {
        return static_cast<std::int16_t>(block[6 * frame + 2] | block[6 * frame + 3] << 8);
    };
    int largestStep = 0;
    for (std::size_t n = 1; n < kFrames; ++n) {
        largestStep = std::max(largestStep, std::abs(sample(n) - sample(n - 1)));
    }
    EXPECT_LE(std::abs(sample(0) - sample(kFrames - 1)), largestStep);
}

INSTANTIATE_TEST_SUITE_P(Check, CheckNoise,
                         ::testing::Values(Band{kCheckBandLowHz, kCheckBandHighHz, 8192},
                                           Band{kCheckLfeLowHz, kCheckLfeHighHz, 65536}));

struct FakeOutput : SinkLayoutSource {
    std::optional<SinkLayout> layout;
    std::optional<SinkLayout> defaultSinkLayout() override { return layout; }
};

TEST(CheckPage, WarnsOfAnOutputWithFewerChannelsAndPlaysNothingWithoutAServer) {
    FakeOutput output;
    const SinkLayout stereo{"Analog", {SpeakerPosition::FrontLeft, SpeakerPosition::FrontRight}};
    CSpeakersPage page(nullptr, &output);
    QStringList messages;
    page.setMessagePresenter([&](QWidget*, const QString& text) { messages << text; });
    auto* layout = qobject_cast<QComboBox*>(page.control(CSpeakersPage::IDC_LAYOUT));
    auto* said = qobject_cast<QLabel*>(page.control(CSpeakersPage::IDC_SINK));
    page.refreshSinkLayout();
    const QString noServer = said->text();

    output.layout = stereo;
    page.refreshSinkLayout();
    EXPECT_EQ(page.channelCount(), 2);
    const QString fits = said->text();
    EXPECT_TRUE(fits.contains("Analog")) << fits.toStdString();
    for (int choice : {CSpeakersPage::Quad, CSpeakersPage::Surround51}) {
        layout->setCurrentIndex(choice);
        EXPECT_TRUE(said->text().startsWith(fits) && said->text().contains("fewer"))
            << said->text().toStdString();
    }

    // Without a server: said so, and a click only brings the page's failure message.
    output.layout.reset();
    page.refreshSinkLayout();
    EXPECT_EQ(said->text(), noServer);
    EXPECT_NE(noServer, fits);
    page.speakerMap()->speakerButton(4)->click();
    page.OnCycle();
    EXPECT_EQ(messages, QStringList(2, CFrequencyPage::openFailedText()));
    EXPECT_FALSE(page.isPlaying() || page.speakerMap()->isLit(4));
}

}  // namespace
}  // namespace quilbo::test
