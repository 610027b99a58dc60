// The microphone check's runs: the first of every speaker, then of those still disturbed.
#include "measuring/MicrophoneCheckRun.h"

#include "measuring/Logging.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace quilbo {

namespace {

// Further apart than this, the reference's sweeps at the start and the end of a run were moved by
// sound lost or repeated between them: below a server's cycle (5 ms and more), and above what the
// drift between two sound cards' clocks does over a check of eight speakers (two cards 100 ppm
// apart, a USB microphone's and a receiver's, drift 1.5 ms in its 15 s).
constexpr double kReferenceDriftSeconds = 0.002;

// A sweep disturbed on its way, or heard before it was played: most often a stretch of sound
// lost before it that the recording cannot show, worth another run.
bool sweepMoved(const Analysis& analysis) {
    return isDisturbance(analysis.failure) ||
           analysis.failure.code == MeasureProblem::PeakBeforeSweep;
}

// Which of a run's channels it settles, the reference's first. A dropped or repeated stretch of
// sound moves every sweep after it, so from the first disturbed sweep on (from the first sweep
// after the reference's when the reference moved between its two sweeps) only what no move
// changes (a speaker not heard, or clipped) is settled; and a delay only beside the reference's.
std::vector<bool> settledIn(const MeasureResult& run, bool shifted) {
    std::vector<bool> settled(run.channels.size(), false);
    bool after = false;
    for (std::size_t i = 0; i < run.channels.size(); ++i) {
        const Analysis& analysis = run.channels[i].analysis;
        after = after || sweepMoved(analysis) || (i > 0 && shifted);
        settled[i] = !sweepMoved(analysis) && (!after || analysis.status != AnalysisStatus::Ok);
    }
    for (std::size_t i = 0; i < settled.size(); ++i) {
        if (run.channels[i].analysis.status == AnalysisStatus::Ok && !settled[0]) {
            settled[i] = false;
        }
    }
    return settled;
}

std::optional<MeasureFailure> firstDisturbance(const MeasureResult& run) {
    for (const ChannelResult& channel : run.channels) {
        if (isDisturbance(channel.analysis.failure)) {
            return channel.analysis.failure;
        }
    }
    return std::nullopt;
}

// Whether the reference's sweep at the end of a run (its last channel) was moved from the one at
// its start.
bool referenceMoved(const MeasureResult& run) {
    const Analysis& opening = run.channels.front().analysis;
    const Analysis& closing = run.channels.back().analysis;
    const bool timed = opening.status == AnalysisStatus::Ok;
    return isDisturbance(closing.failure) || timed != (closing.status == AnalysisStatus::Ok) ||
           (timed &&
            std::abs(closing.delaySeconds - opening.delaySeconds) > kReferenceDriftSeconds);
}

}  // namespace

MeasureResult runMicrophoneCheck(SweepRecorder& recorder, const MeasureSettings& settings,
                                 std::size_t reference, const SweepRecorder::Progress& progress) {
    MeasureSettings each = settings;
    each.disturbances = MeasureSettings::Disturbances::EachChannel;
    each.tries = 1;
    const std::size_t count = settings.channels.size();
    if (count == 0) {
        return runMeasurement(recorder, each, progress);
    }
    reference = std::min(reference, count - 1);
    MeasureResult merged;
    std::vector<bool> settled(count, false);
    // Each unsettled speaker's latest word: its analysis as its last run left it.
    std::vector<ChannelResult> latest(count);
    std::vector<MeasureFailure> disturbedRuns;
    std::optional<MeasureFailure> disturbance;
    for (int run = 0; run <= kMicrophoneCheckRetries; ++run) {
        if (run > 0) {
            if (std::all_of(settled.begin(), settled.end(), [](bool s) { return s; })) {
                break;
            }
            disturbedRuns.push_back(
                disturbance.value_or(MeasureFailure{MeasureProblem::SoundOutOfPlace, {}}));
            qCWarning(lcMeasuring) << "A sweep of the microphone check was disturbed and is made "
                                      "again:"
                                   << describeMeasureFailure(disturbedRuns.back()).c_str();
        }
        // The reference first, then every speaker still unsettled, those whose own sweep was
        // disturbed last (should they be disturbed again, the others are not moved by it), then
        // the reference again: sound lost or repeated anywhere between moves one of its sweeps.
        std::vector<std::size_t> played{reference};
        for (const bool ownSweep : {false, true}) {
            for (std::size_t i = 0; i < count; ++i) {
                if (!settled[i] && i != reference && sweepMoved(latest[i].analysis) == ownSweep) {
                    played.push_back(i);
                }
            }
        }
        each.channels.clear();
        for (const std::size_t i : played) {
            each.channels.push_back(settings.channels[i]);
        }
        if (played.size() > 1) {
            each.channels.push_back(settings.channels[reference]);
        }
        MeasureResult result = runMeasurement(recorder, each, progress);
        if (result.record != RecordResult::Ok || result.channels.size() != each.channels.size()) {
            result.disturbedRuns = std::move(disturbedRuns);
            return result;
        }
        const bool moved = played.size() > 1 && referenceMoved(result);
        if (played.size() > 1) {
            result.channels.pop_back();
        }
        if (run == 0) {
            merged = result;
            latest = result.channels;  // every speaker played, the reference first
            for (std::size_t k = 0; k < played.size(); ++k) {
                latest[played[k]] = result.channels[k];
            }
            merged.channels = latest;
        }
        const std::vector<bool> settledNow = settledIn(result, moved);
        // This run's delays moved onto the time line of the run that settled the reference.
        const Analysis& before = merged.channels[reference].analysis;
        const Analysis& now = result.channels[0].analysis;
        const double shift = settled[reference] && before.status == AnalysisStatus::Ok &&
                                     now.status == AnalysisStatus::Ok
                                 ? before.delaySeconds - now.delaySeconds
                                 : 0.0;
        for (std::size_t k = 0; k < played.size(); ++k) {
            const std::size_t i = played[k];
            if (settled[i]) {
                continue;  // the reference, played again for its time line only
            }
            latest[i] = result.channels[k];
            if (settledNow[k]) {
                merged.channels[i] = result.channels[k];
                merged.channels[i].analysis.delaySeconds += shift;
                settled[i] = true;
            }
        }
        disturbance = firstDisturbance(result);
        if (!disturbance && moved) {
            disturbance = MeasureFailure{MeasureProblem::SoundOutOfPlace, {}};
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (settled[i]) {
            continue;
        }
        MeasureFailure why = isDisturbance(latest[i].analysis.failure)
                                 ? latest[i].analysis.failure
                                 : MeasureFailure{MeasureProblem::SoundOutOfPlace, {}};
        merged.channels[i].analysis = Analysis{};
        merged.channels[i].analysis.failure = std::move(why);
    }
    merged.disturbedRuns = std::move(disturbedRuns);
    return merged;
}

}  // namespace quilbo
