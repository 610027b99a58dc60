// A measurement as a user asks for one: the sweep played on one or more output channels in turn
// while the input records, and each channel's part of the recording analysed.
#pragma once

#include "audio/SweepRecorder.h"
#include "measure/Analysis.h"
#include "measure/Calibration.h"

#include <optional>
#include <string>
#include <vector>

namespace quilbo {

struct MeasureSettings {
    SweepSettings sweep;                // rate, range, length and level of each channel's sweep
    std::string output;                 // empty: the system's default output
    unsigned outputChannels = 0;        // of the playback stream; 0: the output's own
    std::vector<unsigned> channels{1};  // 1-based, swept one after another
    std::string input;                  // empty: the system's default input
    double quietSeconds = 0.5;          // recorded before each sweep: the noise floor
    double tailSeconds = 1.0;           // recorded after the last sweep: the longest delay expected
    double gateMs = 0.0;                // the response's window; 0: the whole response
    Smoothing smoothing = Smoothing::Octave48;
    std::optional<Calibration> calibration;  // the microphone's, removed from every response
    // 1-based output channel that plays every sweep as well, wired back to the input's second
    // channel: delays are then measured from that loopback, not from the servers' reports. 0: none.
    unsigned referenceChannel = 0;
    // Runs at most, when the sound is disturbed on its way: the first and this many less one
    // more. A disturbance, or noise too loud in the quiet stretch, is measured again; never a
    // clipped input.
    int tries = 3;
    double lowestSnrDb = 20.0;  // as AnalysisSettings has it
    // How a disturbance is met. RefuseRun: one channel's disturbance, or a stream's, refuses
    // every channel (sound dropped in one channel's quiet stretch moves every later sweep without
    // a trace in its own recording) and the run is made again. EachChannel: each channel is judged
    // by its own sweep (a stream's disturbance, which has no time, by every channel) and the run
    // is made once; the caller decides what to measure again.
    enum class Disturbances { RefuseRun, EachChannel };
    Disturbances disturbances = Disturbances::RefuseRun;
};

struct ChannelResult {
    unsigned channel = 1;
    Analysis analysis;
};

struct MeasureResult {
    RecordResult record = RecordResult::Failed;
    // Why nothing was recorded, beyond the result: as the recording gave them.
    RecordProblem problem = RecordProblem::None;
    std::string detail;
    MeasureFailure sweep;  // the settings' sweep refused before anything played (BadRequest)
    std::vector<ChannelResult> channels;
    std::vector<float> recording;  // the input as recorded, for a look at what went wrong
    // False when the server converted a rate with a delay it does not report: each channel's
    // delay is then right only relative to the first channel's.
    bool delaysExact = true;
    // True when each channel's delay is from the loopback's (the reference channel's) arrival.
    bool delaysFromLoopback = false;
    // Each earlier run's disturbance, the first run's first: this result is from the run after.
    std::vector<MeasureFailure> disturbedRuns;
    // True when every channel was analysed (none clipped, none failed).
    bool ok() const;
    // The first channel whose analysis failed (its reason in analysis.failure), or none.
    const ChannelResult* firstFailedChannel() const;
    // The run's disturbance, if the sound was disturbed on its way; then no channel is
    // analysed, for none can be trusted.
    const MeasureFailure* disturbance() const;
};

// In English, for the command-line tools and the logs: why the run failed, empty when it did
// not. The pages have their own, translated sentences.
std::string describeMeasureResult(const MeasureResult& result);
// The same for one channel: its analysis's failure, else the run's; empty when it was analysed.
std::string describeChannelFailure(const MeasureResult& result, unsigned channel);

// The mono signal each channel plays: the quiet stretch, then the sweep.
std::vector<float> measurementSignal(const MeasureSettings& settings);

// Plays and records through recorder, then analyses; a disturbed run is made again, up to
// settings.tries runs in all. Bounded as the recorder is; progress goes from 0 to 1 over each
// run's playback. Never throws.
MeasureResult runMeasurement(SweepRecorder& recorder, const MeasureSettings& settings,
                             const SweepRecorder::Progress& progress = {});

// Analyses a recording made elsewhere of the channels' signals played in turn from its first
// sample, separated as runMeasurement separates them (gap = quietSeconds of silence after each).
MeasureResult analyseRecording(std::vector<float> recording, const MeasureSettings& settings);

// The gap left between one channel's signal and the next.
double measurementGapSeconds(const MeasureSettings& settings);

}  // namespace quilbo
