// Frame values of the three tone shapes, computed afresh from the frame index in every frame.
#pragma once

#include <cmath>
#include <cstdint>

namespace quilbo::synth {

inline constexpr double kTwoPi = 6.283185307179586;

// Index 2: rises from -1 towards 0 over the first half period, jumps to +1 and falls towards 0.
// A period shorter than two samples (ratio below 2), or a ratio that is not a positive finite
// number, is silence rather than a constant level.
inline double rampValue(double ratio, std::int64_t o) noexcept {
    if (!(ratio >= 2.0) || !std::isfinite(ratio)) {
        return 0.0;
    }
    // A period longer than any block behaves as an endless one: x is the frame index itself.
    const std::int64_t period = ratio < 4.0e18 ? static_cast<std::int64_t>(ratio) : INT64_MAX;
    const double x = static_cast<double>(o % period);
    const double half = ratio * 0.5;
    const double inv = 1.0 / half;
    return x < half ? inv * x - 1.0 : 1.0 - (x - half) * inv;
}

inline double squareOf(double c) noexcept {
    return c > 0.0 ? 1.0 : (c < 0.0 ? -1.0 : c);
}

}  // namespace quilbo::synth
