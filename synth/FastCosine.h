// A batch cosine for the tone loops: accurate to far better than the error bound the callers
// check against, so every sample it decides is the one the library cosine would give.
#pragma once

#include <cstddef>

namespace quilbo::synth {

// Largest |error| of fastCosine against the exact cosine of the same double argument, with a
// wide margin: the real error is below 1e-15.
inline constexpr double kCosineErrorBound = 0x1p-40;

// Phases beyond this are left to the library cosine; below it the three-part reduction is exact.
inline constexpr double kFastPhaseLimit = 0x1p27;

// What fastCosine gives for a phase it leaves to the library cosine: not a cosine, and not a
// NaN either, so that the callers' branch-free loops stay free of NaN conversions.
inline constexpr double kNoCosine = 4.0;

// out[j] = cos(phase[j]) within kCosineErrorBound, or kNoCosine where |phase[j]| exceeds
// kFastPhaseLimit or is not a number, or where the reduction fails.
// `phase` and `out` must not overlap.
void fastCosine(const double* phase, double* out, std::size_t n) noexcept;

}  // namespace quilbo::synth
