// Telling pink noise from other noise in a test: the energy per octave, which pink noise keeps
// level while white noise gains 3 dB and brown noise loses 3 dB per octave.
#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <vector>

namespace quilbo::test {

namespace detail {

inline void fft(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * std::numbers::pi / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w(1);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

}  // namespace detail

// Energy in each of `octaves` octaves starting at lowest Hz, from a Hann-windowed periodogram
// averaged over blocks of 4096 samples.
inline std::vector<double> octaveEnergies(const std::vector<double>& samples, double rate,
                                          double lowest, int octaves) {
    constexpr std::size_t kBlock = 4096;
    std::vector<double> power(kBlock / 2, 0.0);
    std::vector<std::complex<double>> buffer(kBlock);
    for (std::size_t start = 0; start + kBlock <= samples.size(); start += kBlock / 2) {
        for (std::size_t i = 0; i < kBlock; ++i) {
            const double window =
                0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) / kBlock);
            buffer[i] = samples[start + i] * window;
        }
        detail::fft(buffer);
        for (std::size_t k = 0; k < kBlock / 2; ++k) {
            power[k] += std::norm(buffer[k]);
        }
    }
    std::vector<double> energies(static_cast<std::size_t>(octaves), 0.0);
    for (std::size_t k = 1; k < kBlock / 2; ++k) {
        const double frequency = static_cast<double>(k) * rate / kBlock;
        const int octave = static_cast<int>(std::floor(std::log2(frequency / lowest)));
        if (octave >= 0 && octave < octaves) {
            energies[static_cast<std::size_t>(octave)] += power[k];
        }
    }
    return energies;
}

// Least-squares slope of the octave energies, in dB per octave: about 0 for pink noise, +3 for
// white noise, -3 for brown noise.
inline double octaveSlopeDb(const std::vector<double>& energies) {
    const auto n = static_cast<double>(energies.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < energies.size(); ++i) {
        const double x = static_cast<double>(i);
        const double y = 10 * std::log10(energies[i]);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

}  // namespace quilbo::test
