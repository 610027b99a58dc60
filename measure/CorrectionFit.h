// Fitting a few parametric filters to a wanted change in level: greedy placement where the
// response strays most, then a joint refinement of every filter's frequency, gain and Q.
#pragma once

#include "measure/Biquad.h"
#include "measure/Correction.h"

#include <vector>

namespace quilbo {

// The cookbook's shelf with S = 1, which is its Q of 1/sqrt(2): the slope PipeWire's built-in
// shelves and WebAudio's fix.
inline constexpr double kShelfQ = 0.70710678118654752;

// The filter as a biquad at `rate` (a shelf at kShelfQ whatever its q).
Biquad biquadOf(const CorrectionFilter& filter, int rate);

// The frequencies a fit weighs, on a log axis. Within [from, to] the filters should add
// wantedDb; elsewhere they should not boost. Nowhere may they add more than the boost limit.
class FitGrid {
public:
    FitGrid(int rate, std::vector<double> frequency);
    int rate() const { return m_rate; }
    const std::vector<double>& frequency() const { return m_frequency; }
    std::size_t size() const { return m_frequency.size(); }
    // The filter's exact level at each frequency, added to `sum` (dB).
    void addDb(const Biquad& biquad, std::vector<double>& sum) const;

private:
    int m_rate;
    std::vector<double> m_frequency;
    std::vector<double> m_cos1, m_cos2;  // cos w and cos 2w of each frequency
};

struct FitLimits {
    int bands = 10;
    double maxBoostDb = 6;      // the filters' summed boost, anywhere
    double deepestCutDb = -20;  // any one filter's
    double lowestQ = 0.5, highestQ = 10;
    double from = 20, to = 20000;  // where filters may sit
};

// `wantedDb` holds, per grid point, the change wanted there, or NaN where no boost is wanted
// and any cut is welcome. Deterministic; the filters come back in order of frequency.
std::vector<CorrectionFilter> fitFilters(const FitGrid& grid, const std::vector<double>& wantedDb,
                                         const FitLimits& limits);

}  // namespace quilbo
