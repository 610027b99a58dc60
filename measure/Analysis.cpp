// One sweep's analysis: the checks on the recording, then deconvolution and what it yields.
#include "measure/Analysis.h"

#include "measure/Deconvolution.h"
#include "measure/Disturbance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace quilbo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Below this peak the deconvolution holds nothing but noise: the sweep was not heard.
constexpr double kSilentPeak = 1e-5;

// RMS in dB with a full-scale sine as 0 dB.
double sineDbfs(std::span<const float> samples) {
    if (samples.empty()) {
        return kNaN;
    }
    double sum = 0.0;
    for (const float sample : samples) {
        sum += static_cast<double>(sample) * sample;
    }
    const double rms = std::sqrt(sum / static_cast<double>(samples.size()));
    return std::max(-200.0, 20 * std::log10(rms * std::sqrt(2.0)));
}

MeasureFailure checkRequest(std::span<const float> recording, const AnalysisSettings& s) {
    if (MeasureFailure bad = s.sweep.validate(); bad.failed()) {
        return bad;
    }
    if (s.pointsPerOctave < 1 || s.pointsPerOctave > 96) {
        return {MeasureProblem::AxisPoints, std::to_string(s.pointsPerOctave)};
    }
    if (!std::isfinite(s.gateMs) || s.gateMs < 0 || s.gateMs > 10000) {
        return {MeasureProblem::Gate, {}};
    }
    if (!std::isfinite(s.clipLevel) || s.clipLevel <= 0 || s.clipLevel > 1) {
        return {MeasureProblem::ClipLevel, {}};
    }
    const std::size_t end = s.segmentEnd == 0 ? recording.size() : s.segmentEnd;
    if (end > recording.size() || s.segmentStart > s.sweepStart || s.sweepStart >= end) {
        return {MeasureProblem::Segment, {}};
    }
    if (end - s.sweepStart < sweepFrames(s.sweep)) {
        return {MeasureProblem::RecordingTooShort, {}};
    }
    const auto nonFinite =
        std::find_if(recording.begin() + static_cast<std::ptrdiff_t>(s.segmentStart),
                     recording.begin() + static_cast<std::ptrdiff_t>(end),
                     [](float x) { return !std::isfinite(x); });
    if (nonFinite != recording.begin() + static_cast<std::ptrdiff_t>(end)) {
        return {MeasureProblem::RecordingNotNumber, {}};
    }
    return {};
}

}  // namespace

