// The sound level meter against IEC 61672-1's class 1 limits (the weightings at the standard's
// frequencies, the 4 kHz tone-burst responses), an input calibrated with a calibrator's tone, the
// band analyser against IEC 61260-1's class 1 mask at the mask's points, periodic pink noise read
// flat, the averages, and the live meter and analyser fed block by block.
#include "measure/BandAnalyser.h"
#include "measure/BandAverage.h"
#include "measure/LevelCalibration.h"
#include "measure/LevelMeter.h"
#include "measure/LiveAnalysis.h"
#include "measure/Weighting.h"
#include "synth/StandardSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <random>

namespace quilbo {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kG = std::pow(10.0, 0.3);

std::vector<float> tone(double frequency, double amplitude, double seconds, int rate) {
    std::vector<float> samples(static_cast<std::size_t>(seconds * rate));
    for (std::size_t n = 0; n < samples.size(); ++n) {
        samples[n] =
            static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * frequency * n / rate));
    }
    return samples;
}

// Class 1 limits above and below the design goal at the nominal frequencies 10 Hz to 20 kHz, the
// n-th (from 0) at 1 kHz 10^((n - 20)/10).
constexpr double kOver[] = {3.5, 3.0, 2.5, 2.5, 2.0, 1.5, 1, 1, 1, 1, 1,   1,   1,   1, 1, 1,   1,
                            1,   1,   1,   0.7, 1,   1,   1, 1, 1, 1, 1.5, 1.5, 1.5, 2, 2, 2.5, 3};
constexpr double kUnder[] = {kInf, kInf, 4.5, 2.5, 2.0, 1.5, 1, 1, 1,   1,   1, 1,
                             1,    1,    1,   1,   1,   1,   1, 1, 0.7, 1,   1, 1,
                             1,    1,    1,   1.5, 2.0, 2.5, 3, 5, 16,  kInf};
static_assert(std::size(kOver) == 34 && std::size(kUnder) == 34);

// Every rate from 8 to 192 kHz; the table's frequencies below Nyquist. The worst error is
// printed, and held to 0.15 dB.
TEST(Weighting, FiltersStayWithinClassOneAtEveryFrequencyOfTheTable) {
    for (const int rate : {8000, 16000, 32000, 44100, 48000, 96000, 192000}) {
        for (const FrequencyWeighting w : {FrequencyWeighting::A, FrequencyWeighting::C}) {
            const WeightingFilter filter(w, rate);
            double worst = 0.0;
            for (int n = 0; n < 34 && 1000.0 * std::pow(10.0, (n - 20) / 10.0) < rate / 2.0; ++n) {
                const double f = 1000.0 * std::pow(10.0, (n - 20) / 10.0);
                const double error = filter.responseDb(f) - weightingDb(w, f);
                EXPECT_LE(error, kOver[n]) << rate << " Hz, " << f << " Hz";
                EXPECT_GE(error, -kUnder[n]) << rate << " Hz, " << f << " Hz";
                worst = std::max(worst, std::fabs(error));
            }
            EXPECT_LT(worst, 0.15) << rate;
            std::printf("%c at %6d Hz: worst %.3f dB from the design goal\n",
                        w == FrequencyWeighting::A ? 'A' : 'C', rate, worst);
        }
    }
    // The design goals themselves, against the standard's rounded table.
    EXPECT_NEAR(weightingDb(FrequencyWeighting::A, 10), -70.4, 0.05);
    EXPECT_NEAR(weightingDb(FrequencyWeighting::C, 1000 * std::pow(10, 1.3)), -11.2, 0.05);
}

