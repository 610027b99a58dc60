// The weightings' poles from the standard's defining frequencies, and their digital sections.
#include "measure/Weighting.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <vector>

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

// The frequencies the fit looks at: the standard's from 10 Hz to 20 kHz and one between each
// two, below 0.49 of the rate.
std::vector<double> fitFrequencies(int rate) {
    std::vector<double> frequencies;
    for (int n = -40; n <= 26; ++n) {
        const double f = 1000.0 * std::pow(10.0, n / 20.0);
        if (f >= 0.49 * rate) {
            break;
        }
        frequencies.push_back(f);
    }
    return frequencies;
}

// Solves the 3x3 system m x = v in place (Gauss-Jordan with partial pivoting).
std::array<double, 3> solve3(std::array<std::array<double, 4>, 3> m) {
    for (std::size_t i = 0; i < 3; ++i) {
        std::size_t pivot = i;
        for (std::size_t r = i + 1; r < 3; ++r) {
            if (std::fabs(m[r][i]) > std::fabs(m[pivot][i])) {
                pivot = r;
            }
        }
        std::swap(m[i], m[pivot]);
        for (std::size_t r = 0; r < 3; ++r) {
            if (r != i && m[i][i] != 0.0) {
                const double k = m[r][i] / m[i][i];
                for (std::size_t c = 0; c < 4; ++c) {
                    m[r][c] -= k * m[i][c];
                }
            }
        }
    }
    std::array<double, 3> x{};
    for (std::size_t i = 0; i < 3; ++i) {
        x[i] = m[i][i] != 0.0 ? m[i][3] / m[i][i] : 0.0;
    }
    return x;
}

// The last section, whose magnitude times the sections before it should be the analog weighting.
// For two real poles p and q, |B(w)|^2 of b0 + b1 z^-1 + b2 z^-2 is linear in B0 = (b0+b1+b2)^2,
// B1 = (b0-b1+b2)^2 and B2 = -4 b0 b2, weighted by cos^2(w/2), sin^2(w/2) and sin^2(w): the
// numerator comes from a least-squares fit of the relative error, and the poles from a search
// for the smallest worst error in dB. The best poles are not where the analog ones map to: one
// sits near Nyquist, lifting the top octave that the mapping loses.
template <typename Section>
Section fittedSection(int rate, const std::function<double(double)>& wanted) {
    const std::vector<double> frequencies = fitFrequencies(rate);
    std::vector<double> targets;  // |H|^2 wanted of the section
    for (const double f : frequencies) {
        targets.push_back(wanted(f));
    }
    const auto make = [&](double p, double q) {
        Section s;
        s.a1 = -(p + q);
        s.a2 = p * q;
        std::array<std::array<double, 4>, 3> normal{};
        for (std::size_t i = 0; i <= frequencies.size(); ++i) {
            // Nyquist too, so that the numerator is pinned where the grid ends.
            const double f = i < frequencies.size() ? frequencies[i] : rate / 2.0;
            const double target = i < frequencies.size() ? targets[i] : wanted(f);
            const double w = 2 * pi * f / rate;
            const std::complex<double> z1 = std::polar(1.0, -w);
            const double poles = std::norm(1.0 + s.a1 * z1 + s.a2 * z1 * z1);
            const double phi1 = std::pow(std::sin(w / 2), 2), phi0 = 1 - phi1;
            const double row[3] = {phi0 / (target * poles), phi1 / (target * poles),
                                   4 * phi0 * phi1 / (target * poles)};
            for (std::size_t r = 0; r < 3; ++r) {
                for (std::size_t c = 0; c < 3; ++c) {
                    normal[r][c] += row[r] * row[c];
                }
                normal[r][3] += row[r];
            }
        }
        const std::array<double, 3> big = solve3(normal);
        const double sum = std::sqrt(std::max(0.0, big[0]));
        const double difference = std::sqrt(std::max(0.0, big[1]));
        const double half = (sum + difference) / 2;
        // b0 and b2 are the roots of t^2 - half t - B2 / 4; when they are not real the nearest
        // realisable numerator (a double zero) is taken, and its error counts against the poles.
        const double spread = std::sqrt(std::max(0.0, half * half + big[2]));
        s.b0 = (half + spread) / 2;
        s.b2 = (half - spread) / 2;
        s.b1 = (sum - difference) / 2;
        return s;
    };
    const auto worst = [&](const Section& s) {
        double error = 0.0;
        for (std::size_t i = 0; i < frequencies.size(); ++i) {
            const double got = std::norm(sectionGain(s, 2 * pi * frequencies[i] / rate));
            error = std::max(error, std::fabs(10 * std::log10(got / targets[i])));
        }
        return error;
    };
    // Coarse to fine over p >= q in (-0.95, 0.95).
    double bestP = 0.0, bestQ = 0.0, bestError = HUGE_VAL;
    double centreP = 0.0, centreQ = 0.0, reach = 0.9;
    for (const double step : {0.1, 0.025, 0.006, 0.0015}) {
        for (double p = centreP - reach; p <= centreP + reach + 1e-12; p += step) {
            for (double q = centreQ - reach; q <= std::min(p, centreQ + reach) + 1e-12; q += step) {
                if (std::fabs(p) > 0.95 || std::fabs(q) > 0.95) {
                    continue;
                }
                const double error = worst(make(p, q));
                if (error < bestError) {
                    bestError = error;
                    bestP = p;
                    bestQ = q;
                }
            }
        }
        centreP = bestP;
        centreQ = bestQ;
        reach = 1.5 * step;
    }
    return make(bestP, bestQ);
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
    // The sections so far, then the last fitted to what they leave of the analog weighting.
    const int fitted = m_count - 1;
    const auto wanted = [&](double f) {
        double before = 1.0;
        for (int i = 0; i < fitted; ++i) {
            before *= std::norm(
                sectionGain(m_sections[static_cast<std::size_t>(i)], 2 * pi * f / m_rate));
        }
        return std::norm(analogGain(weighting, f)) / before;
    };
    m_sections[static_cast<std::size_t>(fitted)] = fittedSection<Section>(m_rate, wanted);
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
