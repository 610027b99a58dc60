// What the Measure page draws, worked out without widgets: responses re-smoothed from an impulse
// response, the before/after pairs a run-in stores, and the difference between such a pair.
#pragma once

#include "measure/MeasurementStore.h"
#include "measure/Response.h"

#include <span>
#include <string>
#include <vector>

namespace quilbo {

// True when the two are the before and the after of one run-in session's channel, found by their
// session and stage, never by the names the user may change; `afterFirst` says the first of them
// is the after.
bool isBeforeAfterPair(const Measurement& first, const Measurement& second, bool* afterFirst);

// The response of an impulse response at its largest sample, on the log axis from `from` to `to`
// (48 points to the octave, as the analysis gives it) with the smoothing asked for. Empty for an
// empty or silent impulse.
Response responseFromImpulse(std::span<const float> impulse, int rate, double from, double to,
                             Smoothing smoothing);

// after - before in dB at before's frequencies, after interpolated in log frequency; NaN where
// after does not reach.
std::vector<double> responseDifference(const Response& before, const Response& after);

// The smoothing choices in the order the page lists them: none, 1/48 ... 1/1 octave.
inline constexpr Smoothing kSmoothingChoices[] = {
    Smoothing::None,    Smoothing::Octave48, Smoothing::Octave24, Smoothing::Octave12,
    Smoothing::Octave6, Smoothing::Octave3,  Smoothing::Octave1};

}  // namespace quilbo