// Tones through the meter read the filter's response: A, C and Z each, and the C peak.
TEST(LevelMeter, SteadyTonesReadTheirWeightedLevel) {
    const std::pair<double, double> cases[] = {{1000, 1.0}, {100, 0.1}, {31.5, 0.5}, {8000, 0.01}};
    for (const auto& [frequency, amplitude] : cases) {
        for (const FrequencyWeighting w :
             {FrequencyWeighting::A, FrequencyWeighting::C, FrequencyWeighting::Z}) {
            // A second to settle, so that the run holds no ringing from the tone's start.
            LevelMeter meter(48000, w, TimeWeighting::Slow);
            const std::vector<float> samples = tone(frequency, amplitude, 10, 48000);
            meter.process(std::span(samples).first(48000));
            meter.startRun();
            meter.process(std::span(samples).subspan(48000));
            const double wanted =
                20 * std::log10(amplitude) + WeightingFilter(w, 48000).responseDb(frequency);
            const LevelReadings r = meter.readings();
            EXPECT_NEAR(r.leqDb, wanted, 0.05) << frequency;
            // A sine's peak is 3.01 dB above its level (C-weighted, whatever the meter's).
            const double peak = 20 * std::log10(amplitude) + 3.01 +
                                WeightingFilter(FrequencyWeighting::C, 48000).responseDb(frequency);
            EXPECT_NEAR(r.peakDb, peak, 0.1) << frequency;
        }
    }
}

// A 4 kHz burst of whole cycles from a zero crossing: the highest time-weighted level against
// the steady tone's level is 10 lg(1 - exp(-T / tau)), within the class 1 limits.
TEST(LevelMeter, ToneBurstsReadWithinClassOne) {
    struct Burst {
        double ms, over, under;
    };
    constexpr Burst kBursts[] = {{1000, 0.5, 0.5}, {500, 0.5, 0.5}, {200, 0.5, 0.5},
                                 {100, 1.0, 1.0},  {50, 1.0, 1.0},  {20, 1.0, 1.0},
                                 {10, 1.0, 1.0},   {5, 1.0, 1.0},   {2, 1.0, 1.5},
                                 {1, 1.0, 2.0},    {0.5, 1.0, 2.5}, {0.25, 1.0, 3.0}};
    constexpr int kRate = 48000;
    const std::vector<float> steady = tone(4000, 0.5, 10, kRate);
    for (const TimeWeighting time : {TimeWeighting::Fast, TimeWeighting::Slow}) {
        LevelMeter meter(kRate, FrequencyWeighting::A, time);
        meter.process(steady);
        const double steadyDb = meter.readings().levelDb;
        for (const Burst& burst : kBursts) {
            std::vector<float> signal(steady.begin(),
                                      steady.begin() + std::lround(burst.ms * kRate / 1000));
            signal.resize(signal.size() + kRate, 0.0f);
            meter.reset();
            meter.process(signal);
            const double tau = timeConstantSeconds(time);
            const double wanted = 10 * std::log10(-std::expm1(-burst.ms / 1000 / tau));
            const double error = meter.readings().maxDb - steadyDb - wanted;
            EXPECT_TRUE(error <= burst.over && error >= -burst.under) << burst.ms << " ms";
            EXPECT_NEAR(error, 0.0, 0.2) << burst.ms << " ms";
        }
    }
}

