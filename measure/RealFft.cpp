// The real FFT as a half-size complex KissFFT plus the usual split of even and odd samples.
#include "measure/RealFft.h"

#include <numbers>

namespace quilbo {

std::size_t fastFftSize(std::size_t n) {
    std::size_t half = std::max<std::size_t>(1, (n + 1) / 2);
    for (;; ++half) {
        std::size_t rest = half;
        for (const std::size_t p : {2, 3, 5}) {
            while (rest % p == 0) {
                rest /= p;
            }
        }
        if (rest == 1) {
            return 2 * half;
        }
    }
}

RealFft::RealFft(std::size_t size) : m_size(size), m_fft(size / 2, false), m_work(size / 2) {
    // By rotation from exact values every 256 steps: a sine per twiddle would cost as much as a
    // transform, and 256 rotations lose less than 1e-13.
    const std::size_t half = size / 2;
    const double step = -2 * std::numbers::pi / static_cast<double>(size);
    const Complex rotation = std::polar(1.0, step);
    m_twiddles.resize(half);
    for (std::size_t k = 0; k < half; ++k) {
        m_twiddles[k] = k % 256 == 0 ? std::polar(1.0, step * static_cast<double>(k))
                                     : m_twiddles[k - 1] * rotation;
    }
}

void RealFft::forward(const double* samples, Complex* bins) const {
    const std::size_t half = m_size / 2;
    m_fft.transform_real(samples, bins);
    // transform_real packs the Nyquist bin into the imaginary part of bin 0.
    bins[half] = Complex(bins[0].imag(), 0.0);
    bins[0] = Complex(bins[0].real(), 0.0);
}

void RealFft::inverse(Complex* bins, double* samples) const {
    const std::size_t half = m_size / 2;
    // Even samples' spectrum E and odd samples' O from X[k] = E[k] + w^k O[k]; z = even + i odd.
    for (std::size_t k = 0; k < half; ++k) {
        const Complex x = bins[k];
        const Complex mirror = std::conj(bins[half - k]);
        const Complex even = 0.5 * (x + mirror);
        const Complex odd = 0.5 * (x - mirror) * std::conj(m_twiddles[k]);
        // Conjugated, so that the forward transform computes the inverse one.
        m_work[k] = std::conj(even + Complex(0.0, 1.0) * odd);
    }
    m_fft.transform(m_work.data(), bins);
    const double scale = 1.0 / static_cast<double>(half);
    for (std::size_t n = 0; n < half; ++n) {
        samples[2 * n] = bins[n].real() * scale;
        samples[2 * n + 1] = -bins[n].imag() * scale;
    }
}

}  // namespace quilbo
