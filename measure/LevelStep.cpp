// The level-step check: the recording's envelope (the analytic signal's magnitude, so that a
// frame shorter than a period still reads the level) in 1 ms frames over the sweep, and at each
// frame the mean level of a stretch after it against one before. A steady system turns the level
// gradually, however steep its skirts, and a resonance or a notch rises and falls again over a
// time the sweep sets: that difference then changes slowly from frame to frame. A gain changed
// midway makes it stand out at the change alone, with the stretches one further either side
// agreeing again.
#include "measure/LevelStep.h"

#include "measure/RealFft.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace quilbo {
namespace {

constexpr double kEnvelopeFrameSeconds = 0.0005;
// A stretch lasts a quarter of the shortest time a steady system takes to change its level at
// the frequency played, and at least this many frames.
constexpr double kStretchShare = 0.25;
constexpr std::size_t kFewestFrames = 3;
// Only frames this far above the noise are judged: the noise itself wavers.
constexpr double kAboveNoiseDb = 20.0;
// The most the level may change from one stretch to the next either side of a change, as a share
// of the change: a level that swings (a resonance's ringing beating with the sweep) is no step.
constexpr double kSteadyShare = 0.25;
// Stretches either side that must each be steady: together as long as a steady system's change.
constexpr std::size_t kSteadyStretches = 4;

std::string stepTime(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The squared magnitude of the analytic signal of samples.
std::vector<double> envelopePower(std::span<const float> samples) {
    const RealFft fft(fastFftSize(samples.size() + samples.size() / 8));
    std::vector<double> x(fft.size(), 0.0);
    std::copy(samples.begin(), samples.end(), x.begin());
    std::vector<Complex> bins(fft.size() / 2 + 1);
    fft.forward(x.data(), bins.data());
    bins.front() = 0.0;
    bins.back() = 0.0;
    for (std::size_t k = 1; k + 1 < bins.size(); ++k) {
        bins[k] *= Complex(0.0, -1.0);  // the Hilbert transform
    }
    std::vector<double> hilbert(fft.size());
    fft.inverse(bins.data(), hilbert.data());
    std::vector<double> power(samples.size());
    for (std::size_t n = 0; n < samples.size(); ++n) {
        power[n] = x[n] * x[n] + hilbert[n] * hilbert[n];
    }
    return power;
}

}  // namespace

MeasureFailure findLevelStep(const SweepSettings& sweep, std::span<const float> segment,
                             std::size_t sweepOffset, double peak, double noiseRms) {
    const double rate = sweep.rate;
    const double rateConstant = sweepRateConstant(sweep);
    const auto arrival = static_cast<long long>(sweepOffset) + std::llround(peak);
    if (arrival < 0 || rateConstant <= 0 || static_cast<std::size_t>(arrival) >= segment.size()) {
        return {};
    }
    const std::span<const float> heard = segment.subspan(
        static_cast<std::size_t>(arrival),
        std::min(sweepFrames(sweep), segment.size() - static_cast<std::size_t>(arrival)));
    const std::vector<double> power = envelopePower(heard);
    // Judged where the sweep plays at its full level, clear of its fades and of the envelope's
    // own edges.
    const auto frame = static_cast<std::size_t>(std::max(8.0, kEnvelopeFrameSeconds * rate));
    const auto first = static_cast<std::size_t>(std::ceil(2 * sweep.fadeInSeconds * rate));
    const auto fadeOut = static_cast<std::size_t>(std::ceil(2 * sweep.fadeOutSeconds * rate));
    const std::size_t last = heard.size() > first + fadeOut ? heard.size() - fadeOut : first;
    const double floorPower = 2 * noiseRms * noiseRms * std::pow(10.0, kAboveNoiseDb / 10);
    std::vector<double> level;  // dB a frame; NaN where it cannot be judged
    for (std::size_t at = first; at + frame <= last; at += frame) {
        double sum = 0.0;
        for (std::size_t n = at; n < at + frame; ++n) {
            sum += power[n];
        }
        sum /= static_cast<double>(frame);
        level.push_back(sum > floorPower && sum > 0 ? 10 * std::log10(sum) : std::nan(""));
    }
    // The mean level of frames [from, from + count), NaN when any cannot be judged.
    const auto mean = [&level](std::size_t from, std::size_t count) {
        double sum = 0.0;
        for (std::size_t i = from; i < from + count; ++i) {
            sum += level[i];
        }
        return sum / static_cast<double>(count);
    };
    double worst = 0.0;
    std::size_t worstAt = 0;
    for (std::size_t i = 0; i < level.size(); ++i) {
        const double t = static_cast<double>(first + i * frame) / rate;
        const double hz = sweep.from * std::exp(t / rateConstant);
        const auto span = static_cast<std::size_t>(kStretchShare * std::sqrt(rateConstant / hz) *
                                                   rate / static_cast<double>(frame));
        const std::size_t reach = kSteadyStretches * span;
        if (span < kFewestFrames || i < reach || i + reach + 1 > level.size()) {
            continue;
        }
        // The frame at i holds the change; the difference across it, and the stretches either
        // side, each steady against the next.
        const double across = mean(i + 1, span) - mean(i - span, span);
        bool steady = !std::isnan(across) && std::abs(across) >= kLevelStepDb;
        for (std::size_t k = 1; k < kSteadyStretches && steady; ++k) {
            const double before = mean(i - k * span, span) - mean(i - (k + 1) * span, span);
            const double after = mean(i + 1 + k * span, span) - mean(i + 1 + (k - 1) * span, span);
            steady = !std::isnan(before + after) &&
                     std::max(std::abs(before), std::abs(after)) <= kSteadyShare * std::abs(across);
        }
        if (!steady) {
            continue;
        }
        if (std::abs(across) > worst) {
            worst = std::abs(across);
            worstAt = i;
        }
    }
    if (worst == 0.0) {
        return {};
    }
    return {MeasureProblem::LevelChanged,
            stepTime(static_cast<double>(first + worstAt * frame + frame / 2) / rate)};
}

}  // namespace quilbo
