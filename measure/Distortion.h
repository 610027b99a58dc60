// Harmonic distortion against frequency, from the harmonic impulse responses that the
// synchronised sweep places at known times before the linear one.
#pragma once

#include "measure/Deconvolution.h"
#include "measure/Response.h"
#include "measure/Sweep.h"

#include <array>
#include <vector>

namespace quilbo {

inline constexpr int kHighestHarmonic = 5;

// Levels relative to the fundamental at each fundamental frequency. A harmonic whose frequency
// lies above the sweep's end is not measured there: its values are NaN, and THD is NaN where
// not even the second harmonic is measured.
struct HarmonicDistortion {
    std::vector<double> frequency;
    std::array<std::vector<double>, kHighestHarmonic - 1> harmonicDb;  // H2 .. H5
    std::array<std::vector<double>, kHighestHarmonic - 1> harmonicPercent;
    std::vector<double> thdDb;
    std::vector<double> thdPercent;
};

// `peak` is the linear response's peak in samples (sub-sample, index into the deconvolution).
// The power of each harmonic and of the fundamental is smoothed as `smoothing` says before the
// ratio is taken.
HarmonicDistortion measureDistortion(const Deconvolution& deconvolution, const SweepSettings& sweep,
                                     double peak, const std::vector<double>& frequencies,
                                     Smoothing smoothing);

}  // namespace quilbo
