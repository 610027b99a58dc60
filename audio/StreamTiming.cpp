// Stream positions from timing reports.
#include "audio/StreamTiming.h"

#include <pulse/timeval.h>

#include <algorithm>

namespace quilbo {

PlaybackPoint playbackPoint(const pa_timing_info& timing, const pa_sample_spec& spec,
                            std::uint64_t streamFrameBytes) {
    const std::uint64_t frame = pa_frame_size(&spec);
    // The report's read index, plus the time since the report was made while the stream plays.
    const std::uint64_t moved =
        timing.playing ? pa_usec_to_bytes(pa_timeval_age(&timing.timestamp), &spec) / frame : 0;
    PlaybackPoint point;
    point.read = static_cast<std::uint64_t>(std::max<std::int64_t>(timing.read_index, 0)) /
                     streamFrameBytes +
                 moved;
    const std::uint64_t inSink = pa_usec_to_bytes(timing.sink_usec, &spec) / frame;
    point.heard = point.read > inSink ? point.read - inSink : 0;
    return point;
}

std::uint64_t fadeStart(const PlaybackPoint& point, const pa_sample_spec& spec, pa_usec_t lead,
                        pa_usec_t guard, bool guardRead) {
    const std::uint64_t frame = pa_frame_size(&spec);
    const std::uint64_t from = point.heard + pa_usec_to_bytes(lead, &spec) / frame;
    return guardRead ? std::max(from, point.read + pa_usec_to_bytes(guard, &spec) / frame) : from;
}

StreamReport captureReport(const pa_timing_info* timing) {
    if (timing == nullptr || timing->write_index_corrupt) {
        return {};
    }
    return {timing->source_usec, pa_timeval_load(&timing->timestamp)};
}

}  // namespace quilbo
