// The sweep recorder interface: play a mono sweep on chosen output channels in turn while
// recording an input, and say where the playback sits in the recording. A back end (libpulse,
// or a fake in tests) stands behind it, as WaveOutBackend stands behind the player.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
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

struct RecordRequest {
    std::vector<float> sweep;           // mono, played as it is on each chosen channel
    unsigned rate = 48000;              // of the sweep, the playback and the recording
    std::string sink;                   // empty: the default output
    unsigned sinkChannels = 0;          // 0: the output's own channel count
    std::vector<unsigned> channels{1};  // 1-based, played one after another
    double gapSeconds = 0.5;            // silence between one channel's sweep and the next
    std::string source;                 // empty: the default input
    double tailSeconds = 1.0;           // recorded after the last sweep (the longest delay)
};

struct Recording {
    RecordResult result = RecordResult::Failed;
    std::string message;  // empty on success; says what went wrong otherwise
    unsigned rate = 0;
    std::vector<float> samples;  // the input's first channel, from the start of recording
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

const char* recordResultName(RecordResult result);

}  // namespace quilbo