Analysis analyse(std::span<const float> recording, const AnalysisSettings& s) {
    Analysis result;
    if (MeasureFailure bad = checkRequest(recording, s); bad.failed()) {
        result.failure = std::move(bad);
        return result;
    }
    const std::size_t end = s.segmentEnd == 0 ? recording.size() : s.segmentEnd;
    const std::span<const float> segment = recording.subspan(s.segmentStart, end - s.segmentStart);
    const std::size_t sweepOffset = s.sweepStart - s.segmentStart;
    const std::size_t frames = sweepFrames(s.sweep);

    result.clippedSamples = static_cast<std::size_t>(std::count_if(
        segment.begin(), segment.end(), [&](float x) { return std::fabs(x) >= s.clipLevel; }));
    result.noiseDbfs = sineDbfs(segment.first(sweepOffset));
    if (result.clippedSamples > 0) {
        result.status = AnalysisStatus::Clipped;
        result.failure = {MeasureProblem::Clipped, std::to_string(result.clippedSamples)};
        return result;
    }

    const Deconvolution h = deconvolve(s.sweep, segment, sweepOffset);
    const auto size = static_cast<long long>(h.samples.size());
    const auto peakAt = static_cast<std::size_t>(
        std::max_element(h.samples.begin(), h.samples.end(),
                         [](double a, double b) { return std::fabs(a) < std::fabs(b); }) -
        h.samples.begin());
    const double peakValue = h.samples[peakAt];
    const auto tail = static_cast<long long>(segment.size() - sweepOffset - frames);
    const auto peakIndex = static_cast<long long>(peakAt);

    const std::size_t arrival = std::min(segment.size(), sweepOffset + peakAt);
    result.signalDbfs =
        sineDbfs(segment.subspan(arrival, std::min(frames, segment.size() - arrival)));
    result.snrDb = result.signalDbfs - result.noiseDbfs;

    if (std::fabs(peakValue) < kSilentPeak) {
        result.failure = {MeasureProblem::NotHeard, {}};
        return result;
    }
    const double noiseRms = std::isfinite(result.noiseDbfs)
                                ? std::pow(10.0, result.noiseDbfs / 20) / std::sqrt(2.0)
                                : 0.0;
    if (peakIndex > size - static_cast<long long>(frames)) {
        // Most often sound lost on the way, which moved the rest of the sweep early.
        if (s.checkDisturbance) {
            result.failure =
                findDisturbance(h, s.sweep, segment, sweepOffset,
                                static_cast<double>(peakIndex - size), s.sweep.rate / 10, noiseRms);
        }
        if (!result.failure.failed()) {
            result.failure = {MeasureProblem::PeakBeforeSweep, {}};
        }
        return result;
    }
    if (peakIndex > tail) {
        result.failure = {MeasureProblem::TailTooShort,
                          std::to_string((peakIndex - tail) * 1000 / s.sweep.rate + 1)};
        return result;
    }
    if (result.snrDb < s.lowestSnrDb) {
        char figure[32];
        std::snprintf(figure, sizeof figure, "%.1f", result.snrDb);
        result.failure = {MeasureProblem::TooQuiet, figure};
        return result;
    }

    const double sign = peakValue < 0 ? -1.0 : 1.0;
    const double peak = peakPosition(h, peakAt);
    // The whole response the recording leaves room for, whatever the gate: a reflection the
    // gate keeps out is still part of the steady system.
    const long long whole = std::max<long long>(tail - peakIndex, s.sweep.rate / 10);
    if (MeasureFailure disturbed =
            s.checkDisturbance
                ? findDisturbance(h, s.sweep, segment, sweepOffset, peak, whole, noiseRms)
                : MeasureFailure{};
        disturbed.failed()) {
        result.failure = std::move(disturbed);
        return result;
    }
    result.delaySeconds = peak / s.sweep.rate;
    result.polarity = sign < 0 ? Polarity::Inverted : Polarity::Normal;

    // A little before the peak, for the ringing of the band limits, and after it the gate or
    // all that was recorded after the sweep (at least 0.1 s), short of the harmonics' region.
    const double lead2 = harmonicLeadSeconds(s.sweep, 2) * s.sweep.rate;
    const auto pre = static_cast<long long>(std::min(0.01 * s.sweep.rate, lead2 / 4));
    long long post = s.gateMs > 0 ? std::llround(s.gateMs * s.sweep.rate / 1000)
                                  : std::max<long long>(tail - peakIndex, s.sweep.rate / 10);
    post =
        std::max<long long>(1, std::min(post, size - static_cast<long long>(frames) - peakIndex));
    const std::vector<double> window =
        cutWindow(h, peakIndex - pre, static_cast<std::size_t>(pre + post),
                  static_cast<std::size_t>(pre / 2), static_cast<std::size_t>(post / 5));
    result.impulse.assign(window.begin(), window.end());
    result.impulsePeak = static_cast<std::size_t>(pre);
    result.spectrum =
        spectrumOf(window, static_cast<std::size_t>(pre), peak - static_cast<double>(peakAt),
                   s.sweep.rate, static_cast<std::size_t>(s.sweep.rate));
    const std::vector<double> axis = logFrequencies(s.sweep.from, s.sweep.to, s.pointsPerOctave);
    result.response = responseOf(result.spectrum, axis, s.smoothing);
    result.distortion = measureDistortion(h, s.sweep, peak, axis, s.smoothing);
    result.status = AnalysisStatus::Ok;
    return result;
}

}  // namespace quilbo
