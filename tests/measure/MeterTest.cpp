// The sound level meter against IEC 61672-1's class 1 limits: the weightings at the standard's
// frequencies, the 4 kHz tone-burst responses, and an input calibrated with a calibrator's tone.
#include "measure/LevelCalibration.h"
#include "measure/LevelMeter.h"
#include "measure/LiveAnalysis.h"
#include "measure/Weighting.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace quilbo {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// fadeIn: seconds of a raised cosine at the start, so that the weighting filters do not ring.
std::vector<float> tone(double frequency, double amplitude, double seconds, int rate,
                        double fadeIn = 0.0) {
    std::vector<float> samples(static_cast<std::size_t>(seconds * rate));
    const double fadeFrames = fadeIn * rate;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double fade =
            n < fadeFrames ? 0.5 - 0.5 * std::cos(std::numbers::pi * n / fadeFrames) : 1.0;
        samples[n] = static_cast<float>(fade * amplitude *
                                        std::sin(2 * std::numbers::pi * frequency * n / rate));
    }
    return samples;
}

// Class 1 limits at the nominal frequencies 10 Hz (n = -20) to 20 kHz (n = 13), the exact
// frequency being 1 kHz 10^(n/10).
struct Limit {
    int n;
    double over, under;
};
constexpr Limit kWeightingLimits[] = {
    {-20, 3.5, kInf}, {-19, 3.0, kInf}, {-18, 2.5, 4.5}, {-17, 2.5, 2.5}, {-16, 2.0, 2.0},
    {-15, 1.5, 1.5},  {-14, 1.0, 1.0},  {-13, 1.0, 1.0}, {-12, 1.0, 1.0}, {-11, 1.0, 1.0},
    {-10, 1.0, 1.0},  {-9, 1.0, 1.0},   {-8, 1.0, 1.0},  {-7, 1.0, 1.0},  {-6, 1.0, 1.0},
    {-5, 1.0, 1.0},   {-4, 1.0, 1.0},   {-3, 1.0, 1.0},  {-2, 1.0, 1.0},  {-1, 1.0, 1.0},
    {0, 0.7, 0.7},    {1, 1.0, 1.0},    {2, 1.0, 1.0},   {3, 1.0, 1.0},   {4, 1.0, 1.0},
    {5, 1.0, 1.0},    {6, 1.0, 1.0},    {7, 1.5, 1.5},   {8, 1.5, 2.0},   {9, 1.5, 2.5},
    {10, 2.0, 3.0},   {11, 2.0, 5.0},   {12, 2.5, 16.0}, {13, 3.0, kInf},
};

// Every rate from 8 to 192 kHz; the table's frequencies below Nyquist. The worst error is
// printed, and held to 0.15 dB.
TEST(Weighting, FiltersStayWithinClassOneAtEveryFrequencyOfTheTable) {
    for (const int rate : {8000, 16000, 32000, 44100, 48000, 96000, 192000}) {
        for (const FrequencyWeighting w : {FrequencyWeighting::A, FrequencyWeighting::C}) {
            const WeightingFilter filter(w, rate);
            double worst = 0.0;
            for (const Limit& limit : kWeightingLimits) {
                const double f = 1000.0 * std::pow(10.0, limit.n / 10.0);
                if (f >= rate / 2.0) {
                    break;
                }
                const double error = filter.responseDb(f) - weightingDb(w, f);
                EXPECT_LE(error, limit.over) << rate << " Hz, " << f << " Hz";
                EXPECT_GE(error, -limit.under) << rate << " Hz, " << f << " Hz";
                worst = std::max(worst, std::fabs(error));
            }
            EXPECT_LT(worst, 0.15) << rate;
            std::printf("%c at %6d Hz: worst %.3f dB from the design goal\n",
                        w == FrequencyWeighting::A ? 'A' : 'C', rate, worst);
        }
    }
    // The design goals themselves, against the standard's rounded table.
    EXPECT_NEAR(weightingDb(FrequencyWeighting::A, 10), -70.4, 0.05);
    EXPECT_NEAR(weightingDb(FrequencyWeighting::A, 1000 * std::pow(10, -1.0)), -19.1, 0.05);
    EXPECT_NEAR(weightingDb(FrequencyWeighting::A, 1000 * std::pow(10, 0.6)), 1.0, 0.05);
    EXPECT_NEAR(weightingDb(FrequencyWeighting::C, 1000 * std::pow(10, 1.3)), -11.2, 0.05);
    EXPECT_NEAR(weightingDb(FrequencyWeighting::C, 31.62), -3.0, 0.05);
}

