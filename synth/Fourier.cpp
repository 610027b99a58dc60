// The radix-2 transform: bit-reversal, then butterflies over a shared twiddle table.
#include "synth/Fourier.h"

#include <numbers>
#include <utility>

namespace quilbo {

FourierTransform::FourierTransform(std::size_t length) : m_length(length) {
    m_twiddles.reserve(length / 2);
    for (std::size_t k = 0; k < length / 2; ++k) {
        m_twiddles.push_back(std::polar(
            1.0, -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(length)));
    }
}

void FourierTransform::run(std::vector<std::complex<double>>& data, bool inverse) const {
    const std::size_t n = m_length;
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(data[i], data[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::size_t half = length / 2;
        const std::size_t stride = n / length;
        for (std::size_t start = 0; start < n; start += length) {
            for (std::size_t k = 0; k < half; ++k) {
                const std::complex<double> t = m_twiddles[k * stride];
                const std::complex<double> w = inverse ? std::conj(t) : t;
                const std::complex<double> odd = data[start + k + half] * w;
                data[start + k + half] = data[start + k] - odd;
                data[start + k] += odd;
            }
        }
    }
}

}  // namespace quilbo
