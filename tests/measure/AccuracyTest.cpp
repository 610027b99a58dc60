// The analysis's fine figures against systems known exactly: a wire delayed by a fraction of a
// sample either side of a sample boundary, and what each smoothing width makes of a narrow peak
// or notch.
#include "measure/Analysis.h"
#include "measure/Biquad.h"
#include "measure/RealFft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace quilbo {
namespace {

constexpr std::size_t kSilence = 4800;

// Quiet, the one-second sweep delayed by `delay` samples (exactly, in the frequency domain: the
// sweep holds nothing near the Nyquist frequency), then filtered, then a second of tail.
std::vector<float> heard(const SweepSettings& sweep, double delay, const Biquad& filter = {}) {
    const std::vector<float> played = generateSweep(sweep);
    const std::size_t size = fastFftSize(kSilence + played.size() + sweep.rate);
    const RealFft fft(size);
    std::vector<double> samples(size, 0.0);
    std::copy(played.begin(), played.end(), samples.begin() + kSilence);
    std::vector<Complex> bins(size / 2 + 1);
    fft.forward(samples.data(), bins.data());
    for (std::size_t k = 0; k < bins.size(); ++k) {
        bins[k] *= std::polar(1.0, -2 * std::numbers::pi * double(k) * delay / double(size));
    }
    fft.inverse(bins.data(), samples.data());
    std::vector<float> recording(samples.begin(), samples.end());
    filter.process(recording);
    return recording;
}

Analysis analysed(const std::vector<float>& recording, const SweepSettings& sweep,
                  Smoothing smoothing) {
    AnalysisSettings settings;
    settings.sweep = sweep;
    settings.sweepStart = kSilence;
    settings.smoothing = smoothing;
    Analysis result = analyse(recording, settings);
    EXPECT_EQ(result.status, AnalysisStatus::Ok) << describeMeasureFailure(result.failure);
    return result;
}

TEST(Accuracy, DelayIsFoundWithinAFewHundredthsOfASampleOnEitherSideOfASampleBoundary) {
    struct Case {
        int rate;
        double delay;
    };
    // Both sides of the boundary at 100 samples, and a half sample, at the usual rate; a fraction
    // at each of the others, whose sweeps end elsewhere.
    const Case cases[] = {{48000, 100.0}, {48000, 100.3}, {48000, 99.7},
                          {48000, 37.5},  {44100, 100.7}, {96000, 99.7}};
    for (const auto& [rate, delay] : cases) {
        SweepSettings sweep;
        sweep.rate = rate;
        sweep.seconds = 1.0;
        sweep.to = std::min(20000.0, 0.45 * rate);
        const Analysis result = analysed(heard(sweep, delay), sweep, Smoothing::None);
        EXPECT_NEAR(result.delaySeconds * rate, delay, 0.02) << rate << " Hz";
        EXPECT_EQ(result.polarity, Polarity::Normal);
    }
}

// 10 log10 of |H|^2 averaged over log frequency across the band `octaves` wide centred on f.
double smoothedDb(const Biquad& filter, double f, double octaves) {
    const int steps = 2000;
    double sum = 0.0;
    for (int i = 0; i < steps; ++i) {
        sum += std::norm(filter.response(f * std::exp2(octaves * ((i + 0.5) / steps - 0.5))));
    }
    return 10 * std::log10(sum / steps);
}

// A +12 dB peak and a -12 dB notch a sixth of an octave wide at 1 kHz: every width gives the
// power's mean over log frequency across its band, centred on each point; a third of an octave
// leaves 7.7 dB of the peak, a 1/24 octave all but 0.3 dB; the top stays at 1 kHz.
TEST(Accuracy, EachSmoothingWidthAveragesANarrowPeakOrNotchOverItsOwnBand) {
    SweepSettings sweep;
    sweep.seconds = 1.0;
    struct Case {
        double gainDb;
        Smoothing smoothing;
        double lowest, highest;  // what is left of the 12 dB at 1 kHz
    };
    const Case cases[] = {
        {12, Smoothing::None, 11.95, 12.05},   {12, Smoothing::Octave48, 11.8, 12},
        {12, Smoothing::Octave24, 11.5, 11.9}, {12, Smoothing::Octave12, 10.5, 11.5},
        {12, Smoothing::Octave6, 9, 10.3},     {12, Smoothing::Octave3, 7, 8.5},
        {12, Smoothing::Octave1, 4, 5},        {-12, Smoothing::Octave24, -11.9, -11.5},
        {-12, Smoothing::Octave3, -6.5, -5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.gainDb << " dB, 1/" << 1 / smoothingOctaves(c.smoothing) << " octave");
        const Biquad filter = Biquad::peaking(sweep.rate, 1000, c.gainDb, 8.6);
        const Analysis result = analysed(heard(sweep, 50, filter), sweep, c.smoothing);
        const Response& r = result.response;
        double worst = 0.0;
        std::size_t extreme = 0;
        for (std::size_t i = 0; i < r.frequency.size(); ++i) {
            if (r.frequency[i] >= 100 && r.frequency[i] <= 10000) {
                const double wanted =
                    smoothedDb(filter, r.frequency[i], smoothingOctaves(c.smoothing));
                worst = std::max(worst, std::abs(r.db[i] - wanted));
            }
            if (c.gainDb * (r.db[i] - r.db[extreme]) > 0) {
                extreme = i;
            }
        }
        EXPECT_LT(worst, 0.05);
        EXPECT_NEAR(r.frequency[extreme], 1000, 1000 * (std::exp2(1.0 / 48) - 1));
        EXPECT_GE(r.db[extreme], c.lowest);
        EXPECT_LE(r.db[extreme], c.highest);
    }
}

}  // namespace
}  // namespace quilbo
