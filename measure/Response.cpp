// Windowed spectra and their log-frequency, fractional-octave-smoothed views.
#include "measure/Response.h"

#include "measure/RealFft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quilbo {
namespace {

// Running sums over the bins, so that every band average costs two look-ups. Each bin weighs
// 1/f: the band is averaged over log frequency, as the axis shows it, so a narrow peak or notch
// smoothed stays where it is (a plain mean over the bins favours a band's upper half, and pulls
// the top of a smoothed peak below its frequency, by a third of an octave at 1/1).
class BandAverager {
public:
    explicit BandAverager(const Spectrum& spectrum) : m_spectrum(spectrum) {
        const std::size_t count = spectrum.bins.size();
        m_weight.resize(count + 1, 0.0);
        m_power.resize(count + 1, 0.0);
        m_value.resize(count + 1, 0.0);
        for (std::size_t k = 0; k < count; ++k) {
            const double weight = 1.0 / std::max(static_cast<double>(k), 0.5);
            m_weight[k + 1] = m_weight[k] + weight;
            m_power[k + 1] = m_power[k] + weight * std::norm(spectrum.bins[k]);
            m_value[k + 1] = m_value[k] + weight * spectrum.bins[k];
        }
    }

    // Mean power and mean complex value at `frequency` over a band `octaves` wide.
    std::pair<double, Complex> at(double frequency, double octaves) const {
        const auto last = static_cast<double>(m_spectrum.bins.size() - 1);
        if (octaves > 0) {
            const double spread = std::exp2(octaves / 2);
            const double low =
                std::clamp(std::ceil(frequency / spread / m_spectrum.binHz), 0.0, last);
            const double high =
                std::clamp(std::floor(frequency * spread / m_spectrum.binHz), 0.0, last);
            if (high - low >= 1.0) {
                const auto lo = static_cast<std::size_t>(low);
                const auto hi = static_cast<std::size_t>(high) + 1;
                const double weight = m_weight[hi] - m_weight[lo];
                return {(m_power[hi] - m_power[lo]) / weight, (m_value[hi] - m_value[lo]) / weight};
            }
        }
        const double position = std::clamp(frequency / m_spectrum.binHz, 0.0, last);
        const auto below = std::min(static_cast<std::size_t>(position),
                                    m_spectrum.bins.size() >= 2 ? m_spectrum.bins.size() - 2 : 0);
        const double fraction = std::min(1.0, position - static_cast<double>(below));
        const Complex value =
            m_spectrum.bins.size() >= 2
                ? m_spectrum.bins[below] * (1.0 - fraction) + m_spectrum.bins[below + 1] * fraction
                : m_spectrum.bins[0];
        return {std::norm(value), value};
    }

private:
    const Spectrum& m_spectrum;
    std::vector<double> m_weight;
    std::vector<double> m_power;
    std::vector<Complex> m_value;
};

}  // namespace

double smoothingOctaves(Smoothing smoothing) {
    switch (smoothing) {
        case Smoothing::None:
            return 0.0;
        case Smoothing::Octave48:
            return 1.0 / 48;
        case Smoothing::Octave24:
            return 1.0 / 24;
        case Smoothing::Octave12:
            return 1.0 / 12;
        case Smoothing::Octave6:
            return 1.0 / 6;
        case Smoothing::Octave3:
            return 1.0 / 3;
        case Smoothing::Octave1:
            return 1.0;
    }
    return 0.0;
}

Spectrum spectrumOf(const std::vector<double>& samples, std::size_t origin, double fraction,
                    int rate, std::size_t minimumSize) {
    const std::size_t size = fastFftSize(std::max(samples.size(), minimumSize));
    // Rotated so that the origin sample sits at index 0 and what precedes it wraps to the end.
    std::vector<double> buffer(size, 0.0);
    std::copy(samples.begin() + static_cast<std::ptrdiff_t>(origin), samples.end(), buffer.begin());
    std::copy(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(origin),
              buffer.end() - static_cast<std::ptrdiff_t>(origin));
    Spectrum spectrum;
    spectrum.binHz = static_cast<double>(rate) / static_cast<double>(size);
    spectrum.bins.resize(size / 2 + 1);
    RealFft(size).forward(buffer.data(), spectrum.bins.data());
    for (std::size_t k = 0; k < spectrum.bins.size(); ++k) {
        const double turn =
            2 * std::numbers::pi * static_cast<double>(k) * fraction / static_cast<double>(size);
        spectrum.bins[k] *= std::polar(1.0, turn);
    }
    return spectrum;
}

std::vector<double> logFrequencies(double from, double to, int pointsPerOctave) {
    std::vector<double> frequencies;
    for (int i = 0;; ++i) {
        const double frequency = from * std::exp2(static_cast<double>(i) / pointsPerOctave);
        if (frequency > to * (1 + 1e-9)) {
            return frequencies;
        }
        frequencies.push_back(frequency);
    }
}

Response responseOf(const Spectrum& spectrum, const std::vector<double>& frequencies,
                    Smoothing smoothing) {
    const BandAverager averager(spectrum);
    const double octaves = smoothingOctaves(smoothing);
    Response response;
    response.frequency = frequencies;
    for (const double frequency : frequencies) {
        const auto [power, value] = averager.at(frequency, octaves);
        response.db.push_back(10 * std::log10(std::max(power, 1e-30)));
        response.phaseDeg.push_back(std::arg(value) * 180 / std::numbers::pi);
    }
    return response;
}

std::vector<double> powerOf(const Spectrum& spectrum, const std::vector<double>& frequencies,
                            Smoothing smoothing) {
    const BandAverager averager(spectrum);
    const double octaves = smoothingOctaves(smoothing);
    std::vector<double> power;
    power.reserve(frequencies.size());
    for (const double frequency : frequencies) {
        power.push_back(averager.at(frequency, octaves).first);
    }
    return power;
}

}  // namespace quilbo