// Tones through the meter read the filter's response: A, C and Z each.
TEST(LevelMeter, SteadyTonesReadTheirWeightedLevel) {
    struct Case {
        double frequency, amplitude;
    };
    for (const Case c : {Case{1000, 1.0}, Case{100, 0.1}, Case{31.5, 0.5}, Case{8000, 0.01}}) {
        for (const FrequencyWeighting w :
             {FrequencyWeighting::A, FrequencyWeighting::C, FrequencyWeighting::Z}) {
            LevelMeter meter(48000, w, TimeWeighting::Slow);
            meter.process(tone(c.frequency, c.amplitude, 10, 48000, 0.05));
            const double wanted =
                20 * std::log10(c.amplitude) + WeightingFilter(w, 48000).responseDb(c.frequency);
            const LevelReadings r = meter.readings();
            EXPECT_NEAR(r.leqDb, wanted, 0.05) << c.frequency;
            EXPECT_NEAR(r.levelDb, wanted, 0.1) << c.frequency;
            // A sine's peak is 3.01 dB above its level (C-weighted, whatever the meter's).
            const double peak =
                20 * std::log10(c.amplitude) + 3.01 +
                WeightingFilter(FrequencyWeighting::C, 48000).responseDb(c.frequency);
            EXPECT_NEAR(r.peakDb, peak, 0.1) << c.frequency;
            EXPECT_EQ(r.overSamples > 0, c.amplitude == 1.0);
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
            EXPECT_LE(error, burst.over) << burst.ms << " ms";
            EXPECT_GE(error, -burst.under) << burst.ms << " ms";
            EXPECT_NEAR(error, 0.0, 0.2) << burst.ms << " ms";
        }
    }
}

// A calibrator's tone at -26 dBFS with room noise 40 dB below, then a tone read in dB SPL.
TEST(Calibration, CalibratorToneGivesTheSensitivityAndLevelsReadInDbSpl) {
    constexpr int kRate = 48000;
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.0005f);
    for (const double calibrator : {94.0, 114.0}) {
        std::vector<float> signal = tone(1000, std::pow(10.0, -26.0 / 20), 4, kRate);
        for (float& sample : signal) {
            sample += noise(random);
        }
        CalibratorReader reader(kRate, calibrator);
        reader.process(signal);
        const CalibratorReading reading = reader.reading();
        ASSERT_EQ(reading.problem, CalibratorProblem::None);
        ASSERT_TRUE(reading.sensitivityDb);
        EXPECT_NEAR(*reading.sensitivityDb, -26.0 - (calibrator - 94), 0.1);

        LevelMeter meter(kRate, FrequencyWeighting::Z, TimeWeighting::Fast);
        meter.process(tone(1000, std::pow(10.0, -46.0 / 20), 2, kRate));
        const LevelScale scale{reading.sensitivityDb};
        EXPECT_NEAR(scale.shown(meter.readings().leqDb), calibrator - 20, 0.1);
    }
    // A data sheet's -30 dB, and a unit whose file says it reads 1.5 dB hot.
    EXPECT_DOUBLE_EQ(LevelScale::fromSensitivity(-30, 1.5).shown(-28.5), 94.0);
    EXPECT_DOUBLE_EQ(LevelScale{}.shown(-28.5), -28.5);
}

TEST(Calibration, WhatIsNotASteadyCalibratorToneIsRefused) {
    constexpr int kRate = 48000;
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    std::vector<float> loudNoise(4 * kRate);
    for (float& sample : loudNoise) {
        sample = noise(random);
    }
    std::vector<float> moved = tone(1000, 0.1, 4, kRate);
    for (std::size_t n = 2 * kRate; n < moved.size(); ++n) {
        moved[n] *= 0.5f;
    }
    struct Case {
        std::vector<float> signal;
        CalibratorProblem problem;
    };
    const Case cases[] = {
        {tone(1000, 0.1, 3, kRate), CalibratorProblem::TooShort},
        {tone(1000, 1.0, 4, kRate), CalibratorProblem::Over},
        {tone(250, 0.1, 4, kRate), CalibratorProblem::NoTone},
        {loudNoise, CalibratorProblem::NoTone},
        {moved, CalibratorProblem::Unsteady},
    };
    for (const Case& c : cases) {
        CalibratorReader reader(kRate, 94);
        reader.process(c.signal);
        EXPECT_EQ(reader.reading().problem, c.problem);
        EXPECT_FALSE(reader.reading().sensitivityDb);
    }
}

}  // namespace
}  // namespace quilbo
