// Generation of the synchronised exponential sine sweep (Novak, Lotton and Simon, 2015).
#include "measure/Sweep.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace quilbo {
namespace {

bool within(double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
}

std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

MeasureFailure SweepSettings::validate() const {
    if (rate < 8000 || rate > 768000) {
        return {MeasureProblem::SweepRate, std::to_string(rate)};
    }
    const double highest = 0.45 * rate;
    if (!within(from, 10.0, highest)) {
        return {MeasureProblem::SweepStart, number(from)};
    }
    if (!within(to, 10.0, highest)) {
        return {MeasureProblem::SweepEnd, number(to)};
    }
    if (!(to > from)) {
        return {MeasureProblem::SweepEndBelowStart, {}};
    }
    if (!within(seconds, 1.0, 30.0)) {
        return {MeasureProblem::SweepLength, number(seconds)};
    }
    if (!within(levelDbfs, -100.0, 0.0)) {
        return {MeasureProblem::SweepLevel, number(levelDbfs)};
    }
    if (!within(fadeInSeconds, 0.0, seconds / 10) || !within(fadeOutSeconds, 0.0, seconds / 10)) {
        return {MeasureProblem::SweepFades, {}};
    }
    return {};
}

double sweepRateConstant(const SweepSettings& s) {
    if (s.validate().failed()) {
        return 0.0;
    }
    const double octaves = std::log(s.to / s.from);
    return std::max(1.0, std::round(s.from * s.seconds / octaves)) / s.from;
}

std::size_t sweepFrames(const SweepSettings& s) {
    if (s.validate().failed()) {
        return 0;
    }
    const double seconds = sweepRateConstant(s) * std::log(s.to / s.from);
    return static_cast<std::size_t>(std::llround(seconds * s.rate));
}

double harmonicLeadSeconds(const SweepSettings& s, int harmonic) {
    return sweepRateConstant(s) * std::log(static_cast<double>(harmonic));
}

double sweepAmplitude(const SweepSettings& s) {
    return std::pow(10.0, s.levelDbfs / 20.0);
}

std::vector<float> generateSweep(const SweepSettings& s) {
    if (s.validate().failed()) {
        return {};
    }
    const double pi = std::numbers::pi;
    const double rateConstant = sweepRateConstant(s);
    const double amplitude = sweepAmplitude(s);
    const std::size_t frames = sweepFrames(s);
    const double fadeIn = s.fadeInSeconds * s.rate;
    const double fadeOut = s.fadeOutSeconds * s.rate;
    // exp(t / L) by repeated multiplication, restarted from the exact value every 1024 samples
    // (drift below 1e-13), and the sine of the phase with its whole cycles dropped, in single
    // precision like the samples themselves: the sweep costs a fraction of its deconvolution.
    const double growth = std::exp(1.0 / (s.rate * rateConstant));
    double rise = 1.0;
    std::vector<float> sweep(frames);
    for (std::size_t n = 0; n < frames; ++n) {
        rise = n % 1024 == 0 ? std::exp(static_cast<double>(n) / (s.rate * rateConstant))
                             : rise * growth;
        double gain = amplitude;
        const double fromStart = static_cast<double>(n);
        const double fromEnd = static_cast<double>(frames - 1 - n);
        if (fromStart < fadeIn) {
            gain *= 0.5 - 0.5 * std::cos(pi * fromStart / fadeIn);
        }
        if (fromEnd < fadeOut) {
            gain *= 0.5 - 0.5 * std::cos(pi * fromEnd / fadeOut);
        }
        const double cycles = s.from * rateConstant * (rise - 1.0);
        const auto turn = static_cast<float>(2 * pi * (cycles - std::floor(cycles)));
        sweep[n] = static_cast<float>(gain) * std::sin(turn);
    }
    return sweep;
}

}  // namespace quilbo
