// The analysis against systems whose answers are known exactly: a delayed wire, a
// polynomial nonlinearity, RBJ biquads, a clipped input, and a microphone with a shelf.
#include "measure/Analysis.h"
#include "measure/Biquad.h"
#include "measure/Calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

namespace quilbo {
namespace {

constexpr std::size_t kQuiet = 4800;
constexpr std::size_t kTail = 12000;

SweepSettings oneSecond(double levelDbfs) {
    SweepSettings sweep;
    sweep.seconds = 1.0;
    sweep.levelDbfs = levelDbfs;
    return sweep;
}

// Quiet, the sweep passed through `system`, and a tail.
std::vector<float> recordingOf(const SweepSettings& sweep,
                               const std::function<float(float)>& system) {
    std::vector<float> recording(kQuiet, 0.0f);
    for (const float x : generateSweep(sweep)) {
        recording.push_back(system(x));
    }
    recording.resize(recording.size() + kTail, 0.0f);
    return recording;
}

// Largest |measured - wanted(f)| over [low, high] Hz.
double worstError(const Response& r, double low, double high,
                  const std::function<double(double)>& wanted) {
    double worst = 0.0;
    for (std::size_t i = 0; i < r.frequency.size(); ++i) {
        if (r.frequency[i] >= low && r.frequency[i] <= high) {
            worst = std::max(worst, std::fabs(r.db[i] - wanted(r.frequency[i])));
        }
    }
    return worst;
}

Analysis analyseWhole(const std::vector<float>& recording, const SweepSettings& sweep) {
    AnalysisSettings settings;
    settings.sweep = sweep;
    settings.sweepStart = kQuiet;
    settings.smoothing = Smoothing::None;
    return analyse(recording, settings);
}

// Two channels swept in turn through the same wire, the second wired backwards, its quiet
// stretch holding a 1 kHz tone at -100 dBFS.
TEST(Analysis, WireIsFlatOnTimeUndistortedAndItsPolarityAndNoiseAreFound) {
    const SweepSettings sweep = oneSecond(-6);
    std::vector<float> played = recordingOf(sweep, [](float x) { return x; });
    const std::size_t second = played.size() + kQuiet;
    const std::vector<float> inverted = recordingOf(sweep, [](float x) { return -x; });
    played.insert(played.end(), inverted.begin(), inverted.end());
    std::vector<float> recording(123, 0.0f);  // 2.5625 ms late
    recording.insert(recording.end(), played.begin(), played.end());
    for (std::size_t n = second - kQuiet; n < second; ++n) {
        recording[n] +=
            static_cast<float>(1e-5 * std::sin(2 * std::numbers::pi * 1000 * n / 48000));
    }

    AnalysisSettings settings;
    settings.sweep = sweep;
    settings.smoothing = Smoothing::None;
    std::vector<Analysis> channels;
    for (const std::size_t start : {kQuiet, second}) {
        settings.sweepStart = start;
        settings.segmentStart = start - kQuiet;
        settings.segmentEnd = start == kQuiet ? second - kQuiet : 0;
        channels.push_back(analyse(recording, settings));
        ASSERT_EQ(channels.back().status, AnalysisStatus::Ok)
            << describeMeasureFailure(channels.back().failure);
    }
    const Analysis& wire = channels[0];
    EXPECT_NEAR(wire.delaySeconds * 1000, 123.0 / 48, 0.05);
    EXPECT_NEAR(channels[1].delaySeconds, wire.delaySeconds, 1e-9);
    EXPECT_EQ(wire.polarity, Polarity::Normal);
    EXPECT_EQ(channels[1].polarity, Polarity::Inverted);
    EXPECT_LT(worstError(wire.response, 30, 18000, [](double) { return 0.0; }), 0.1);
    for (const double thd : wire.distortion.thdDb) {
        EXPECT_TRUE(std::isnan(thd) || thd < -90) << thd;
    }
    EXPECT_NEAR(channels[1].noiseDbfs, -100, 0.01);
    // The fades take 0.07 dB from the sweep's -6 dBFS.
    EXPECT_NEAR(channels[1].snrDb, 94 - 0.07, 0.05);
}

TEST(Analysis, PolynomialDistortionGivesItsExactHarmonics) {
    const SweepSettings sweep = oneSecond(-6);
    const double a = sweepAmplitude(sweep);
    const auto system = [](float x) { return x + 0.05f * x * x + 0.01f * x * x * x; };
    const Analysis result = analyseWhole(recordingOf(sweep, system), sweep);
    ASSERT_EQ(result.status, AnalysisStatus::Ok) << describeMeasureFailure(result.failure);
    const double fundamental = a + 0.01 * 3 * a * a * a / 4;
    const double h2 = 20 * std::log10(0.05 * a * a / 2 / fundamental);
    const double h3 = 20 * std::log10(0.01 * a * a * a / 4 / fundamental);
    const HarmonicDistortion& d = result.distortion;
    for (std::size_t i = 0; i < d.frequency.size(); ++i) {
        if (d.frequency[i] >= 100 && d.frequency[i] <= 5000) {
            EXPECT_NEAR(d.harmonicDb[0][i], h2, 0.5) << d.frequency[i] << " Hz";
            EXPECT_NEAR(d.harmonicDb[1][i], h3, 0.5) << d.frequency[i] << " Hz";
            EXPECT_NEAR(d.harmonicPercent[0][i], 100 * std::pow(10, h2 / 20), 0.08);
        }
    }
}

// A wire and its echo 5 ms later (at half the level): a comb in the whole response, none in the
// response gated at 4 ms.
TEST(Analysis, GateKeepsAReflectionOut) {
    const SweepSettings sweep = oneSecond(-12);
    std::vector<float> recording = recordingOf(sweep, [](float x) { return x; });
    for (std::size_t n = recording.size() - 1; n >= 240; --n) {
        recording[n] += 0.5f * recording[n - 240];
    }
    AnalysisSettings settings;
    settings.sweep = sweep;
    settings.sweepStart = kQuiet;
    const Analysis whole = analyse(recording, settings);
    settings.gateMs = 4;
    const Analysis gated = analyse(recording, settings);
    ASSERT_EQ(gated.status, AnalysisStatus::Ok) << describeMeasureFailure(gated.failure);
    const auto flat = [](double) { return 0.0; };
    EXPECT_GT(worstError(whole.response, 1000, 18000, flat), 5.0);
    EXPECT_LT(worstError(gated.response, 100, 18000, flat), 0.1);
    EXPECT_EQ(gated.impulse.size(), gated.impulsePeak + 192);
}

TEST(Analysis, ClippedRecordingIsReportedAndNotAnalysed) {
    const auto clip = [](float x) { return std::clamp(2 * x, -1.0f, 1.0f); };
    const Analysis result = analyseWhole(recordingOf(oneSecond(-3), clip), oneSecond(-3));
    EXPECT_EQ(result.status, AnalysisStatus::Clipped);
    EXPECT_GT(result.clippedSamples, 1000u);
    EXPECT_TRUE(result.response.frequency.empty());
}

// A high shelf as the microphone, whose calibration file (1/12-octave points of the shelf) must
// take it out again. (A filter measured exactly: the emulated loudspeakers' in tests/measurecli.)
TEST(Analysis, ACalibrationRemovesTheMicrophonesResponse) {
    const SweepSettings sweep = oneSecond(-12);
    const Biquad shelf = Biquad::highShelf(48000, 1000, 3, 0.707);
    std::string file = "\"Sens Factor =-.7dB, SERNO: 1234\"\n* made for the test\n";
    for (double f = 10; f < 24000; f *= std::exp2(1.0 / 12)) {
        file += std::to_string(f) + "\t" +
                std::to_string(20 * std::log10(std::abs(shelf.response(f)))) + "\n";
    }
    const CalibrationResult calibration = parseCalibration(file);
    ASSERT_TRUE(calibration.calibration) << describeCalibrationError(calibration.error);
    EXPECT_EQ(calibration.calibration->sensitivityDb, -0.7);
    std::vector<float> recording = recordingOf(sweep, [](float x) { return x; });
    shelf.process(recording);
    Analysis heard = analyseWhole(recording, sweep);
    ASSERT_EQ(heard.status, AnalysisStatus::Ok) << describeMeasureFailure(heard.failure);
    calibration.calibration->removeFrom(heard.response);
    EXPECT_LT(worstError(heard.response, 30, 18000, [](double) { return 0.0; }), 0.1);
}

TEST(Analysis, BadRequestsAreRefusedWithTheirReason) {
    struct Case {
        std::function<void(SweepSettings&, AnalysisSettings&, std::vector<float>&)> spoil;
        MeasureProblem reason;
    };
    const Case cases[] = {
        {[](SweepSettings& s, auto&, auto&) { s.to = 30000; }, MeasureProblem::SweepEnd},
        {[](SweepSettings& s, auto&, auto&) { s.seconds = 0.5; }, MeasureProblem::SweepLength},
        {[](SweepSettings& s, auto&, auto&) { s.levelDbfs = 3; }, MeasureProblem::SweepLevel},
        {[](SweepSettings& s, auto&, auto&) { s.from = std::nan(""); }, MeasureProblem::SweepStart},
        {[](auto&, AnalysisSettings& a, auto&) { a.sweepStart = 40000; },
         MeasureProblem::RecordingTooShort},
        {[](auto&, AnalysisSettings& a, auto&) { a.segmentStart = kQuiet + 1; },
         MeasureProblem::Segment},
        {[](auto&, auto&, std::vector<float>& r) { r[100] = std::nanf(""); },
         MeasureProblem::RecordingNotNumber},
        {[](auto&, auto&, std::vector<float>& r) { std::fill(r.begin(), r.end(), 0.0f); },
         MeasureProblem::NotHeard},
        {[](auto&, auto&, std::vector<float>& r) { r.resize(r.size() - kTail - 50); },
         MeasureProblem::TailTooShort},
    };
    std::vector<float> heard = recordingOf(oneSecond(-6), [](float x) { return x; });
    heard.insert(heard.begin(), 50, 0.0f);
    for (const Case& c : cases) {
        AnalysisSettings settings;
        settings.sweep = oneSecond(-6);
        settings.sweepStart = kQuiet;
        std::vector<float> recording = heard;
        c.spoil(settings.sweep, settings, recording);
        const Analysis result = analyse(recording, settings);
        EXPECT_EQ(result.status, AnalysisStatus::Failed) << describeMeasureFailure({c.reason, {}});
        EXPECT_EQ(result.failure.code, c.reason) << describeMeasureFailure(result.failure);
    }
}

}  // namespace
}  // namespace quilbo
