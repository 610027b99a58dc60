// The sweep recorder interface: play a mono sweep on chosen output channels in turn while
// recording an input, and say where the playback sits in the recording. A back end (libpulse,
// or a fake in tests) stands behind it, as WaveOutBackend stands behind the player.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quilbo {

enum class RecordResult {
    Ok,
    Cancelled,   // cancel() was called; the playback faded out
    BadRequest,  // the request itself is wrong (empty sweep, channel out of range...)
    NoServer,    // no sound server answered, or it went away
    NoSink,      // the output does not exist
    NoSource,    // the input does not exist
    BadFormat,   // the output or the input refused the rate or the channel count
    SinkLost,    // the output went away while playing
    SourceLost,  // the input went away while recording
    Failed,      // anything else (a server that stops answering midway)
};
inline constexpr int kRecordResultCount = static_cast<int>(RecordResult::Failed) + 1;

// What exactly went wrong, where the result alone does not say: why a request is BadRequest, or
// which step Failed.
enum class RecordProblem {
    None,
    // Under BadRequest:
    Rate,                // not a rate a server takes; the detail is the rate
    EmptySweep,          // no sweep to play
    SweepTooLong,        // a sweep longer than 10 minutes
    SweepNotNumber,      // a sample that is not a number
    Pause,               // the gap or the tail not 0 to 60 s
    OutputChannels,      // the output's channel count unplayable; the detail is the count
    TurnCount,           // not 1 to 256 channels to play in turn
    ChannelNotOnOutput,  // the detail is the channel's number
    RunTooLong,          // sweeps, gaps and tail longer than 10 minutes
    NoLoopbackInput,     // a reference asked for on an input of one channel; the detail is its name
    // Under Failed:
    NoStream,          // the server would not make a stream
    NoMemory,          // no memory for the recording
    InputSilent,       // the input sends nothing; the detail is its name
    OutputNotStarted,  // the output did not start playing; the detail is its name
    NotAnswering,      // the server stopped answering midway
    // Refused before any recorder was asked:
    NoRecorder,  // the program has no recorder to measure with
    Busy,        // another measurement is running
};
inline constexpr int kRecordProblemCount = static_cast<int>(RecordProblem::Busy) + 1;

struct RecordRequest {
    std::vector<float> sweep;           // mono, played as it is on each chosen channel
    unsigned rate = 48000;              // of the sweep, the playback and the recording
    std::string sink;                   // empty: the default output
    unsigned sinkChannels = 0;          // 0: the output's own channel count
    std::vector<unsigned> channels{1};  // 1-based, played one after another
    double gapSeconds = 0.5;            // silence between one channel's sweep and the next
    std::string source;                 // empty: the default input
    double tailSeconds = 1.0;           // recorded after the last sweep (the longest delay)
    // 1-based output channel that plays every sweep as well, wired back to the input's second
    // channel (a loopback): the timing reference. 0: none.
    unsigned referenceChannel = 0;
};

struct Recording {
    RecordResult result = RecordResult::Failed;
    RecordProblem problem = RecordProblem::None;
    // What a failure concerns, never a sentence: the device's name (empty for the default one)
    // under NoSink, NoSource, SinkLost and SourceLost, the server's own words for a stream it
    // refused, the figure a request got wrong.
    std::string detail;
    unsigned rate = 0;
    std::vector<float> samples;   // the input's first channel, from the start of recording
    std::vector<float> loopback;  // its second, beside it, when a reference channel was asked for
    // Where the playback's first frame is expected in samples (by the servers' timing reports,
    // the method in PulseRecordRun.cpp), and where each chosen channel's sweep begins:
    // playbackStart plus a whole number of frames, exact relative to one another.
    std::int64_t playbackStart = 0;
    std::vector<std::int64_t> channelStarts;
    // False when the server converted a stream's rate with a delay it does not report:
    // playbackStart is then off by up to a few milliseconds, the channels' starts still exact
    // relative to one another.
    bool startExact = true;
    std::uint64_t underflows = 0;  // times the output ran dry (those sweeps are damaged)
    std::uint64_t overflows = 0;   // times the input lost sound for want of room
    // The recorded frame at which the streams' timing reports saw the playback move in the
    // recording while it played (sound lost or repeated between them, which no stream event
    // told of); none when they did not.
    std::optional<std::int64_t> slippedAt;
};

struct SourceInfo {
    std::string name;
    std::string description;
    bool monitor = false;  // what an output plays, rather than a microphone or line input
};

class SweepRecorder {
public:
    // Fraction of the playback heard so far, 0 to 1, on the thread that called record().
    using Progress = std::function<void(double)>;

    virtual ~SweepRecorder() = default;

    // Plays and records synchronously, bounded even against a server that stops answering. One
    // run at a time; a GUI calls it on a worker thread and posts the progress to its own.
    virtual Recording record(const RecordRequest& request, const Progress& progress = {}) = 0;
    // From any thread: the running record() fades out and returns Cancelled soon after. A cancel
    // before record() begins cancels that run.
    void cancel() { m_cancelled = true; }

    // Every input, the outputs' monitors among them (marked).
    virtual std::vector<SourceInfo> sources() = 0;
    virtual std::string defaultSource() = 0;

protected:
    // record() takes the flag back when it returns.
    std::atomic<bool> m_cancelled{false};
};

// The result's identifier, for test output only.
const char* recordResultName(RecordResult result);
// In English, for the command-line tools and the logs: "there is no output named X". The pages
// have their own, translated sentences.
std::string describeRecordFailure(RecordResult result, RecordProblem problem,
                                  const std::string& detail);

}  // namespace quilbo
