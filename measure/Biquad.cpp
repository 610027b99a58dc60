// The cookbook's formulas (Robert Bristow-Johnson), normalised by a0.
#include "measure/Biquad.h"

#include <cmath>
#include <numbers>

namespace quilbo {
namespace {

struct Raw {
    double b0, b1, b2, a0, a1, a2;
};

Biquad normalise(int rate, const Raw& r) {
    return {r.b0 / r.a0, r.b1 / r.a0, r.b2 / r.a0, r.a1 / r.a0, r.a2 / r.a0, rate};
}

struct Terms {
    double a, cosine, alpha;
};

Terms termsOf(int rate, double frequency, double gainDb, double q) {
    const double w0 = 2 * std::numbers::pi * frequency / rate;
    return {std::pow(10.0, gainDb / 40), std::cos(w0), std::sin(w0) / (2 * q)};
}

}  // namespace

Biquad Biquad::peaking(int rate, double frequency, double gainDb, double q) {
    const auto [a, c, alpha] = termsOf(rate, frequency, gainDb, q);
    return normalise(rate,
                     {1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a});
}

Biquad Biquad::lowShelf(int rate, double frequency, double gainDb, double q) {
    const auto [a, c, alpha] = termsOf(rate, frequency, gainDb, q);
    const double root = 2 * std::sqrt(a) * alpha;
    return normalise(rate, {a * ((a + 1) - (a - 1) * c + root), 2 * a * ((a - 1) - (a + 1) * c),
                            a * ((a + 1) - (a - 1) * c - root), (a + 1) + (a - 1) * c + root,
                            -2 * ((a - 1) + (a + 1) * c), (a + 1) + (a - 1) * c - root});
}

Biquad Biquad::highShelf(int rate, double frequency, double gainDb, double q) {
    const auto [a, c, alpha] = termsOf(rate, frequency, gainDb, q);
    const double root = 2 * std::sqrt(a) * alpha;
    return normalise(rate, {a * ((a + 1) + (a - 1) * c + root), -2 * a * ((a - 1) + (a + 1) * c),
                            a * ((a + 1) + (a - 1) * c - root), (a + 1) - (a - 1) * c + root,
                            2 * ((a - 1) - (a + 1) * c), (a + 1) - (a - 1) * c - root});
}

Biquad Biquad::highPass(int rate, double frequency, double q) {
    const auto [a, c, alpha] = termsOf(rate, frequency, 0.0, q);
    return normalise(rate, {(1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha});
}

std::complex<double> Biquad::response(double frequency) const {
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * frequency / rate);
    const std::complex<double> z2 = z1 * z1;
    return (b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2);
}

void Biquad::process(std::span<float> samples) const {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (float& sample : samples) {
        const double x = sample;
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        sample = static_cast<float>(y);
    }
}

}  // namespace quilbo