// A calibrator's tone with room noise 40 dB below gives the sensitivity to 0.1 dB; what is not a
// steady tone in the 1 kHz octave, or clipped, or too short, gives none and says why.
TEST(Calibration, ACalibratorsToneGivesTheSensitivityAndNothingElseDoes) {
    struct Case {
        double frequency, amplitude, seconds, noise, calibrator;
        bool moved;  // the level halves midway
        CalibratorProblem problem;
    };
    const double quiet = std::pow(10.0, -26.0 / 20);
    const Case cases[] = {{1000, quiet, 4, 5e-4, 94, false, CalibratorProblem::None},
                          {1000, quiet, 4, 5e-4, 114, false, CalibratorProblem::None},
                          {1000, 0.1, 3, 0, 94, false, CalibratorProblem::TooShort},
                          {1000, 1.0, 4, 0, 94, false, CalibratorProblem::Over},
                          {250, 0.1, 4, 0, 94, false, CalibratorProblem::NoTone},
                          {1000, 0.0, 4, 0.05, 94, false, CalibratorProblem::NoTone},
                          {1000, 0.1, 4, 0, 94, true, CalibratorProblem::Unsteady}};
    std::mt19937 random(7);
    for (const Case& c : cases) {
        std::vector<float> signal = tone(c.frequency, c.amplitude, c.seconds, 48000);
        std::normal_distribution<float> noise(0.0f, static_cast<float>(c.noise));
        for (std::size_t n = 0; n < signal.size(); ++n) {
            signal[n] = signal[n] * (c.moved && n > signal.size() / 2 ? 0.5f : 1.0f) +
                        (c.noise > 0 ? noise(random) : 0.0f);
        }
        CalibratorReader reader(48000, c.calibrator);
        reader.process(signal);
        const CalibratorReading reading = reader.reading();
        EXPECT_EQ(reading.problem, c.problem) << c.frequency << " " << c.amplitude;
        EXPECT_EQ(reading.sensitivityDb.has_value(), c.problem == CalibratorProblem::None);
        if (reading.sensitivityDb) {
            EXPECT_NEAR(*reading.sensitivityDb, -26.0 - (c.calibrator - 94), 0.1);
            // A tone 20 dB below the calibrator's then reads 20 dB below it in dB SPL.
            LevelMeter meter(48000, FrequencyWeighting::Z, TimeWeighting::Fast);
            meter.process(tone(1000, quiet / 10, 2, 48000));
            EXPECT_NEAR(LevelScale{reading.sensitivityDb}.shown(meter.readings().leqDb),
                        c.calibrator - 20, 0.1);
        }
    }
    // A data sheet's -30 dB, and a unit whose file says it reads 1.5 dB hot.
    EXPECT_DOUBLE_EQ(LevelScale::fromSensitivity(-30, 1.5).shown(-28.5), 94.0);
}

// Class 1 limits on the relative attenuation at the octave filter's breakpoints G^e; for 1/b
// octave the breakpoint moves to 1 + (G^(1/2b) - 1) / (G^(1/2) - 1) (G^e - 1), and below the
// centre to its reciprocal.
struct MaskPoint {
    double exponent, least, most;
};
constexpr MaskPoint kMask[] = {{0, -0.4, 0.4},     {0.125, -0.4, 0.5}, {0.25, -0.4, 0.7},
                               {0.375, -0.4, 1.4}, {0.5, 1.2, 5.3},    {1, 17.5, kInf},
                               {2, 42.5, kInf},    {3, 62.0, kInf},    {4, 70.0, kInf}};

double maskFrequency(double centre, int b, double exponent, bool above) {
    const double omega =
        1 + (std::pow(kG, 0.5 / b) - 1) / (std::pow(kG, 0.5) - 1) * (std::pow(kG, exponent) - 1);
    return above ? centre * omega : centre / omega;
}

// The band nearest each nominal centre, at the default 65536 points and 48 kHz, Hann window.
TEST(BandAnalyser, BandsMeetTheClassOneMaskAtItsPoints) {
    const std::pair<int, double> cases[] = {{1, 125},   {1, 1000},  {3, 25},
                                            {3, 1000},  {3, 16000}, {6, 1000},
                                            {12, 1000}, {24, 2000}, {48, 4000}};
    for (const auto& [b, nominal] : cases) {
        BandAnalysisSettings settings;
        settings.bandsPerOctave = b;
        BandAnalyser analyser(settings);
        const auto& bands = analyser.bands();
        std::size_t index = 0;
        while (index < bands.size() && std::fabs(bands[index].nominal - nominal) > 0.06 * nominal) {
            ++index;
        }
        ASSERT_TRUE(index < bands.size() && analyser.resolved(index)) << b << " " << nominal;
        std::vector<double> power(bands.size());
        for (const MaskPoint& point : kMask) {
            for (const bool above : {false, true}) {
                const double f = maskFrequency(bands[index].centre, b, point.exponent, above);
                if (f >= settings.rate / 2.0 || f < 1.0) {
                    continue;
                }
                analyser.analyse(tone(f, 1.0, 1.4, settings.rate), power);
                const double attenuation = -meanSquareDb(power[index]);
                EXPECT_GE(attenuation, point.least) << b << " " << nominal << " at " << f;
                EXPECT_LE(attenuation, point.most) << b << " " << nominal << " at " << f;
            }
        }
    }
}

