// Band power from bin power, with each band's bins and edge weights worked out once.
#include "measure/BandAnalyser.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace quilbo {
namespace {

// A band narrower than this many bins does not meet the mask under a Hann window (its main
// lobe is four bins wide); unwindowed, a periodic signal's bins do not leak.
constexpr double kHannResolvedBins = 6.0;
constexpr double kRectangularResolvedBins = 1.0;

}  // namespace

std::size_t defaultFrameLength(int rate) {
    const double wanted = std::max(256.0, 1.365 * rate);
    return std::size_t{1} << static_cast<int>(std::lround(std::log2(wanted)));
}

bool isBandAnalysis(const BandAnalysisSettings& s) {
    return s.rate >= 8000 && s.rate <= 768000 && isBandsPerOctave(s.bandsPerOctave) &&
           std::has_single_bit(s.frameLength) && s.frameLength >= 256 &&
           s.frameLength <= (std::size_t{1} << 22) &&
           !octaveBands(s.bandsPerOctave, s.lowestHz, s.highestHz, s.rate / 2.0).empty();
}

BandAnalyser::BandAnalyser(const BandAnalysisSettings& settings)
    : m_settings(settings), m_fft(isBandAnalysis(settings) ? settings.frameLength : 256) {
    if (!isBandAnalysis(settings)) {
        return;
    }
    const std::size_t n = settings.frameLength;
    m_bands = octaveBands(settings.bandsPerOctave, settings.lowestHz, settings.highestHz,
                          settings.rate / 2.0);
    m_window.assign(n, 1.0);
    if (settings.window == FrameWindow::Hann) {
        for (std::size_t i = 0; i < n; ++i) {
            m_window[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / n);
        }
    }
    // Parseval: sum (w x)^2 = (1/n) sum |X|^2 over all n bins; each bin below Nyquist stands for
    // itself and its mirror. Dividing by sum w^2 rather than n makes the window's loss good.
    double windowPower = 0.0;
    for (const double w : m_window) {
        windowPower += w * w;
    }
    m_scale = 2.0 / (static_cast<double>(n) * windowPower);

    // Bin k covers (k - 1/2, k + 1/2) bin widths; a band takes the part of each it overlaps.
    const double binHz = static_cast<double>(settings.rate) / n;
    const double resolvedBins =
        settings.window == FrameWindow::Hann ? kHannResolvedBins : kRectangularResolvedBins;
    for (const OctaveBand& band : m_bands) {
        const double low = band.lower / binHz + 0.5, high = band.upper / binHz + 0.5;
        Range r;
        r.first = static_cast<std::size_t>(std::floor(low));
        r.last = std::min(static_cast<std::size_t>(std::floor(high)), n / 2 - 1);
        r.firstWeight = r.first == r.last ? high - low : r.first + 1 - low;
        r.lastWeight = r.first == r.last ? 0.0 : high - static_cast<double>(r.last);
        r.resolved = high - low >= resolvedBins;
        m_ranges.push_back(r);
    }
    m_samples.resize(n);
    m_bins.resize(n / 2 + 1);
    m_binPower.resize(n / 2 + 1);
}

void BandAnalyser::analyse(std::span<const float> frame, std::span<double> power) {
    std::fill(power.begin(), power.end(), 0.0);
    if (m_bands.empty()) {
        return;
    }
    const std::size_t n = m_samples.size();
    const std::size_t taken = std::min(n, frame.size());
    for (std::size_t i = 0; i < taken; ++i) {
        m_samples[i] = frame[i] * m_window[i];
    }
    std::fill(m_samples.begin() + static_cast<std::ptrdiff_t>(taken), m_samples.end(), 0.0);
    m_fft.forward(m_samples.data(), m_bins.data());
    for (std::size_t k = 0; k < m_bins.size(); ++k) {
        m_binPower[k] = std::norm(m_bins[k]) * m_scale;
    }
    const std::size_t count = std::min(power.size(), m_ranges.size());
    for (std::size_t b = 0; b < count; ++b) {
        const Range& r = m_ranges[b];
        double sum = m_binPower[r.first] * r.firstWeight;
        for (std::size_t k = r.first + 1; k < r.last; ++k) {
            sum += m_binPower[k];
        }
        if (r.last > r.first) {
            sum += m_binPower[r.last] * r.lastWeight;
        }
        power[b] = sum;
    }
}

}  // namespace quilbo
