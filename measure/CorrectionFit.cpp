// The fit works on each filter's level at the grid's points, kept per filter so that moving one
// costs one filter's evaluation. The search is a pattern search: each parameter tried a step
// either way, the steps halved when nothing improves. It needs no derivatives, respects the
// limits exactly, and gives the same answer every time.
#include "measure/CorrectionFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace quilbo {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Below this the fit stops adding filters: the response is as good as a measurement shows.
constexpr double kGoodEnoughDb = 0.5;
constexpr int kLongestSearch = 400;  // passes of the joint refinement, far beyond its need
constexpr double kFreeOctaves = 1.0 / 3;
// The largest misses each given a peak to try, so that one the limits hold back (a boost at the
// range's edge) does not end the search.
constexpr std::size_t kPeakCandidates = 6;

// A filter as the search moves it: log2 of its frequency, its gain and log2 of its Q.
struct Parameters {
    CorrectionFilterKind kind = CorrectionFilterKind::Peaking;
    double octave = 0, gainDb = 0, logQ = 0;
};

CorrectionFilter filterOf(const Parameters& p) {
    const bool shelf = p.kind != CorrectionFilterKind::Peaking;
    return {p.kind, std::exp2(p.octave), p.gainDb, shelf ? kShelfQ : std::exp2(p.logQ)};
}

class Fit {
public:
    Fit(const FitGrid& grid, const std::vector<double>& wanted, const FitLimits& limits)
        : m_grid(grid), m_wanted(wanted), m_limits(limits), m_sum(grid.size(), 0.0) {
        // Right beside the range a filter that corrects its edge cannot help boosting a little:
        // only further out does a boost count against the fit.
        const double low = limits.from * std::exp2(-kFreeOctaves);
        const double high = limits.to * std::exp2(kFreeOctaves);
        for (const double f : grid.frequency()) {
            m_boostWeight.push_back(f < low || f > high ? 1.0 : 0.0);
        }
    }

    // The squared misses in range and the boosts outside it; infinite beyond the boost limit.
    double cost(const std::vector<double>& sum) const {
        double total = 0;
        for (std::size_t i = 0; i < sum.size(); ++i) {
            if (sum[i] > m_limits.maxBoostDb + 1e-9) {
                return kInfinity;
            }
            const double miss = std::isnan(m_wanted[i]) ? m_boostWeight[i] * std::max(0.0, sum[i])
                                                        : sum[i] - m_wanted[i];
            total += miss * miss;
        }
        return total;
    }

    std::vector<double> levelOf(const Parameters& p) const {
        std::vector<double> db(m_grid.size(), 0.0);
        m_grid.addDb(biquadOf(filterOf(p), m_grid.rate()), db);
        return db;
    }

    Parameters clamped(Parameters p) const {
        p.octave = std::clamp(p.octave, std::log2(m_limits.from), std::log2(m_limits.to));
        const double highest = p.kind == CorrectionFilterKind::Peaking ? m_limits.maxBoostDb : 0.0;
        p.gainDb = std::clamp(p.gainDb, m_limits.deepestCutDb, highest);
        p.logQ = std::clamp(p.logQ, std::log2(m_limits.lowestQ), std::log2(m_limits.highestQ));
        return p;
    }

    // The sum with filter `index` replaced by `p`, and its cost.
    double costWith(std::size_t index, const std::vector<double>& level,
                    std::vector<double>& sum) const {
        for (std::size_t i = 0; i < sum.size(); ++i) {
            sum[i] = m_sum[i] - m_levels[index][i] + level[i];
        }
        return cost(sum);
    }

    // Adds the best of the candidates for the largest remaining miss; false when none helps.
    bool addOne() {
        std::vector<Parameters> candidates = peakCandidates();
        const std::vector<Parameters> shelves = shelfCandidates();
        candidates.insert(candidates.end(), shelves.begin(), shelves.end());
        const double now = cost(m_sum);
        double best = now;
        Parameters chosen;
        std::vector<double> sum(m_sum.size());
        for (Parameters p : candidates) {
            // A gain that would break the boost limit is halved until it does not.
            for (int tries = 0; tries < 8; ++tries, p.gainDb /= 2) {
                const std::vector<double> level = levelOf(p);
                for (std::size_t i = 0; i < sum.size(); ++i) {
                    sum[i] = m_sum[i] + level[i];
                }
                const double c = cost(sum);
                if (c < kInfinity) {
                    if (c < best) {
                        best = c;
                        chosen = p;
                    }
                    break;
                }
            }
        }
        if (!(best < now * 0.999)) {
            return false;
        }
        m_filters.push_back(chosen);
        m_levels.push_back(levelOf(chosen));
        for (std::size_t i = 0; i < m_sum.size(); ++i) {
            m_sum[i] += m_levels.back()[i];
        }
        refine(m_filters.size() - 1, m_filters.size());
        return true;
    }

