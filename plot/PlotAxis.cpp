// Value mapping, zooming and grid lines of a plot axis.
#include "plot/PlotAxis.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quilbo {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kLargest = 1e300;
constexpr double kSmallest = 1e-300;

double position(AxisScale scale, double value) {
    return scale == AxisScale::Logarithmic ? std::log(value) : value;
}

std::vector<PlotTick> linearTicks(double from, double to, double step, int maxMajor) {
    std::vector<PlotTick> ticks;
    const double first = std::ceil(from / step);
    // The count bounds the loop even where k + 1 == k for a huge k.
    for (double k = first; k * step <= to + step * 1e-9 && k - first <= maxMajor; k += 1.0) {
        // Snaps the rounding noise of k * step (5.551e-17 for 0) to the value meant.
        const double value = std::abs(k) < 0.5 ? 0.0 : k * step;
        ticks.push_back({value, true});
    }
    return ticks;
}

}  // namespace

PlotAxis::PlotAxis(AxisScale scale, double from, double to) : m_scale(scale) {
    if (scale == AxisScale::Logarithmic) {
        m_from = 1.0;
        m_to = 10.0;
    }
    setRange(from, to);
}

bool PlotAxis::setRange(double from, double to) {
    if (!(from < to) || !accepts(from) || !accepts(to)) {
        return false;
    }
    if (m_scale == AxisScale::Logarithmic) {
        if (to / from < 1.0 + 1e-9) {
            return false;
        }
    } else if (to - from < 1e-9 * std::max(std::abs(from), std::abs(to)) || to - from < kSmallest) {
        return false;
    }
    m_from = from;
    m_to = to;
    return true;
}

bool PlotAxis::accepts(double value) const {
    return std::abs(value) <= kLargest && (m_scale == AxisScale::Linear || value >= kSmallest);
}

double PlotAxis::fraction(double value) const {
    if (!accepts(value)) {
        return kNaN;
    }
    const double start = position(m_scale, m_from);
    return (position(m_scale, value) - start) / (position(m_scale, m_to) - start);
}

double PlotAxis::valueAt(double fraction) const {
    if (m_scale == AxisScale::Logarithmic) {
        return m_from * std::pow(m_to / m_from, fraction);
    }
    return m_from + fraction * (m_to - m_from);
}

bool PlotAxis::zoom(double factor, double fraction) {
    if (!(factor > 0.0) || !std::isfinite(factor) || !std::isfinite(fraction)) {
        return false;
    }
    // Both ends move towards (or away from) the fixed point by the same share of their distance.
    const double fixed = valueAt(fraction);
    if (m_scale == AxisScale::Logarithmic) {
        return setRange(fixed * std::pow(m_from / fixed, factor),
                        fixed * std::pow(m_to / fixed, factor));
    }
    return setRange(fixed + (m_from - fixed) * factor, fixed + (m_to - fixed) * factor);
}

double PlotAxis::niceStep(double span, int maxCount) {
    const double raw = span / std::max(1, maxCount);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double multiple : {1.0, 2.0, 5.0}) {
        if (multiple * magnitude >= raw * (1.0 - 1e-9)) {
            return multiple * magnitude;
        }
    }
    return 10.0 * magnitude;
}

double PlotAxis::majorStep(int maxMajor) const {
    return niceStep(m_to - m_from, maxMajor);
}

std::vector<PlotTick> PlotAxis::ticks(int maxMajor) const {
    maxMajor = std::max(2, maxMajor);
    if (m_scale == AxisScale::Linear) {
        return linearTicks(m_from, m_to, majorStep(maxMajor), maxMajor);
    }
    const auto inRange = [this](double value) {
        return value >= m_from * (1.0 - 1e-9) && value <= m_to * (1.0 + 1e-9);
    };
    // 1, 2 and 5 in each decade while they fit; else the decades labelled and 2 and 5 as minor
    // lines; on a very wide axis every n-th decade alone.
    const int firstDecade = static_cast<int>(std::floor(std::log10(m_from)));
    const int lastDecade = static_cast<int>(std::ceil(std::log10(m_to)));
    std::vector<PlotTick> ticks;
    int multiples = 0;
    int decades = 0;
    for (int decade = firstDecade; decade <= lastDecade; ++decade) {
        for (double multiple : {1.0, 2.0, 5.0}) {
            if (inRange(multiple * std::pow(10.0, decade))) {
                ++multiples;
                decades += multiple == 1.0;
            }
        }
    }
    const int decadeStep = std::max(1, (decades + maxMajor - 1) / maxMajor);
    int majors = 0;
    for (int decade = firstDecade; decade <= lastDecade; ++decade) {
        for (double multiple : {1.0, 2.0, 5.0}) {
            const double value = multiple * std::pow(10.0, decade);
            const bool major =
                multiples <= maxMajor || (multiple == 1.0 && decade % decadeStep == 0);
            if (inRange(value) && (major || decadeStep == 1)) {
                ticks.push_back({value, major});
                majors += major;
            }
        }
    }
    if (majors < 2) {
        return linearTicks(m_from, m_to, majorStep(maxMajor), maxMajor);
    }
    // Octaves of 1 kHz (31.5 ... 16k) between them, where they are not too crowded.
    const double firstOctave = std::floor(std::log2(m_from / 1000.0));
    const double lastOctave = std::ceil(std::log2(m_to / 1000.0));
    if (lastOctave - firstOctave <= 4.0 * maxMajor) {
        for (double octave = firstOctave; octave <= lastOctave; octave += 1.0) {
            const double value = 1000.0 * std::exp2(octave);
            const bool onMajor = std::any_of(ticks.begin(), ticks.end(), [value](PlotTick tick) {
                return std::abs(tick.value / value - 1.0) < 0.02;
            });
            if (inRange(value) && !onMajor) {
                ticks.push_back({value, false});
            }
        }
    }
    std::sort(ticks.begin(), ticks.end(), [](PlotTick a, PlotTick b) { return a.value < b.value; });
    return ticks;
}

}  // namespace quilbo
