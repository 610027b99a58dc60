// Cutting the harmonic impulse responses apart and comparing their spectra with the fundamental.
#include "measure/Distortion.h"

#include <cmath>
#include <limits>

namespace quilbo {
namespace {

constexpr double kNotMeasured = std::numeric_limits<double>::quiet_NaN();

// Each harmonic's window starts a tenth of the way to the next higher harmonic, so it holds the
// little that precedes the peak, and runs up to where the next lower harmonic's window starts.
struct HarmonicWindow {
    long long start = 0;
    std::size_t length = 0;
    std::size_t pre = 0;
    double fraction = 0.0;
};

std::array<HarmonicWindow, kHighestHarmonic> harmonicWindows(const SweepSettings& sweep,
                                                             double peak) {
    std::array<double, kHighestHarmonic + 2> lead{};
    for (int k = 1; k <= kHighestHarmonic + 1; ++k) {
        lead[k] = harmonicLeadSeconds(sweep, k) * sweep.rate;
    }
    std::array<HarmonicWindow, kHighestHarmonic> windows;
    std::array<double, kHighestHarmonic + 1> pre{};
    for (int k = 1; k <= kHighestHarmonic; ++k) {
        pre[k] = std::floor(0.1 * (lead[k + 1] - lead[k]));
    }
    for (int k = 1; k <= kHighestHarmonic; ++k) {
        const int lower = std::max(k - 1, 1);
        const double post = k == 1 ? lead[2] - pre[1] : lead[k] - lead[k - 1] - pre[lower];
        const double position = peak - lead[k];
        const double nearest = std::round(position);
        HarmonicWindow& window = windows[k - 1];
        window.pre = static_cast<std::size_t>(pre[k]);
        window.start = static_cast<long long>(nearest) - static_cast<long long>(window.pre);
        window.length = window.pre + static_cast<std::size_t>(std::max(1.0, std::floor(post)));
        window.fraction = position - nearest;
    }
    return windows;
}

}  // namespace

HarmonicDistortion measureDistortion(const Deconvolution& deconvolution, const SweepSettings& sweep,
                                     double peak, const std::vector<double>& frequencies,
                                     Smoothing smoothing) {
    std::array<std::vector<double>, kHighestHarmonic> power;
    const auto windows = harmonicWindows(sweep, peak);
    for (int k = 1; k <= kHighestHarmonic; ++k) {
        const HarmonicWindow& window = windows[k - 1];
        const std::vector<double> samples = cutWindow(deconvolution, window.start, window.length,
                                                      window.pre / 2, window.length / 5);
        const Spectrum spectrum = spectrumOf(samples, window.pre, window.fraction, sweep.rate,
                                             static_cast<std::size_t>(sweep.rate));
        std::vector<double> at(frequencies.size());
        for (std::size_t i = 0; i < frequencies.size(); ++i) {
            at[i] = k * frequencies[i];
        }
        power[k - 1] = powerOf(spectrum, at, smoothing);
    }
    HarmonicDistortion result;
    result.frequency = frequencies;
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        double total = 0.0;
        bool any = false;
        for (int k = 2; k <= kHighestHarmonic; ++k) {
            double db = kNotMeasured;
            double percent = kNotMeasured;
            if (k * frequencies[i] <= sweep.to * (1 + 1e-9)) {
                const double ratio = power[k - 1][i] / std::max(power[0][i], 1e-300);
                total += ratio;
                any = true;
                db = 10 * std::log10(std::max(ratio, 1e-30));
                percent = 100 * std::sqrt(ratio);
            }
            result.harmonicDb[k - 2].push_back(db);
            result.harmonicPercent[k - 2].push_back(percent);
        }
        result.thdDb.push_back(any ? 10 * std::log10(std::max(total, 1e-30)) : kNotMeasured);
        result.thdPercent.push_back(any ? 100 * std::sqrt(total) : kNotMeasured);
    }
    return result;
}

}  // namespace quilbo
