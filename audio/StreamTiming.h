// Where a stream is, read from the server's timing report: for playback, the frame the server
// takes now and the frame the listener hears now, and where a fade may begin; for capture, what
// the input still holds. Both the playback device and the sweep recorder ask this, and so does
// the streaming capture.
#pragma once

#include <pulse/sample.h>
#include <pulse/stream.h>

#include <cstdint>

namespace quilbo {

struct PlaybackPoint {
    std::uint64_t read = 0;   // frames the server has taken, carried to now
    std::uint64_t heard = 0;  // frames the listener has heard: read less what the sink holds
};

// spec: the stream's sample spec; streamFrameBytes: bytes per frame as the stream counts them
// (a widened stream counts more bytes than its pieces hold).
PlaybackPoint playbackPoint(const pa_timing_info& timing, const pa_sample_spec& spec,
                            std::uint64_t streamFrameBytes);

// The first frame a fade may begin at: lead ahead of what is heard, and, when guardRead holds,
// at least guard past what the server has taken (audio a graph or a monitor has taken is never
// taken back).
std::uint64_t fadeStart(const PlaybackPoint& point, const pa_sample_spec& spec, pa_usec_t lead,
                        pa_usec_t guard, bool guardRead);

struct StreamReport {
    std::uint64_t delayUsec = 0;  // what the input still held at the report
    std::uint64_t atUsec = 0;     // when the report was made (microseconds)
};
// Null or a corrupt report: zeros.
StreamReport captureReport(const pa_timing_info* timing);

}  // namespace quilbo
