// The disturbance check: the deconvolution taken apart into the steady system (the linear
// response and its harmonics, where the synchronised sweep puts them) and the rest. Played
// through the steady system, the sweep gives the recording as it should be; played through the
// rest, what the recording holds that no steady system explains. A stretch of sound dropped or
// repeated leaves the recording out of step with the sweep from that moment on, which no single
// response can explain: that rest, frame by frame, stands near the level of the sound itself
// where it happened, while an undisturbed recording leaves only its noise there.
#include "measure/Disturbance.h"

#include "measure/LevelStep.h"
#include "measure/RealFft.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace quilbo {
namespace {

constexpr double kFrameSeconds = 0.005;
// Harmonics up to this order are part of the steady system.
constexpr int kModelHarmonic = 8;
// Before each harmonic's response, room for its band edges' ringing; before the linear one,
// room too for the part before a stretch dropped early, should the part after it have the
// larger peak (two server cycles).
constexpr double kModelLeadSeconds = 0.005;
constexpr double kLinearLeadSeconds = 0.025;
// The steady system's response is kept for this many cycles of the frequency the sweep plays:
// a loudspeaker's resonance has rung down by then, while sound out of step with the sweep (the
// click where a stretch went missing, everything after it displaced) lands in the
// deconvolution far from where a steady system puts anything at that frequency.
constexpr double kModelCycles = 24.0;
// However high the frequency, the model is this long: a room's or a high-Q resonance's ringing
// beyond it is left to the check that a disturbance stands out from the frames around it.
constexpr double kShortestModelSeconds = 0.1;
// The frequencies at which the model's length changes, each band's lowest first.
constexpr double kBandFloors[] = {1000.0, 250.0, 60.0, 0.0};
// Where the steady system's own sound is this far below its loudest frames (a deep notch), the
// frames are judged against this level rather than against next to nothing.
constexpr double kFloorDb = -30.0;
// A frame whose unexplained sound lies within this of the noise is the noise.
constexpr double kNoiseMarginDb = 12.0;
// A disturbance stands this far above the median of the frames this near it (either side).
constexpr double kStandsOutDb = 12.0;
constexpr double kAroundSeconds = 0.25;
// Frames of recording below this fraction of the steady system's sound: a stretch gone silent.
constexpr double kMissingRatio = 0.25;

double rmsOf(const std::vector<double>& samples, std::size_t from, std::size_t count) {
    double sum = 0.0;
    for (std::size_t n = from; n < from + count; ++n) {
        sum += samples[n] * samples[n];
    }
    return std::sqrt(sum / static_cast<double>(count));
}

// The sweep played through `response` (circularly, as the deconvolution's buffer lies).
std::vector<double> played(const RealFft& fft, const std::vector<Complex>& sweep,
                           const std::vector<double>& response) {
    std::vector<Complex> bins(sweep.size());
    fft.forward(response.data(), bins.data());
    for (std::size_t k = 0; k < bins.size(); ++k) {
        bins[k] *= sweep[k];
    }
    std::vector<double> out(response.size());
    fft.inverse(bins.data(), out.data());
    return out;
}

// The deconvolution kept where a steady system puts its linear and harmonic responses, each
// `post` samples long; zero elsewhere.
std::vector<double> steadyPart(const Deconvolution& h, const SweepSettings& sweep, double peak,
                               long long post) {
    const auto size = static_cast<long long>(h.samples.size());
    std::vector<double> steady(h.samples.size(), 0.0);
    for (int k = 1; k <= kModelHarmonic; ++k) {
        const auto lead =
            static_cast<long long>((k == 1 ? kLinearLeadSeconds : kModelLeadSeconds) * sweep.rate);
        const auto at =
            static_cast<long long>(std::floor(peak - harmonicLeadSeconds(sweep, k) * sweep.rate));
        for (long long i = at - lead; i <= at + post && i - (at - lead) < size; ++i) {
            const auto wrapped = static_cast<std::size_t>(((i % size) + size) % size);
            steady[wrapped] = h.samples[wrapped];
        }
    }
    return steady;
}

}  // namespace

std::string disturbanceTime(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    return text;
}

