// The band analyser against IEC 61260-1's class 1 mask at the mask's points, periodic pink
// noise read flat, the averages, and the live meter and analyser fed block by block.
#include "measure/BandAnalyser.h"
#include "measure/LiveAnalysis.h"
#include "measure/SpectrumAverage.h"
#include "synth/StandardSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace quilbo {
namespace {

constexpr double kUnbounded = std::numeric_limits<double>::infinity();
const double kG = std::pow(10.0, 0.3);

std::vector<float> fullScaleTone(double frequency, double seconds, int rate) {
    std::vector<float> samples(static_cast<std::size_t>(seconds * rate));
    for (std::size_t n = 0; n < samples.size(); ++n) {
        samples[n] = static_cast<float>(std::sin(2 * std::numbers::pi * frequency * n / rate));
    }
    return samples;
}

// Class 1 limits on the relative attenuation at the octave filter's breakpoints G^e; for 1/b
// octave the breakpoint moves to 1 + (G^(1/2b) - 1) / (G^(1/2) - 1) (G^e - 1), and below the
// centre to its reciprocal.
struct MaskPoint {
    double exponent, least, most;
};
constexpr MaskPoint kMask[] = {{0, -0.4, 0.4},        {0.125, -0.4, 0.5},    {0.25, -0.4, 0.7},
                               {0.375, -0.4, 1.4},    {0.5, 1.2, 5.3},       {1, 17.5, kUnbounded},
                               {2, 42.5, kUnbounded}, {3, 62.0, kUnbounded}, {4, 70.0, kUnbounded}};

double maskFrequency(double centre, int b, double exponent, bool above) {
    const double omega =
        1 + (std::pow(kG, 0.5 / b) - 1) / (std::pow(kG, 0.5) - 1) * (std::pow(kG, exponent) - 1);
    return above ? centre * omega : centre / omega;
}

TEST(BandAnalyser, BandsMeetTheClassOneMaskAtItsPoints) {
    struct Case {
        int b;
        double nominal;  // the band tested; every resolved band of the set is checked at 1 kHz
    };
    for (const Case c : {Case{1, 125}, Case{1, 1000}, Case{3, 25}, Case{3, 1000}, Case{3, 16000},
                         Case{6, 1000}, Case{12, 1000}, Case{24, 2000}, Case{48, 4000}}) {
        BandAnalysisSettings settings;
        settings.bandsPerOctave = c.b;
        BandAnalyser analyser(settings);
        const auto& bands = analyser.bands();
        std::size_t index = 0;
        while (index < bands.size() &&
               std::fabs(bands[index].nominal - c.nominal) > 0.06 * c.nominal) {
            ++index;
        }
        ASSERT_LT(index, bands.size()) << c.b << " " << c.nominal;
        ASSERT_TRUE(analyser.resolved(index)) << c.b << " " << c.nominal;
        std::vector<double> power(bands.size());
        for (const MaskPoint& point : kMask) {
            for (const bool above : {false, true}) {
                const double f = maskFrequency(bands[index].centre, c.b, point.exponent, above);
                if (f >= settings.rate / 2.0 || f < 1.0) {
                    continue;
                }
                analyser.analyse(fullScaleTone(f, 1.4, settings.rate), power);
                const double attenuation = -meanSquareDb(power[index]);
                EXPECT_GE(attenuation, point.least) << c.b << " " << c.nominal << " at " << f;
                EXPECT_LE(attenuation, point.most) << c.b << " " << c.nominal << " at " << f;
            }
        }
    }
}

// Base-ten centres, their names, and which bands a frame resolves.
TEST(BandAnalyser, BandsAreNamedByTheirNominalCentres) {
    const auto third = octaveBands(3, 20, 20000, 24000);
    ASSERT_EQ(third.size(), 31u);
    EXPECT_EQ(nominalName(third.front().nominal), "20");
    EXPECT_EQ(nominalName(third[4].nominal), "50");
    EXPECT_EQ(nominalName(third[5].nominal), "63");
    EXPECT_EQ(nominalName(third.back().nominal), "20000");
    EXPECT_NEAR(third[17].centre, 1000.0, 1e-9);
    EXPECT_NEAR(third[17].upper / third[17].lower, std::pow(10.0, 0.1), 1e-12);
    const auto sixth = octaveBands(6, 900, 1100, 24000);
    ASSERT_EQ(sixth.size(), 2u);
    EXPECT_EQ(nominalName(sixth[0].nominal), "944");  // even b: 1 kHz is an edge
    EXPECT_EQ(nominalName(sixth[1].nominal), "1060");
    const auto narrow = octaveBands(48, 20, 20000, 24000);
    for (std::size_t i = 1; i < narrow.size(); ++i) {
        EXPECT_LT(narrow[i - 1].nominal, narrow[i].nominal) << narrow[i].centre;
        EXPECT_NEAR(narrow[i].lower, narrow[i - 1].upper, 1e-9 * narrow[i].centre);
    }
    BandAnalysisSettings settings;
    settings.bandsPerOctave = 3;
    const BandAnalyser analyser(settings);
    EXPECT_TRUE(analyser.resolved(4));   // 20 Hz at 65536 points
    EXPECT_FALSE(analyser.resolved(0));  // 10 Hz
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
        std::vector<double> power(analyser.bands().size());
        analyser.analyse(pink, power);
        ASSERT_EQ(power.size(), 31u);
        double mean = 0.0;
        for (const double p : power) {
            mean += meanSquareDb(p) / static_cast<double>(power.size());
        }
        for (std::size_t b = 0; b < power.size(); ++b) {
            EXPECT_NEAR(meanSquareDb(power[b]), mean, 0.2) << analyser.bands()[b].nominal;
        }
    }
}

