// The microphone check's runs: the first of every speaker, then of those still disturbed.
#include "measuring/MicrophoneCheckRun.h"

#include "measuring/Logging.h"

#include <algorithm>
#include <optional>

namespace quilbo {

namespace {

// Which of a run's channels it settles. A dropped or repeated stretch of sound moves every
// sweep after it, so from the first disturbed sweep on only what no move changes (a speaker not
// heard, or clipped) is settled; and a delay is settled only beside the reference's from the same
// run, which is what it is taken against.
std::vector<bool> settledIn(const MeasureResult& run, std::size_t reference) {
    std::vector<bool> settled(run.channels.size(), false);
    bool moved = false;
    for (std::size_t i = 0; i < run.channels.size(); ++i) {
        const Analysis& analysis = run.channels[i].analysis;
        moved = moved || isDisturbance(analysis.failure);
        settled[i] =
            !isDisturbance(analysis.failure) && (!moved || analysis.status != AnalysisStatus::Ok);
    }
    const bool referenceSettled = reference < settled.size() && settled[reference] &&
                                  !isDisturbance(run.channels[reference].analysis.failure);
    for (std::size_t i = 0; i < settled.size(); ++i) {
        if (run.channels[i].analysis.status == AnalysisStatus::Ok && !referenceSettled) {
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

}  // namespace

MeasureResult runMicrophoneCheck(SweepRecorder& recorder, const MeasureSettings& settings,
                                 std::size_t reference, const SweepRecorder::Progress& progress) {
    MeasureSettings each = settings;
    each.disturbances = MeasureSettings::Disturbances::EachChannel;
    each.tries = 1;
    MeasureResult merged = runMeasurement(recorder, each, progress);
    const std::size_t count = settings.channels.size();
    if (merged.record != RecordResult::Ok || merged.channels.size() != count || count == 0) {
        return merged;
    }
    reference = std::min(reference, count - 1);
    std::vector<bool> settled = settledIn(merged, reference);
    // Each unsettled speaker's latest word: its analysis as its last run left it.
    std::vector<ChannelResult> latest = merged.channels;
    std::optional<MeasureFailure> disturbance = firstDisturbance(merged);
    for (int retry = 1; retry <= kMicrophoneCheckRetries && disturbance; ++retry) {
        // The reference first, then every speaker still unsettled, those whose own sweep was
        // disturbed last: should they be disturbed again, the others are not moved by it.
        std::vector<std::size_t> played{reference};
        for (const bool ownSweep : {false, true}) {
            for (std::size_t i = 0; i < count; ++i) {
                if (!settled[i] && i != reference &&
                    isDisturbance(latest[i].analysis.failure) == ownSweep) {
                    played.push_back(i);
                }
            }
        }
        if (played.size() == 1 && settled[reference]) {
            break;
        }
        qCWarning(lcMeasuring) << "A sweep of the microphone check was disturbed and is made again:"
                               << describeMeasureFailure(*disturbance).c_str();
        merged.disturbedRuns.push_back(*disturbance);
        each.channels.clear();
        for (const std::size_t i : played) {
            each.channels.push_back(settings.channels[i]);
        }
        MeasureResult run = runMeasurement(recorder, each, progress);
        if (run.record != RecordResult::Ok || run.channels.size() != played.size()) {
            run.disturbedRuns = merged.disturbedRuns;
            return run;
        }
        const std::vector<bool> settledNow = settledIn(run, 0);
        // This run's delays moved onto the time line of the run that settled the reference; a
        // reference settled only now brings its own.
        const Analysis& before = merged.channels[reference].analysis;
        const Analysis& now = run.channels[0].analysis;
        const double shift = settled[reference] && before.status == AnalysisStatus::Ok &&
                                     now.status == AnalysisStatus::Ok
                                 ? before.delaySeconds - now.delaySeconds
                                 : 0.0;
        for (std::size_t k = 0; k < played.size(); ++k) {
            const std::size_t i = played[k];
            if (settled[i]) {
                continue;  // the reference, played again for its time line only
            }
            latest[i] = run.channels[k];
            if (settledNow[k]) {
                merged.channels[i] = run.channels[k];
                merged.channels[i].analysis.delaySeconds += shift;
                settled[i] = true;
            }
        }
        disturbance = firstDisturbance(run);
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
    return merged;
}

}  // namespace quilbo