MeasureFailure findDisturbance(const Deconvolution& h, const SweepSettings& sweepSettings,
                               std::span<const float> segment, std::size_t sweepOffset, double peak,
                               long long post, double noiseRms) {
    const std::size_t size = h.samples.size();
    const double rate = sweepSettings.rate;
    const RealFft fft(size);
    const std::vector<float> sweep = generateSweep(sweepSettings);
    std::vector<double> buffer(size, 0.0);
    std::copy(sweep.begin(), sweep.end(), buffer.begin());
    std::vector<Complex> sweepBins(size / 2 + 2);
    fft.forward(buffer.data(), sweepBins.data());
    // Everything the deconvolution holds, played back: the recording within the sweep's band.
    const std::vector<double> heard = played(fft, sweepBins, h.samples);

    // Judged where the sweep is heard: from its arrival to its end's arrival.
    const auto frame = static_cast<std::size_t>(std::max(16.0, kFrameSeconds * rate));
    const auto begin = static_cast<std::size_t>(std::max(0.0, std::round(peak)));
    const std::size_t end =
        std::min({begin + sweep.size(), size, segment.size() - sweepOffset}) / frame * frame;
    if (end <= begin + frame) {
        return {};
    }
    // Each frame judged against the model for the frequency the sweep played then.
    const double rateConstant = sweepRateConstant(sweepSettings);
    std::vector<double> expected(size, 0.0);
    std::vector<int> bandOf((end - begin) / frame, -1);
    for (std::size_t band = 0; band < std::size(kBandFloors); ++band) {
        const double floorHz = std::max(kBandFloors[band], sweepSettings.from);
        const long long length = std::min(
            post, static_cast<long long>(
                      std::ceil(std::max(kModelCycles / floorHz, kShortestModelSeconds) * rate)));
        std::vector<double> model;
        for (std::size_t f = 0; f < bandOf.size(); ++f) {
            const double t = (static_cast<double>(begin + f * frame) - peak) / rate;
            const double hz = sweepSettings.from * std::exp(std::max(0.0, t) / rateConstant);
            if (bandOf[f] >= 0 || hz < kBandFloors[band]) {
                continue;
            }
            if (model.empty()) {
                model = played(fft, sweepBins, steadyPart(h, sweepSettings, peak, length));
            }
            bandOf[f] = static_cast<int>(band);
            std::copy_n(model.begin() + static_cast<std::ptrdiff_t>(begin + f * frame), frame,
                        expected.begin() + static_cast<std::ptrdiff_t>(begin + f * frame));
        }
    }

    double loudest = 0.0;
    for (std::size_t n = begin; n + frame <= end; n += frame) {
        loudest = std::max(loudest, rmsOf(expected, n, frame));
    }
    const double floor = loudest * std::pow(10.0, kFloorDb / 20);
    const double threshold = std::pow(10.0, kDisturbanceDb / 20);
    const double noise = noiseRms * std::pow(10.0, kNoiseMarginDb / 20);
    // What each frame holds that the steady system does not explain, and what it should hold.
    std::vector<double> strays, references;
    double prior = 0.0;  // the previous frame's expected level: a notch's edge is no disturbance
    for (std::size_t n = begin; n + frame <= end; n += frame) {
        const double wanted = rmsOf(expected, n, frame);
        references.push_back(std::max({wanted, prior, floor}));
        prior = wanted;
        double stray = 0.0;
        for (std::size_t i = n; i < n + frame; ++i) {
            stray += (heard[i] - expected[i]) * (heard[i] - expected[i]);
        }
        strays.push_back(std::sqrt(stray / static_cast<double>(frame)));
    }
    // A room's reverberation or a resonance longer than the model leaves a rest that changes
    // slowly from frame to frame; sound out of step leaves it for a moment where it happened,
    // far above the frames around. The frame that stands out furthest dates the disturbance.
    const auto around = static_cast<std::size_t>(kAroundSeconds * rate) / frame;
    const double spike = std::pow(10.0, kStandsOutDb / 20);
    double worst = threshold;
    std::size_t worstAt = end;
    std::vector<double> neighbours;
    for (std::size_t f = 0; f < strays.size(); ++f) {
        if (strays[f] <= noise || strays[f] <= worst * references[f]) {
            continue;
        }
        const std::size_t from = f > around ? f - around : 0;
        const std::size_t to = std::min(strays.size(), f + around + 1);
        neighbours.assign(strays.begin() + static_cast<std::ptrdiff_t>(from),
                          strays.begin() + static_cast<std::ptrdiff_t>(to));
        const auto middle = neighbours.begin() + static_cast<std::ptrdiff_t>(neighbours.size() / 2);
        std::nth_element(neighbours.begin(), middle, neighbours.end());
        if (strays[f] > spike * *middle) {
            worst = strays[f] / references[f];
            worstAt = begin + f * frame;
        }
    }
    if (worstAt == end) {
        return findLevelStep(sweepSettings, segment, sweepOffset, peak, noiseRms);
    }
    double recorded = 0.0;
    double wanted = 0.0;
    for (std::size_t i = worstAt; i < worstAt + frame; ++i) {
        const double x = segment[sweepOffset + i];
        recorded += x * x;
        wanted += expected[i] * expected[i];
    }
    const std::string when = disturbanceTime((static_cast<double>(worstAt) - peak) / rate);
    return {recorded < kMissingRatio * kMissingRatio * wanted ? MeasureProblem::SoundMissing
                                                              : MeasureProblem::SoundOutOfPlace,
            when};
}

}  // namespace quilbo