TEST(SpectrumAverage, AveragesAndPeakHold) {
    struct Case {
        AveragingSettings settings;
        double wanted;  // after 1, 5, 3
    };
    for (const Case& c :
         {Case{{Averaging::Frames, 2}, 4.0}, Case{{Averaging::Forever, 2}, 3.0},
          Case{{Averaging::Exponential, 1}, 3 + (2 - 4 * std::exp(-1.0)) * std::exp(-1.0)}}) {
        SpectrumAverage average(1, c.settings);
        for (const double p : {1.0, 5.0, 3.0}) {
            average.add(std::vector<double>{p});
        }
        EXPECT_NEAR(average.average()[0], c.wanted, 1e-12);
        EXPECT_GE(average.peakHold()[0], average.average()[0]);
        EXPECT_EQ(average.count(), 3u);
    }
}

// Two seconds of a -20 dBFS 1 kHz tone on the second of two channels, fed in 20 ms blocks: the
// meter, a spectrum every 0.1 s with the tone in its band, and dB SPL under a sensitivity.
TEST(LiveAnalysis, BlocksFedReadAsTheToneTenSpectraASecond) {
    LiveSettings settings;
    settings.channel = 1;
    settings.weighting = FrequencyWeighting::C;
    settings.bands.bandsPerOctave = 3;
    settings.bands.frameLength = 8192;
    settings.averaging = {Averaging::Frames, 10};  // the last second: whole frames only
    settings.scale = LevelScale{-30.0};
    ASSERT_TRUE(isLiveSettings(settings));
    LiveAnalysis live(settings);
    const std::vector<float> mono = fullScaleTone(1000, 2, 48000);
    std::vector<float> stereo(mono.size() * 2, 0.5f);
    for (std::size_t n = 0; n < mono.size(); ++n) {
        stereo[2 * n + 1] = 0.1f * mono[n];
    }
    for (std::size_t at = 0; at < mono.size(); at += 960) {
        live.feed(stereo.data() + 2 * at, 960, 2);
    }
    const LiveSnapshot s = live.snapshot();
    EXPECT_TRUE(s.calibrated);
    EXPECT_FALSE(s.over);
    EXPECT_EQ(s.spectra, 19u);  // the first once 8192 frames have come, then every 4800
    EXPECT_NEAR(s.meter.leqDb, 104.0, 0.05);
    for (std::size_t b = 0; b < s.bands.size(); ++b) {
        if (s.bands[b].nominal == 1000) {
            EXPECT_NEAR(s.bandDb[b], 104.0, 0.05);
        } else if (s.resolved[b]) {
            EXPECT_LT(s.bandDb[b], 70.0) << s.bands[b].nominal;
        }
    }
    settings.spectraPerSecond = 0;
    EXPECT_FALSE(isLiveSettings(settings));
}

}  // namespace
}  // namespace quilbo
