// The weightings' poles from the standard's defining frequencies, and their digital sections.
#include "measure/Weighting.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace quilbo {
namespace {

using std::numbers::pi;

// The four pole frequencies follow from the standard's defining constants (its annex on the
// weighting equations): fr = 1 kHz, fL = 10^1.5 Hz, fH = 10^3.9 Hz, D^2 = 1/2, fA = 10^2.45 Hz.
struct Poles {
    double f1, f2, f3, f4;
};

Poles poles() {
    const double fr = 1000.0, fl = std::pow(10.0, 1.5), fh = std::pow(10.0, 3.9);
    const double d = std::sqrt(0.5);
    const double b = (fr * fr + fl * fl * fh * fh / (fr * fr) - d * (fl * fl + fh * fh)) / (1 - d);
    const double c = fl * fl * fh * fh;
    const double root = std::sqrt(b * b - 4 * c);
    const double fa = std::pow(10.0, 2.45);
    return {std::sqrt((-b - root) / 2), (3 - std::sqrt(5.0)) / 2 * fa,
            (3 + std::sqrt(5.0)) / 2 * fa, std::sqrt((-b + root) / 2)};
}

// The analog weighting's complex gain before its normalisation at 1 kHz.
std::complex<double> analogGain(FrequencyWeighting weighting, double frequency) {
    static const Poles p = poles();
    const std::complex<double> s(0.0, 2 * pi * frequency);
    const auto pole = [&](double f) { return s + 2 * pi * f; };
    const std::complex<double> low = pow(2 * pi * p.f4, 2) / (pole(p.f4) * pole(p.f4));
    if (weighting == FrequencyWeighting::C) {
        return s * s / (pole(p.f1) * pole(p.f1)) * low;
    }
    if (weighting == FrequencyWeighting::A) {
        return s * s * s * s / (pole(p.f1) * pole(p.f1) * pole(p.f2) * pole(p.f3)) * low;
    }
    return 1.0;
}

// Two first-order high-passes at f and g through the pre-warped bilinear transform, as one
// section (the zeros at DC stay exactly at DC).
template <typename Section>
Section highPasses(double f, double g, int rate) {
    const double k = 2.0 * rate;
    const auto first = [&](double fp, double& b, double& a) {
        const double wp = k * std::tan(pi * fp / rate);
        b = k / (k + wp);
        a = -(k - wp) / (k + wp);
    };
    double bf, af, bg, ag;
    first(f, bf, af);
    first(g, bg, ag);
    Section s;
    s.b0 = bf * bg;
    s.b1 = -2 * bf * bg;
    s.b2 = bf * bg;
    s.a1 = af + ag;
    s.a2 = af * ag;
    return s;
}

template <typename Section>
std::complex<double> sectionGain(const Section& s, double w) {
    const std::complex<double> z1 = std::polar(1.0, -w);
    return (s.b0 + s.b1 * z1 + s.b2 * z1 * z1) / (1.0 + s.a1 * z1 + s.a2 * z1 * z1);
}

// |B(w)|^2 of b0 + b1 z^-1 + b2 z^-2 is linear in B0 = (b0+b1+b2)^2, B1 = (b0-b1+b2)^2 and
// B2 = -4 b0 b2, weighted by cos^2(w/2), sin^2(w/2) and sin^2(w): three magnitudes fix them.
template <typename Section>
Section matchedLowPass(double f0, int rate, double matchW) {
    Section s;
    const double p = std::exp(-2 * pi * f0 / rate);  // the double real pole, impulse-invariant
    s.a1 = -2 * p;
    s.a2 = p * p;
    const auto target = [&](double w) {  // |H|^2 of the analog double pole, times |A|^2
        const double r = 1 + std::pow(w * rate / (2 * pi * f0), 2);
        const std::complex<double> z1 = std::polar(1.0, -w);
        return std::norm(1.0 + s.a1 * z1 + s.a2 * z1 * z1) / (r * r);
    };
    const double big0 = target(0.0), big1 = target(pi);
    const double phi1 = std::pow(std::sin(matchW / 2), 2), phi0 = 1 - phi1;
    const double big2 = (target(matchW) - big0 * phi0 - big1 * phi1) / (4 * phi0 * phi1);
    const double sum = std::sqrt(big0), difference = std::sqrt(big1);
    const double half = (sum + difference) / 2;
    // b0 and b2 are the roots of t^2 - half t - big2 / 4: real unless the match asks too much,
    // when the nearest realisable numerator (a double zero) is taken.
    const double spread = std::sqrt(std::max(0.0, half * half + big2));
    s.b0 = (half + spread) / 2;
    s.b2 = (half - spread) / 2;
    s.b1 = (sum - difference) / 2;
    return s;
}

// The standard's frequencies from 10 Hz to 20 kHz, and those between them, below Nyquist.
template <typename Section>
double worstLowPassError(const Section& s, double f0, int rate) {
    double worst = 0.0;
    for (int n = -80; n <= 52; ++n) {
        const double f = 1000.0 * std::pow(10.0, n / 40.0);
        if (f >= 0.49 * rate) {
            break;
        }
        const double wanted = -20 * std::log10(1 + std::pow(f / f0, 2));
        const double got = 20 * std::log10(std::abs(sectionGain(s, 2 * pi * f / rate)));
        worst = std::max(worst, std::fabs(got - wanted));
    }
    return worst;
}

}  // namespace

