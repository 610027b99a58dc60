// Circular deconvolution by the sweep's regularised inverse spectrum.
//
// The inverse filter is the reciprocal of the generated sweep's own spectrum rather than the
// closed form of the ideal sweep: it also undoes the fades and the ripple at the band edges, so
// a wire measures flat to within a few thousandths of a dB across the sweep's range.
#include "measure/Deconvolution.h"

#include "measure/RealFft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quilbo {
namespace {

// Keeps the division finite where the sweep has almost no energy: 80 dB below its strongest
// bin, far below any in-band bin of a sweep (whose spectrum falls 3 dB an octave).
constexpr double kRegularisation = 1e-8;

// Above the sweep's end the recording holds only noise and harmonics: fade the inverse filter
// out over a sixth of an octave (or to the Nyquist frequency) so nothing is divided into there.
double upperBandGain(double frequency, double to, double nyquist) {
    const double top = std::min(to * std::pow(2.0, 1.0 / 6), nyquist);
    if (frequency <= to) {
        return 1.0;
    }
    if (frequency >= top) {
        return 0.0;
    }
    return 0.5 + 0.5 * std::cos(std::numbers::pi * (frequency - to) / (top - to));
}

// Samples either side taken into the interpolation between samples: the Hann-windowed sinc of
// this half-width is flat to the top of the sweep's band, a sixth of an octave short of Nyquist.
constexpr int kInterpolationTaps = 48;

// The deconvolution at `index` + `fraction`, as sinc interpolation of its samples.
double between(const Deconvolution& h, long long index, double fraction) {
    double sum = 0.0;
    for (int k = -kInterpolationTaps; k <= kInterpolationTaps; ++k) {
        const double x = fraction - k;
        const double sinc =
            std::abs(x) < 1e-12 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        const double window = 0.5 + 0.5 * std::cos(std::numbers::pi * x / (kInterpolationTaps + 1));
        sum += h.at(index + k) * sinc * window;
    }
    return sum;
}

}  // namespace

double Deconvolution::at(long long index) const {
    const auto size = static_cast<long long>(samples.size());
    const long long wrapped = ((index % size) + size) % size;
    return samples[static_cast<std::size_t>(wrapped)];
}

Deconvolution deconvolve(const SweepSettings& sweepSettings, std::span<const float> segment,
                         std::size_t sweepOffset) {
    const std::vector<float> sweep = generateSweep(sweepSettings);
    const std::size_t size = fastFftSize(std::max(segment.size(), sweep.size()));
    const RealFft fft(size);
    const std::size_t bins = size / 2 + 1;

    std::vector<double> buffer(size, 0.0);
    std::copy(sweep.begin(), sweep.end(), buffer.begin());
    std::vector<Complex> inverse(bins + 1);
    fft.forward(buffer.data(), inverse.data());

    std::fill(buffer.begin(), buffer.end(), 0.0);
    std::copy(segment.begin() + static_cast<std::ptrdiff_t>(sweepOffset), segment.end(),
              buffer.begin());
    std::copy(segment.begin(), segment.begin() + static_cast<std::ptrdiff_t>(sweepOffset),
              buffer.end() - static_cast<std::ptrdiff_t>(sweepOffset));
    std::vector<Complex> spectrum(bins + 1);
    fft.forward(buffer.data(), spectrum.data());

    double strongest = 0.0;
    for (std::size_t k = 0; k < bins; ++k) {
        strongest = std::max(strongest, std::norm(inverse[k]));
    }
    const double floor = kRegularisation * strongest;
    const double binHz = static_cast<double>(sweepSettings.rate) / static_cast<double>(size);
    const double nyquist = 0.5 * sweepSettings.rate;
    for (std::size_t k = 0; k < bins; ++k) {
        const double gain =
            upperBandGain(static_cast<double>(k) * binHz, sweepSettings.to, nyquist);
        const Complex x = inverse[k];
        spectrum[k] *= gain * std::conj(x) / (std::norm(x) + floor);
    }
    Deconvolution result;
    result.rate = sweepSettings.rate;
    result.samples.resize(size);
    fft.inverse(spectrum.data(), result.samples.data());
    return result;
}

double peakPosition(const Deconvolution& h, std::size_t index) {
    const auto i = static_cast<long long>(index);
    const double sign = h.at(i) < 0 ? -1.0 : 1.0;
    const auto height = [&](double fraction) { return sign * between(h, i, fraction); };
    // The main lobe is wider than two samples: its top lies within one of the largest sample.
    // A coarse look, then a golden-section search of the best step's neighbourhood.
    constexpr double kStep = 1.0 / 16;
    double best = 0.0;
    for (double t = -1.0; t <= 1.0; t += kStep) {
        if (height(t) > height(best)) {
            best = t;
        }
    }
    const double golden = 0.5 * (std::sqrt(5.0) - 1);
    double low = best - kStep, high = best + kStep;
    double a = high - golden * (high - low), b = low + golden * (high - low);
    double ha = height(a), hb = height(b);
    while (high - low > 1e-4) {
        if (ha > hb) {
            high = b;
            b = a;
            hb = ha;
            a = high - golden * (high - low);
            ha = height(a);
        } else {
            low = a;
            a = b;
            ha = hb;
            b = low + golden * (high - low);
            hb = height(b);
        }
    }
    return static_cast<double>(index) + 0.5 * (low + high);
}

std::vector<double> cutWindow(const Deconvolution& deconvolution, long long start,
                              std::size_t length, std::size_t rise, std::size_t fall) {
    std::vector<double> window(length);
    for (std::size_t n = 0; n < length; ++n) {
        double gain = 1.0;
        if (n < rise) {
            gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * (static_cast<double>(n) + 0.5) /
                                         static_cast<double>(rise));
        }
        if (const std::size_t fromEnd = length - 1 - n; fromEnd < fall) {
            gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * (static_cast<double>(fromEnd) + 0.5) /
                                         static_cast<double>(fall));
        }
        window[n] = gain * deconvolution.at(start + static_cast<long long>(n));
    }
    return window;
}

}  // namespace quilbo