    // Pattern search over filters [first, last).
    void refine(std::size_t first, std::size_t last) {
        double steps[3] = {0.25, 1.0, 0.5};  // octaves, dB, log2 of Q
        const double smallest[3] = {1.0 / 256, 0.01, 1.0 / 128};
        double current = cost(m_sum);
        std::vector<double> sum(m_sum.size());
        for (int pass = 0; pass < kLongestSearch && steps[0] >= smallest[0]; ++pass) {
            bool improved = false;
            for (std::size_t f = first; f < last; ++f) {
                const int parameters = m_filters[f].kind == CorrectionFilterKind::Peaking ? 3 : 2;
                for (int k = 0; k < parameters; ++k) {
                    for (const double sign : {1.0, -1.0}) {
                        Parameters p = m_filters[f];
                        double* value = k == 0 ? &p.octave : k == 1 ? &p.gainDb : &p.logQ;
                        *value += sign * steps[k];
                        p = clamped(p);
                        std::vector<double> level = levelOf(p);
                        const double c = costWith(f, level, sum);
                        if (c < current - 1e-12) {
                            current = c;
                            m_filters[f] = p;
                            m_levels[f] = std::move(level);
                            m_sum.swap(sum);
                            improved = true;
                            break;
                        }
                    }
                }
            }
            if (!improved) {
                for (int k = 0; k < 3; ++k) {
                    steps[k] = std::max(steps[k] / 2, smallest[k] / 2);
                }
            }
        }
    }

    double largestMiss() const {
        double worst = 0;
        for (std::size_t i = 0; i < m_sum.size(); ++i) {
            if (!std::isnan(m_wanted[i])) {
                worst = std::max(worst, std::abs(m_wanted[i] - m_sum[i]));
            }
        }
        return worst;
    }

    const std::vector<Parameters>& filters() const { return m_filters; }

private:
    double missAt(std::size_t i) const {
        return std::isnan(m_wanted[i]) ? 0.0 : m_wanted[i] - m_sum[i];
    }

    // A peak at each of the largest local misses, as wide as the miss is above half its height.
    std::vector<Parameters> peakCandidates() const {
        std::vector<std::size_t> extremes;
        for (std::size_t i = 0; i < m_sum.size(); ++i) {
            const double miss = std::abs(missAt(i));
            const double f = m_grid.frequency()[i];
            if (miss > kGoodEnoughDb && f >= m_limits.from && f <= m_limits.to &&
                (i == 0 || std::abs(missAt(i - 1)) <= miss) &&
                (i + 1 == m_sum.size() || std::abs(missAt(i + 1)) < miss)) {
                extremes.push_back(i);
            }
        }
        std::stable_sort(extremes.begin(), extremes.end(), [&](std::size_t a, std::size_t b) {
            return std::abs(missAt(a)) > std::abs(missAt(b));
        });
        extremes.resize(std::min(extremes.size(), kPeakCandidates));
        std::vector<Parameters> out;
        for (const std::size_t at : extremes) {
            const double height = missAt(at);
            const auto half = [&](std::size_t i) {
                return missAt(i) * height > 0 && std::abs(missAt(i)) > std::abs(height) / 2;
            };
            std::size_t low = at, high = at;
            while (low > 0 && half(low - 1)) {
                --low;
            }
            while (high + 1 < m_sum.size() && half(high + 1)) {
                ++high;
            }
            const double octaves =
                std::max(std::log2(m_grid.frequency()[high] / m_grid.frequency()[low]), 1.0 / 12);
            const double ratio = std::exp2(octaves);
            const double q = std::sqrt(ratio) / (ratio - 1);
            out.push_back(clamped({CorrectionFilterKind::Peaking, std::log2(m_grid.frequency()[at]),
                                   height, std::log2(q)}));
        }
        return out;
    }