double weightingDb(FrequencyWeighting weighting, double frequency) {
    if (weighting == FrequencyWeighting::Z) {
        return 0.0;
    }
    return 20 * std::log10(std::abs(analogGain(weighting, frequency)) /
                           std::abs(analogGain(weighting, 1000.0)));
}

bool isWeightingRate(int rate) {
    return rate >= kMinWeightingRate && rate <= kMaxWeightingRate;
}

WeightingFilter::WeightingFilter(FrequencyWeighting weighting, int rate)
    : m_weighting(weighting), m_rate(std::clamp(rate, kMinWeightingRate, kMaxWeightingRate)) {
    if (weighting == FrequencyWeighting::Z) {
        return;
    }
    const Poles p = poles();
    if (weighting == FrequencyWeighting::A) {
        m_sections[0] = highPasses<Section>(p.f1, p.f1, m_rate);
        m_sections[1] = highPasses<Section>(p.f2, p.f3, m_rate);
        m_count = 3;
    } else {
        m_sections[0] = highPasses<Section>(p.f1, p.f1, m_rate);
        m_count = 2;
    }
    Section best = matchedLowPass<Section>(p.f4, m_rate, pi / 2);
    double bestError = worstLowPassError(best, p.f4, m_rate);
    for (int k = 4; k <= 60; ++k) {
        const Section candidate = matchedLowPass<Section>(p.f4, m_rate, pi * k / 64);
        const double error = worstLowPassError(candidate, p.f4, m_rate);
        if (error < bestError) {
            best = candidate;
            bestError = error;
        }
    }
    m_sections[static_cast<std::size_t>(m_count - 1)] = best;
    // 0 dB at 1 kHz exactly, whatever the sections left there.
    const double gain = std::pow(10.0, -responseDb(1000.0) / 20);
    m_sections[0].b0 *= gain;
    m_sections[0].b1 *= gain;
    m_sections[0].b2 *= gain;
}

double WeightingFilter::responseDb(double frequency) const {
    const double w = 2 * pi * frequency / m_rate;
    double magnitude = 1.0;
    for (int i = 0; i < m_count; ++i) {
        magnitude *= std::abs(sectionGain(m_sections[static_cast<std::size_t>(i)], w));
    }
    return 20 * std::log10(magnitude);
}

void WeightingFilter::reset() {
    for (Section& s : m_sections) {
        s.z1 = 0.0;
        s.z2 = 0.0;
    }
}

}  // namespace quilbo
