// Frequency responses: the raw spectrum of a stretch of impulse response, and its values on a
// logarithmic frequency axis with optional fractional-octave smoothing.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace quilbo {

// FFT bins of an impulse response window: bin k lies at k * binHz.
struct Spectrum {
    double binHz = 0.0;
    std::vector<std::complex<double>> bins;
};

enum class Smoothing { None, Octave48, Octave24, Octave12, Octave6, Octave3, Octave1 };

// The smoothing's bandwidth as a fraction of an octave (1/48 ... 1), 0 for None.
double smoothingOctaves(Smoothing smoothing);

// A response on a frequency axis: magnitude in dB, phase in degrees (-180, 180].
struct Response {
    std::vector<double> frequency;
    std::vector<double> db;
    std::vector<double> phaseDeg;
};

// The spectrum of `samples` whose time origin is the sample at `origin` plus `fraction` of a
// sample (the phase is relative to that moment). Zero-padded to at least `minimumSize` bins'
// worth of samples, so the bins are no wider than rate / minimumSize.
Spectrum spectrumOf(const std::vector<double>& samples, std::size_t origin, double fraction,
                    int rate, std::size_t minimumSize);

// Points from `from` to `to` Hz, `pointsPerOctave` to the octave, starting at `from`.
std::vector<double> logFrequencies(double from, double to, int pointsPerOctave);

// The spectrum at each frequency: with smoothing, the power and the complex value averaged over
// log frequency across the band of that width centred (geometrically) on it; without smoothing,
// or where the band holds fewer than two bins, interpolated between the neighbouring bins.
Response responseOf(const Spectrum& spectrum, const std::vector<double>& frequencies,
                    Smoothing smoothing);

// Power |H|^2 at each frequency, smoothed as responseOf does.
std::vector<double> powerOf(const Spectrum& spectrum, const std::vector<double>& frequencies,
                            Smoothing smoothing);

}  // namespace quilbo
