// A level that changes during the sweep: a volume turned or a gain control acting while the
// sweep plays, found as a step in the recording's level faster than a steady system can make
// one under this sweep.
#pragma once

#include "measure/MeasureFailure.h"
#include "measure/Sweep.h"

#include <cstddef>
#include <span>

namespace quilbo {

// The smallest step in level judged a change, in dB either way.
inline constexpr double kLevelStepDb = 2.0;

// LevelChanged, its detail the time in the sweep in seconds with two decimals, when `segment`
// holds a step in level of at least kLevelStepDb between two stretches that are each steady;
// else nothing. The sweep began to play at `sweepOffset` and is heard from `peak` samples
// later; `noiseRms` is the quiet stretch's RMS. Under an exponential sweep a steady system's
// level at frequency f changes no faster than over some sqrt(L / f) (L the sweep's rate
// constant): where that is too short to tell from a step, towards the top of a short sweep,
// nothing is judged.
MeasureFailure findLevelStep(const SweepSettings& sweep, std::span<const float> segment,
                             std::size_t sweepOffset, double peak, double noiseRms);

}  // namespace quilbo
