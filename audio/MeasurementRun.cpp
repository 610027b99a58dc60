// A measurement run: the played signal, the recording's segments and their analyses.
#include "audio/MeasurementRun.h"

#include "audio/Logging.h"
#include "measure/Disturbance.h"

#include <algorithm>
#include <cmath>

namespace quilbo {

namespace {

// The delay from the loopback's arrival rather than from the stream's start: whatever the
// servers' reports got wrong, both channels of the input share it. A loopback not heard leaves
// no delay to trust.
void fromLoopback(Analysis& heard, const Analysis& loopback) {
    if (loopback.status != AnalysisStatus::Ok) {
        heard.status = AnalysisStatus::Failed;
        heard.failure = {MeasureProblem::LoopbackNotHeard,
                         describeMeasureFailure(loopback.failure)};
        return;
    }
    heard.delaySeconds -= loopback.delaySeconds;
}

// The channels' signals where the loopback heard the first sweep begin rather than where the
// servers' reports put it: that sweep looked for from half its quiet stretch early, so a report
// wrong by that much early or by the tail late still finds it. Unheard, the starts stay.
std::vector<std::int64_t> placedByLoopback(const std::vector<float>& loopback,
                                           const MeasureSettings& settings,
                                           std::vector<std::int64_t> starts, std::int64_t quiet) {
    AnalysisSettings look;
    look.sweep = settings.sweep;
    look.smoothing = Smoothing::None;
    const std::int64_t early = std::max<std::int64_t>(starts[0] + quiet / 2, 0);
    look.segmentStart = static_cast<std::size_t>(std::max<std::int64_t>(starts[0], 0));
    look.sweepStart = static_cast<std::size_t>(early);
    look.segmentEnd = static_cast<std::size_t>(
        starts.size() > 1 ? std::max<std::int64_t>(starts[1], early + 1) : 0);
    const Analysis found = analyse(loopback, look);
    if (found.status == AnalysisStatus::Ok) {
        const std::int64_t arrival =
            early + std::llround(found.delaySeconds * settings.sweep.rate) - (starts[0] + quiet);
        for (std::int64_t& start : starts) {
            start += arrival;
        }
    }
    return starts;
}

// One analysis per channel: the segment runs from a quiet stretch before the channel's sweep to
// the next channel's signal (or the recording's end).
void analyseChannels(MeasureResult& result, const MeasureSettings& settings,
                     std::vector<std::int64_t> signalStarts,
                     const std::vector<float>& loopback = {}) {
    const auto quiet =
        static_cast<std::int64_t>(std::lround(settings.quietSeconds * settings.sweep.rate));
    const auto sweepLength = static_cast<std::int64_t>(sweepFrames(settings.sweep));
    const auto tail =
        static_cast<std::int64_t>(std::lround(settings.tailSeconds * settings.sweep.rate));
    if (!loopback.empty() && !signalStarts.empty()) {
        signalStarts = placedByLoopback(loopback, settings, std::move(signalStarts), quiet);
    }
    for (std::size_t i = 0; i < settings.channels.size() && i < signalStarts.size(); ++i) {
        AnalysisSettings analysis;
        analysis.sweep = settings.sweep;
        analysis.gateMs = settings.gateMs;
        analysis.smoothing = settings.smoothing;
        analysis.lowestSnrDb = settings.lowestSnrDb;

        const std::int64_t start = std::max<std::int64_t>(signalStarts[i], 0);
        analysis.segmentStart = static_cast<std::size_t>(start);
        analysis.sweepStart =
            static_cast<std::size_t>(std::max<std::int64_t>(signalStarts[i] + quiet, 0));
        // The last one ends where the tail asked for ends, not wherever the recording stopped:
        // the response's window then has the same length in every run, and so does the
        // response (a window a few blocks longer or shorter moves a long low tail's by 0.01 dB).
        const std::int64_t end = i + 1 < signalStarts.size()
                                     ? signalStarts[i + 1]
                                     : signalStarts[i] + quiet + sweepLength + tail;
        analysis.segmentEnd = end >= static_cast<std::int64_t>(result.recording.size()) &&
                                      i + 1 == signalStarts.size()
                                  ? 0
                                  : static_cast<std::size_t>(std::max<std::int64_t>(end, 0));
        ChannelResult channel{settings.channels[i], analyse(result.recording, analysis)};
        if (!loopback.empty() && channel.analysis.status == AnalysisStatus::Ok) {
            fromLoopback(channel.analysis, analyse(loopback, analysis));
        }
        if (settings.calibration && channel.analysis.status == AnalysisStatus::Ok) {
            settings.calibration->removeFrom(channel.analysis.response);
        }
        result.channels.push_back(std::move(channel));
    }
}

// Sound lost on the way disturbs the whole run: a stretch dropped in one channel's quiet part
// moves its sweep without a trace in its own recording, so no channel is kept. Judged channel by
// channel, only a stream's disturbance, which says nothing of when, reaches every channel.
// A step the streams' timing reports saw is dated from the first sweep's start: the time in the
// sweep for a run of one channel.
void refuseDisturbedRun(MeasureResult& result, const Recording& recording,
                        MeasureSettings::Disturbances rule) {
    MeasureFailure disturbance;
    if (recording.underflows > 0) {
        disturbance = {MeasureProblem::OutputRanDry, std::to_string(recording.underflows)};
    } else if (recording.overflows > 0) {
        disturbance = {MeasureProblem::InputOverflowed, std::to_string(recording.overflows)};
    } else if (recording.slippedAt) {
        const std::int64_t first =
            recording.channelStarts.empty() ? recording.playbackStart : recording.channelStarts[0];
        disturbance = {
            MeasureProblem::SoundOutOfPlace,
            disturbanceTime(static_cast<double>(*recording.slippedAt - first) / recording.rate)};
    } else if (rule == MeasureSettings::Disturbances::RefuseRun) {
        for (const ChannelResult& channel : result.channels) {
            if (isDisturbance(channel.analysis.failure)) {
                disturbance = channel.analysis.failure;
                break;
            }
        }
    }
    if (!disturbance.failed()) {
        return;
    }
    for (ChannelResult& channel : result.channels) {
        if (!isDisturbance(channel.analysis.failure)) {
            channel.analysis = Analysis{};
            channel.analysis.failure = disturbance;
        }
    }
}

MeasureResult measureOnce(SweepRecorder& recorder, const MeasureSettings& settings,
                          const SweepRecorder::Progress& progress) {
    MeasureResult result;
    RecordRequest request;
    request.sweep = measurementSignal(settings);
    request.rate = static_cast<unsigned>(settings.sweep.rate);
    request.sink = settings.output;
    request.sinkChannels = settings.outputChannels;
    request.channels = settings.channels;
    request.gapSeconds = measurementGapSeconds(settings);
    request.source = settings.input;
    request.tailSeconds = settings.tailSeconds;
    request.referenceChannel = settings.referenceChannel;
    Recording recording = recorder.record(request, progress);
    result.record = recording.result;
    if (recording.result != RecordResult::Ok) {
        result.problem = recording.problem;
        result.detail = std::move(recording.detail);
        return result;
    }
    result.recording = std::move(recording.samples);
    result.delaysFromLoopback = settings.referenceChannel > 0 && !recording.loopback.empty();
    result.delaysExact = recording.startExact || result.delaysFromLoopback;
    analyseChannels(result, settings, recording.channelStarts, recording.loopback);
    refuseDisturbedRun(result, recording, settings.disturbances);
    return result;
}

}  // namespace

const MeasureFailure* MeasureResult::disturbance() const {
    for (const ChannelResult& channel : channels) {
        if (isDisturbance(channel.analysis.failure)) {
            return &channel.analysis.failure;
        }
    }
    return nullptr;
}

const ChannelResult* MeasureResult::firstFailedChannel() const {
    const auto failed = std::find_if(channels.begin(), channels.end(), [](const ChannelResult& c) {
        return c.analysis.status != AnalysisStatus::Ok;
    });
    return failed == channels.end() ? nullptr : &*failed;
}

std::string describeMeasureResult(const MeasureResult& result) {
    if (result.sweep.failed()) {
        return describeMeasureFailure(result.sweep);
    }
    if (result.record != RecordResult::Ok) {
        return describeRecordFailure(result.record, result.problem, result.detail);
    }
    if (const MeasureFailure* disturbance = result.disturbance()) {
        const std::size_t runs = result.disturbedRuns.size() + 1;
        return describeMeasureFailure(*disturbance) +
               (runs > 1 ? " (all " + std::to_string(runs) + " runs were disturbed)" : "");
    }
    if (const ChannelResult* failed = result.firstFailedChannel()) {
        return "channel " + std::to_string(failed->channel) + ": " +
               describeMeasureFailure(failed->analysis.failure);
    }
    return result.channels.empty() ? "nothing was measured" : std::string();
}

std::string describeChannelFailure(const MeasureResult& result, unsigned channel) {
    const auto found =
        std::find_if(result.channels.begin(), result.channels.end(),
                     [channel](const ChannelResult& c) { return c.channel == channel; });
    if (found != result.channels.end() && found->analysis.status != AnalysisStatus::Ok) {
        return describeMeasureFailure(found->analysis.failure);
    }
    if (found != result.channels.end() && result.record == RecordResult::Ok) {
        return {};
    }
    return result.record == RecordResult::Ok ? "nothing was measured"
                                             : describeMeasureResult(result);
}

bool MeasureResult::ok() const {
    return record == RecordResult::Ok && !channels.empty() &&
           std::all_of(channels.begin(), channels.end(), [](const ChannelResult& c) {
               return c.analysis.status == AnalysisStatus::Ok;
           });
}

double measurementGapSeconds(const MeasureSettings& settings) {
    // The tail of one channel's response must have died away before the next one's quiet
    // stretch begins.
    return settings.tailSeconds;
}

std::vector<float> measurementSignal(const MeasureSettings& settings) {
    std::vector<float> signal(
        static_cast<std::size_t>(std::lround(settings.quietSeconds * settings.sweep.rate)), 0.0F);
    const std::vector<float> sweep = generateSweep(settings.sweep);
    signal.insert(signal.end(), sweep.begin(), sweep.end());
    return signal;
}

MeasureResult runMeasurement(SweepRecorder& recorder, const MeasureSettings& settings,
                             const SweepRecorder::Progress& progress) {
    MeasureResult result;
    if (MeasureFailure problem = settings.sweep.validate(); problem.failed()) {
        result.record = RecordResult::BadRequest;
        result.sweep = std::move(problem);
        return result;
    }
    std::vector<MeasureFailure> disturbed;
    for (int run = 1;; ++run) {
        result = measureOnce(recorder, settings, progress);
        // Noise in the quiet stretch may have been a passing sound, or sound out of its place
        // there: worth another try as well.
        const MeasureFailure* disturbance = result.disturbance();
        for (const ChannelResult& channel : result.channels) {
            if (disturbance == nullptr &&
                channel.analysis.failure.code == MeasureProblem::TooQuiet) {
                disturbance = &channel.analysis.failure;
            }
        }
        if (disturbance == nullptr || run >= settings.tries ||
            settings.disturbances == MeasureSettings::Disturbances::EachChannel) {
            result.disturbedRuns = std::move(disturbed);
            return result;
        }
        qCWarning(lcAudio) << "A measurement was disturbed and is made again:"
                           << describeMeasureFailure(*disturbance).c_str();
        disturbed.push_back(*disturbance);
    }
}

MeasureResult analyseRecording(std::vector<float> recording, const MeasureSettings& settings) {
    MeasureResult result;
    if (MeasureFailure problem = settings.sweep.validate(); problem.failed()) {
        result.record = RecordResult::BadRequest;
        result.sweep = std::move(problem);
        return result;
    }
    result.record = RecordResult::Ok;
    result.recording = std::move(recording);
    const std::size_t signalFrames = measurementSignal(settings).size();
    const auto gap = static_cast<std::int64_t>(
        std::lround(measurementGapSeconds(settings) * settings.sweep.rate));
    std::vector<std::int64_t> starts;
    for (std::size_t i = 0; i < settings.channels.size(); ++i) {
        starts.push_back(static_cast<std::int64_t>(i) *
                         (static_cast<std::int64_t>(signalFrames) + gap));
    }
    analyseChannels(result, settings, starts);
    refuseDisturbedRun(result, Recording{}, settings.disturbances);
    return result;
}

}  // namespace quilbo
