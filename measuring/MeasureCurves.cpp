// The Measure page's curves: before/after pairs, re-smoothing and differences.
#include "measuring/MeasureCurves.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quilbo {

namespace {

constexpr int kPointsPerOctave = 48;

}  // namespace

bool isBeforeAfterPair(const Measurement& first, const Measurement& second, bool* afterFirst) {
    if (first.stage == MeasurementStage::None || second.stage == MeasurementStage::None ||
        first.stage == second.stage || first.session.empty() || first.session != second.session ||
        first.channel != second.channel) {
        return false;
    }
    if (afterFirst != nullptr) {
        *afterFirst = first.stage == MeasurementStage::After;
    }
    return true;
}

Response responseFromImpulse(std::span<const float> impulse, int rate, double from, double to,
                             Smoothing smoothing) {
    if (impulse.empty() || rate <= 0 || !(from > 0) || !(to > from)) {
        return {};
    }
    const auto peak = std::max_element(impulse.begin(), impulse.end(), [](float x, float y) {
        return std::fabs(x) < std::fabs(y);
    });
    if (*peak == 0.0F) {
        return {};
    }
    const std::vector<double> samples(impulse.begin(), impulse.end());
    // At least a second's worth of bins, as the analysis takes them.
    const Spectrum spectrum = spectrumOf(samples, static_cast<std::size_t>(peak - impulse.begin()),
                                         0.0, rate, static_cast<std::size_t>(rate));
    return responseOf(spectrum, logFrequencies(from, to, kPointsPerOctave), smoothing);
}

std::vector<double> responseDifference(const Response& before, const Response& after) {
    std::vector<double> difference(before.frequency.size(),
                                   std::numeric_limits<double>::quiet_NaN());
    const std::size_t n = std::min(after.frequency.size(), after.db.size());
    for (std::size_t i = 0; i < before.frequency.size() && i < before.db.size(); ++i) {
        const double f = before.frequency[i];
        const auto upper =
            std::lower_bound(after.frequency.begin(), after.frequency.begin() + n, f);
        if (upper == after.frequency.begin() + n) {
            continue;
        }
        const auto j = static_cast<std::size_t>(upper - after.frequency.begin());
        double value = after.db[j];
        if (*upper != f) {
            if (j == 0) {
                continue;
            }
            const double f0 = after.frequency[j - 1];
            const double t = std::log(f / f0) / std::log(after.frequency[j] / f0);
            value = after.db[j - 1] + t * (after.db[j] - after.db[j - 1]);
        }
        difference[i] = value - before.db[i];
    }
    return difference;
}

}  // namespace quilbo
