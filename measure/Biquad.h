// Second-order IIR sections from the RBJ audio EQ cookbook: their exact response, and filtering
// a block with them (target curves, equaliser previews, and simulated systems to measure).
#pragma once

#include <complex>
#include <span>

namespace quilbo {

struct Biquad {
    // Normalised coefficients: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    int rate = 48000;

    static Biquad peaking(int rate, double frequency, double gainDb, double q);
    // The shelves take the cookbook's Q; a Q of 1/sqrt(2) is its slope S = 1 at every gain.
    static Biquad lowShelf(int rate, double frequency, double gainDb, double q);
    static Biquad highShelf(int rate, double frequency, double gainDb, double q);
    // Second-order high-pass (-3 dB at `frequency` for q = 0.7071).
    static Biquad highPass(int rate, double frequency, double q);

    // The exact complex response at `frequency` Hz.
    std::complex<double> response(double frequency) const;
    // Filters `samples` in place from a rest state (direct form I, double precision state).
    void process(std::span<float> samples) const;
};

}  // namespace quilbo
