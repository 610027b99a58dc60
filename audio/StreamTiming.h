// Where a stream is, read from the server's timing reports, for every stream the program makes:
// for playback, the frame the server takes now, the frame the listener hears now, which of what
// was sent has been played, and where a stop's fade may begin; for capture, what the input still
// holds; and, for a sweep played while it is recorded, where the playback's first frame lands in
// the recording. The playback device, the sweep recorder and the streaming capture all ask here.
#pragma once

#include <pulse/sample.h>
#include <pulse/stream.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace quilbo {

class PulseConnection;

struct PlaybackPoint {
    std::uint64_t read = 0;   // frames the server has taken, carried to now
    std::uint64_t heard = 0;  // frames the listener has heard: read less what the sink holds
};

// One playback stream's timing. Frames are counted in the sample format given (the pieces' frames,
// where a widened stream counts more bytes a frame than its pieces hold). The last report whose
// read index can be trusted is kept: a stop that gets no fresh word in time, or one marked corrupt,
// still knows where the stream is, from that report carried on by its age.
class StreamTiming {
public:
    // A stop's fade: how long to wait for the server's word on where the stream is, how far ahead
    // of the sound the fade begins, how far at least ahead of what the server has read, and how
    // much longer a faded stream is kept than its fade should take to be heard (nothing but
    // silence follows, while a server running late on a loaded machine would otherwise lose the
    // fade's end to the stream's removal: a click).
    static constexpr std::chrono::milliseconds kFadeTimingWait{50};
    static constexpr pa_usec_t kFadeLead = 30000;
    static constexpr pa_usec_t kFadeGuard = 10000;
    static constexpr pa_usec_t kLateServerMargin = 250000;
    // The most a sink is taken to hold as one block.
    static constexpr pa_usec_t kLongestSinkBlock = 100000;

    // streamFrameBytes: bytes a frame as the stream counts them.
    StreamTiming(const pa_sample_spec& spec, std::uint64_t streamFrameBytes);

    // A new stream: nothing is known of it.
    void restart();
    // Takes the stream's latest report; false when there is none or its read index is not to be
    // trusted (the last good one is kept).
    bool take(const pa_timing_info* timing);
    // Asks the server for a fresh report and waits for it at most wait (loop lock held), then
    // takes whatever the stream holds. False when no report was ever good.
    bool refresh(PulseConnection& connection, pa_stream* stream, std::chrono::milliseconds wait);
    bool known() const { return m_known; }

    // The last good report carried to now by its age, while the stream was playing.
    PlaybackPoint now() const;
    // The first frame a fade may begin at: kFadeLead ahead of what is heard, and, when guardRead
    // holds, at least kFadeGuard past what the server has taken (audio a graph or a monitor has
    // taken is never taken back). Such a sink takes its audio a block at a time, and when what it
    // holds runs low it is about to take the next block before a write can reach it: the fade
    // then also stays kFadeGuard beyond the most the sink has held by any report.
    std::uint64_t fadeStart(const PlaybackPoint& point, bool guardRead) const;

    // The frames of sent that have been played as of the last report (never more than sent).
    std::uint64_t played(std::uint64_t sent, pa_usec_t now);
    // How long to wait before the next report, for a first piece ending at firstEnd (bytes of the
    // sample format's frames, which need not be whole).
    pa_usec_t nextLook(std::uint64_t playedFrames, std::uint64_t firstEnd, pa_usec_t now) const;

private:
    std::uint64_t framesOf(pa_usec_t usec) const;

    const pa_sample_spec m_spec;
    const std::uint64_t m_frameBytes;
    const std::uint64_t m_streamFrameBytes;
    bool m_known = false;
    bool m_playing = false;
    std::uint64_t m_read = 0;  // frames, as of the report
    pa_usec_t m_sinkUsec = 0;
    pa_usec_t m_largestSinkHold = 0;  // by any report, up to kLongestSinkBlock
    struct timeval m_timestamp {};
    // Once the server has read everything sent, the rest is in the sink and heard within the
    // sink's latency: from then on its end counts as played at tailDue.
    bool m_tailArmed = false;
    std::uint64_t m_tailEnd = 0;
    pa_usec_t m_tailDue = 0;
};

struct StreamReport {
    std::uint64_t delayUsec = 0;  // what the input still held at the report
    std::uint64_t atUsec = 0;     // when the report was made (microseconds)
};
// A capture stream's report. Null or a corrupt report: zeros.
StreamReport captureReport(const pa_timing_info* timing);

// Where a playback's first frame lands in a recording made at the same rate, from pairs of the
// two streams' reports.
class StreamAlignment {
public:
    struct Streams {
        unsigned rate = 0;
        std::uint64_t recordFrameBytes = 0;
        std::uint64_t playbackFrameBytes = 0;
        bool monitor = false;   // the input is the output's monitor
        bool pipeWire = false;  // PipeWire's pulse service: one graph cycle more
    };
    explicit StreamAlignment(const Streams& streams) : m_streams(streams) {}

    // One pair of reports, ignored when either is not to be trusted or the playback has not begun.
    void add(const pa_timing_info* record, const pa_timing_info* playback);
    std::size_t pairs() const { return m_offsets.size(); }
    // The recorded frame the playback's first frame lands on: the median of the pairs; none
    // without a pair.
    std::optional<std::int64_t> offset() const;

    // A lasting step in where the playback lands: sound lost or repeated between the two streams
    // while the sweep played, which the reports see even where no stream event said so.
    struct Step {
        double frames = 0;    // how far the playback moved in the recording
        std::int64_t at = 0;  // the recorded frame it moved at
    };
    // The largest step between the median of the pairs before a report and of those from it on,
    // when larger than `frames`; a few pairs on each side at least, so that one report taken
    // between two streams' blocks is no step.
    std::optional<Step> step(double frames) const;

private:
    const Streams m_streams;
    std::vector<double> m_offsets;         // one a pair, in recorded frames
    std::vector<std::int64_t> m_captured;  // one a pair: the frames the input had captured
    std::int64_t m_cycle = 0;              // PipeWire's graph cycle, in frames, as measured
};

}  // namespace quilbo
