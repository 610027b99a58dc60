// One axis of a plot: its scale (linear, or logarithmic for frequencies), the range it shows,
// the mapping between values and a 0..1 place along it, zooming, and where its grid lines go.
#pragma once

#include <vector>

namespace quilbo {

enum class AxisScale { Linear, Logarithmic };

// A grid line: a major one carries a label, a minor one (a log axis's octaves) is drawn lighter.
struct PlotTick {
    double value = 0.0;
    bool major = true;
};

class PlotAxis {
public:
    PlotAxis() = default;
    // A range the axis refuses (see setRange) leaves it at 0..1, or 1..10 on a log axis.
    PlotAxis(AxisScale scale, double from, double to);

    AxisScale scale() const { return m_scale; }
    double from() const { return m_from; }
    double to() const { return m_to; }

    // Takes from < to, both accepted, and a span the doubles can still tell apart; refuses
    // anything else and stays as it was.
    bool setRange(double from, double to);
    // Whether the value has a place on this axis: at most 1e300 in size, and at least 1e-300 on
    // a log axis (so NaN, infinities, zero and negative log values have none).
    bool accepts(double value) const;

    // 0 at from, 1 at to, linear in the value or in its logarithm; NaN for a value not accepted.
    double fraction(double value) const;
    double valueAt(double fraction) const;

    // Scales the span by factor (below 1 zooms in) keeping the value at `fraction` in place;
    // false, and unchanged, where the result would not be a range the axis takes.
    bool zoom(double factor, double fraction);

    // Grid lines within the range, at most about maxMajor of them labelled. Linear: steps of
    // 1, 2 or 5 x 10^n. Log: 1, 2 and 5 in each decade, the octaves of 1 kHz as minor lines, and
    // linear steps when zoomed in too far for two of those.
    std::vector<PlotTick> ticks(int maxMajor) const;
    // The step between the labelled lines of ticks() on a linear axis (or a zoomed-in log one).
    double majorStep(int maxMajor) const;

    // The smallest step of 1, 2 or 5 x 10^n that cuts span into at most maxCount parts.
    static double niceStep(double span, int maxCount);

private:
    AxisScale m_scale = AxisScale::Linear;
    double m_from = 0.0;
    double m_to = 1.0;
};

}  // namespace quilbo