// Base-ten centres named by their nominal frequencies, uniquely even at 1/48 octave.
TEST(BandAnalyser, BandsAreNamedByTheirNominalCentres) {
    const auto third = octaveBands(3, 20, 20000, 24000);
    ASSERT_EQ(third.size(), 31u);
    EXPECT_EQ(nominalName(third[5].nominal) + nominalName(third[30].nominal), "6320000");
    EXPECT_EQ(nominalName(octaveBands(6, 1000, 1100, 24000).at(0).nominal), "1060");
    const auto narrow = octaveBands(48, 20, 20000, 24000);
    for (std::size_t i = 1; i < narrow.size(); ++i) {
        EXPECT_LT(narrow[i - 1].nominal, narrow[i].nominal) << narrow[i].centre;
    }
}

// One period of periodic pink noise, unwindowed, at 48 and 96 kHz.
TEST(BandAnalyser, PeriodicPinkNoiseIsFlatInOneThirdOctaves) {
    for (const int rate : {48000, 96000}) {
        BandAnalysisSettings settings;
        settings.rate = rate;
        settings.window = FrameWindow::Rectangular;
        settings.lowestHz = 20;
        settings.frameLength = kPeriodicPinkFrames * (rate / 48000);
        const std::vector<float> pink = periodicPinkNoise(settings.frameLength, 11);
        BandAnalyser analyser(settings);
        std::vector<double> power(31);  // one-third octaves from 20 Hz to 20 kHz
        analyser.analyse(pink, power);
        const auto [low, high] = std::ranges::minmax_element(power);
        EXPECT_LT(meanSquareDb(*high) - meanSquareDb(*low), 0.4);  // each within 0.2 of the middle
    }
}

TEST(BandAverage, OverNSpectraAndForEverWithPeakHold) {
    BandAverage frames(1, {Averaging::Frames, 2}), forever(1, {Averaging::Forever, 1});
    for (const double p : {1.0, 5.0, 3.0}) {
        frames.add(std::vector<double>{p});
        forever.add(std::vector<double>{p});
    }
    EXPECT_EQ(frames.average()[0], 4.0);
    EXPECT_EQ(frames.peakHold()[0], 4.0);
    EXPECT_EQ(forever.average()[0], 3.0);
}

// Two seconds of a -20 dBFS 1 kHz tone on the second of two channels, fed in 20 ms blocks: the
// meter, a spectrum every 0.1 s with the tone in its band, and dB SPL under a sensitivity.
TEST(LiveAnalysis, BlocksFedReadAsTheToneTenSpectraASecond) {
    LiveSettings settings;
    settings.channel = 1;
    settings.weighting = FrequencyWeighting::C;
    settings.bands.bandsPerOctave = 3;
    settings.bands.frameLength = 8192;
    settings.averaging = {Averaging::Exponential, 4};
    settings.scale = LevelScale{-30.0};
    LiveAnalysis live(settings);
    const std::vector<float> mono = tone(1000, 1.0, 2, 48000);
    std::vector<float> stereo(mono.size() * 2, 0.5f);
    for (std::size_t n = 0; n < mono.size(); ++n) {
        stereo[2 * n + 1] = 0.1f * mono[n];
    }
    for (std::size_t at = 0; at < mono.size(); at += 960) {
        live.feed(stereo.data() + 2 * at, 960, 2);
    }
    const LiveSnapshot s = live.snapshot();
    EXPECT_EQ(s.spectra, 19u);  // the first once 8192 frames have come, then every 4800
    EXPECT_NEAR(s.meter.leqDb, 104.0, 0.05);
    for (std::size_t b = 0; b < s.bands.size(); ++b) {
        if (s.bands[b].nominal == 1000) {
            EXPECT_NEAR(s.bandDb[b], 104.0, 0.05);
        } else if (s.resolved[b]) {
            EXPECT_LT(s.bandDb[b], 70.0) << s.bands[b].nominal;
        }
    }
}

}  // namespace
}  // namespace quilbo
