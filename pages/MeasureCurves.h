// What the Measure page draws, worked out without widgets: responses re-smoothed from an impulse
// response, the before/after pairs a run-in stores, and the difference between such a pair.
#pragma once

#include "measure/Response.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quilbo {

// A stored name of the form "<stem> before, channel N" or "<stem> after, channel N".
struct BeforeAfterName {
    std::string stem;
    int channel = 0;
    bool after = false;
};
std::optional<BeforeAfterName> parseBeforeAfter(const std::string& name);

// True when the two names are the before and the after of one run-in's channel; `afterFirst`
// says the first of them is the after.
bool isBeforeAfterPair(const std::string& first, const std::string& second, bool* afterFirst);

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
