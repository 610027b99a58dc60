// A real-input FFT of even size on KissFFT's header-only template, in double precision.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

#include <kissfft/kissfft.hh>

namespace quilbo {

using Complex = std::complex<double>;

// The smallest even size >= n whose half has no prime factor above 5 (KissFFT's fast radices).
std::size_t fastFftSize(std::size_t n);

// Double precision because the deconvolution must resolve distortion 90 dB and more below the
// fundamental, which single precision over millions of samples cannot; Debian's KissFFT library
// is float only, so the header-only template is used (nothing to link).
class RealFft {
public:
    explicit RealFft(std::size_t size);  // size: even, from fastFftSize for speed

    std::size_t size() const { return m_size; }
    // size() samples in, size() / 2 + 1 bins out (bin k at k * rate / size()).
    void forward(const double* samples, Complex* bins) const;
    // The inverse of forward, scaled so that inverse(forward(x)) == x; `bins` is overwritten.
    void inverse(Complex* bins, double* samples) const;

private:
    std::size_t m_size;
    kissfft<double> m_fft;            // forward only: the inverse conjugates around it
    std::vector<Complex> m_twiddles;  // exp(-2 pi i k / size) for k < size / 2
    mutable std::vector<Complex> m_work;
};

}  // namespace quilbo
