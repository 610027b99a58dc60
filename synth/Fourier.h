// A radix-2 discrete Fourier transform for the periodic signals made in the frequency domain.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace quilbo {

// Transforms of one power-of-two length, its twiddle factors computed once (each from its own
// angle: a running product drifts over 2^18 points).
class FourierTransform {
public:
    explicit FourierTransform(std::size_t length);

    std::size_t length() const noexcept { return m_length; }
    // In place, without scaling: forward with the negative exponent, inverse with the positive.
    // The data must hold length() values.
    void forward(std::vector<std::complex<double>>& data) const { run(data, false); }
    void inverse(std::vector<std::complex<double>>& data) const { run(data, true); }

private:
    void run(std::vector<std::complex<double>>& data, bool inverse) const;

    std::size_t m_length;
    std::vector<std::complex<double>> m_twiddles;  // e^(-2 pi i k / length), k < length / 2
};

}  // namespace quilbo