    // Shelves cut only (a boosting shelf boosts past the range's ends): at each third of an
    // octave in range, a shelf by the mean miss beyond it.
    std::vector<Parameters> shelfCandidates() const {
        std::vector<Parameters> out;
        const double first = std::log2(m_limits.from), last = std::log2(m_limits.to);
        for (double octave = first; octave <= last; octave += 1.0 / 3) {
            const double corner = std::exp2(octave);
            for (const auto kind :
                 {CorrectionFilterKind::LowShelf, CorrectionFilterKind::HighShelf}) {
                double total = 0;
                int count = 0;
                for (std::size_t i = 0; i < m_sum.size(); ++i) {
                    const double f = m_grid.frequency()[i];
                    const bool beyond =
                        kind == CorrectionFilterKind::LowShelf ? f < corner : f > corner;
                    if (beyond && !std::isnan(m_wanted[i])) {
                        total += m_wanted[i] - m_sum[i];
                        ++count;
                    }
                }
                if (count > 0 && total / count < -kGoodEnoughDb) {
                    out.push_back(clamped({kind, octave, total / count, 0.0}));
                }
            }
        }
        return out;
    }

    const FitGrid& m_grid;
    const std::vector<double>& m_wanted;
    FitLimits m_limits;
    std::vector<Parameters> m_filters;
    std::vector<std::vector<double>> m_levels;  // each filter's level at the grid's points
    std::vector<double> m_sum;
    std::vector<double> m_boostWeight;  // per point, outside the range
};

}  // namespace

Biquad biquadOf(const CorrectionFilter& filter, int rate) {
    switch (filter.kind) {
        case CorrectionFilterKind::LowShelf:
            return Biquad::lowShelf(rate, filter.frequency, filter.gainDb, kShelfQ);
        case CorrectionFilterKind::HighShelf:
            return Biquad::highShelf(rate, filter.frequency, filter.gainDb, kShelfQ);
        case CorrectionFilterKind::Peaking:
            break;
    }
    return Biquad::peaking(rate, filter.frequency, filter.gainDb, filter.q);
}

FitGrid::FitGrid(int rate, std::vector<double> frequency)
    : m_rate(rate), m_frequency(std::move(frequency)) {
    for (const double f : m_frequency) {
        const double w = 2 * std::numbers::pi * f / rate;
        m_cos1.push_back(std::cos(w));
        m_cos2.push_back(std::cos(2 * w));
    }
}

// |H|^2 of a biquad on the unit circle, from its coefficients and cos w, cos 2w alone.
void FitGrid::addDb(const Biquad& q, std::vector<double>& sum) const {
    const double n0 = q.b0 * q.b0 + q.b1 * q.b1 + q.b2 * q.b2;
    const double n1 = 2 * (q.b0 * q.b1 + q.b1 * q.b2), n2 = 2 * q.b0 * q.b2;
    const double d0 = 1 + q.a1 * q.a1 + q.a2 * q.a2;
    const double d1 = 2 * (q.a1 + q.a1 * q.a2), d2 = 2 * q.a2;
    for (std::size_t i = 0; i < m_frequency.size(); ++i) {
        const double numerator = n0 + n1 * m_cos1[i] + n2 * m_cos2[i];
        const double denominator = d0 + d1 * m_cos1[i] + d2 * m_cos2[i];
        sum[i] += 10 * std::log10(std::max(numerator, 1e-30) / std::max(denominator, 1e-30));
    }
}

std::vector<CorrectionFilter> fitFilters(const FitGrid& grid, const std::vector<double>& wantedDb,
                                         const FitLimits& limits) {
    Fit fit(grid, wantedDb, limits);
    while (static_cast<int>(fit.filters().size()) < limits.bands &&
           fit.largestMiss() > kGoodEnoughDb && fit.addOne()) {
    }
    fit.refine(0, fit.filters().size());
    std::vector<CorrectionFilter> filters;
    for (const Parameters& p : fit.filters()) {
        filters.push_back(filterOf(p));
    }
    std::sort(filters.begin(), filters.end(),
              [](const auto& a, const auto& b) { return a.frequency < b.frequency; });
    return filters;
}

}  // namespace quilbo
