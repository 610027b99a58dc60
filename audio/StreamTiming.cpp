// Stream positions from timing reports: playback's heard and played frames and a stop's fade,
// capture's delay, and a sweep's alignment in its recording.
#include "audio/StreamTiming.h"

#include <pulse/timeval.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <span>

#include "audio/PulseConnection.h"

namespace quilbo {

namespace {

// PipeWire's graph cycles, in frames, that the alignment allows for.
constexpr std::int64_t kShortestCycle = 32;
constexpr std::int64_t kLongestCycle = 8192;

}  // namespace

StreamTiming::StreamTiming(const pa_sample_spec& spec, std::uint64_t streamFrameBytes)
    : m_spec(spec), m_frameBytes(pa_frame_size(&spec)), m_streamFrameBytes(streamFrameBytes) {}

std::uint64_t StreamTiming::framesOf(pa_usec_t usec) const {
    return pa_usec_to_bytes(usec, &m_spec) / m_frameBytes;
}

void StreamTiming::restart() {
    m_known = false;
    m_tailArmed = false;
}

bool StreamTiming::take(const pa_timing_info* timing) {
    if (timing == nullptr || timing->read_index_corrupt) {
        return false;
    }
    m_known = true;
    m_playing = timing->playing != 0;
    m_read = static_cast<std::uint64_t>(std::max<std::int64_t>(timing->read_index, 0)) /
             m_streamFrameBytes;
    m_sinkUsec = timing->sink_usec;
    m_largestSinkHold = std::max(m_largestSinkHold, std::min(m_sinkUsec, kLongestSinkBlock));
    m_timestamp = timing->timestamp;
    return true;
}

bool StreamTiming::refresh(PulseConnection& connection, pa_stream* stream,
                           std::chrono::milliseconds wait) {
    struct Answer {
        PulseConnection* connection;
        bool came = false;
    } answer{&connection};
    OperationPtr update(pa_stream_update_timing_info(
        stream,
        [](pa_stream*, int, void* self) {
            auto* answer = static_cast<Answer*>(self);
            answer->came = true;
            answer->connection->signal();
        },
        &answer));
    // Without an answer in time the last good report serves, its age taken into account.
    connection.awaitQuery(
        update, [&] { return answer.came; }, wait);
    take(pa_stream_get_timing_info(stream));
    return m_known;
}

PlaybackPoint StreamTiming::now() const {
    // The report's read index, plus the time since the report was made while the stream plays.
    PlaybackPoint point;
    point.read = m_read + (m_playing ? framesOf(pa_timeval_age(&m_timestamp)) : 0);
    const std::uint64_t inSink = framesOf(m_sinkUsec);
    point.heard = point.read > inSink ? point.read - inSink : 0;
    return point;
}

std::uint64_t StreamTiming::fadeStart(const PlaybackPoint& point, bool guardRead) const {
    const std::uint64_t from = point.heard + framesOf(kFadeLead);
    if (!guardRead) {
        return from;
    }
    const std::uint64_t taken = std::max(point.read, point.heard + framesOf(m_largestSinkHold));
    return std::max(from, taken + framesOf(kFadeGuard));
}

std::uint64_t StreamTiming::played(std::uint64_t sent, pa_usec_t now) {
    // A piece is done once it has been played, not merely handed over: what the sink has read
    // minus what still sits in the sink's own buffer.
    const std::uint64_t inSink = framesOf(m_sinkUsec);
    std::uint64_t played = m_read > inSink ? m_read - inSink : 0;
    if (m_read >= sent && (!m_tailArmed || m_tailEnd != sent)) {
        m_tailArmed = true;
        m_tailEnd = sent;
        m_tailDue = now + m_sinkUsec;
    }
    if (m_tailArmed && now >= m_tailDue) {
        played = std::max(played, m_tailEnd);
    }
    return std::min(played, sent);
}

pa_usec_t StreamTiming::nextLook(std::uint64_t playedFrames, std::uint64_t firstEnd,
                                 pa_usec_t now) const {
    // When the first piece should have played out: it comes back at once and is refilled, so
    // three pieces' worth stays queued. (Waiting for more to come back at a time wakes the
    // process less often but lets the queue run down to two pieces, and a wake-up late under
    // load then empties it.)
    const std::uint64_t played = playedFrames * m_frameBytes;
    pa_usec_t delay = pa_bytes_to_usec(firstEnd - std::min(played, firstEnd), &m_spec);
    if (m_tailArmed && m_tailDue > now) {
        delay = std::min(delay, m_tailDue - now);
    }
    return std::clamp<pa_usec_t>(delay + 2000, 4000, 1000000);
}

StreamReport captureReport(const pa_timing_info* timing) {
    if (timing == nullptr || timing->write_index_corrupt) {
        return {};
    }
    return {timing->source_usec, pa_timeval_load(&timing->timestamp)};
}

// Alignment. Each timing report says, as of the server's own timestamp, how far a stream has
// gone: the playback's read index less what its sink still holds is the frame being heard; the
// record stream's write index plus what its source still holds is the sample being captured.
// Carried to one instant, their difference is where the playback's first frame lands in the
// recording when the path from output to input takes no time. Reports are taken in pairs while
// the sweep plays and the median kept. A monitor hears its sink as the sink takes
// the audio, in the sink's blocks: for a monitor the two indices alone are compared. PipeWire's
// pulse service (0.3.65) reports no delay for its nodes while audio read from a stream reaches a
// monitor's recording one graph cycle later: one cycle is added, its length the largest common
// divisor of both streams' reported indices (the graph moves whole cycles). Measured on a null
// sink's monitor this is exact to the sample on both servers; through a sound card the
// alignment is as good as the latency its driver reports, and its converters' delay is part of
// the path the measurement sees.
void StreamAlignment::add(const pa_timing_info* rec, const pa_timing_info* play) {
    if (rec == nullptr || play == nullptr || rec->write_index_corrupt || play->read_index_corrupt ||
        !play->playing || play->read_index <= 0) {
        return;
    }
    const double rate = m_streams.rate;
    const auto recordFrameBytes = static_cast<double>(m_streams.recordFrameBytes);
    const auto playbackFrameBytes = static_cast<double>(m_streams.playbackFrameBytes);
    // In microseconds since each report was made; carried to one instant by the clock both
    // timestamps use. A monitor is the exception: it moves with its sink, block by block, and
    // hears it as the sink takes the audio, before the sink's own delay. Both indices step
    // together, so their difference holds between steps; carrying them to one instant would
    // count the time between the two reports as if the audio flowed evenly meanwhile.
    const bool monitor = m_streams.monitor;
    const double captured = rec->write_index / recordFrameBytes / rate * 1e6 +
                            static_cast<double>(rec->source_usec) -
                            (monitor ? 0.0 : static_cast<double>(pa_timeval_load(&rec->timestamp)));
    const double heard = static_cast<double>(play->read_index) / playbackFrameBytes / rate * 1e6 -
                         (monitor ? 0.0
                                  : static_cast<double>(play->sink_usec) +
                                        static_cast<double>(pa_timeval_load(&play->timestamp)));
    // The graph moves whole cycles, so every index either stream reports is a multiple of the
    // cycle; with a dozen or more of them a larger common divisor by chance is most unlikely.
    m_cycle = std::gcd(m_cycle, static_cast<std::int64_t>(rec->write_index / recordFrameBytes));
    m_cycle = std::gcd(m_cycle, static_cast<std::int64_t>(play->read_index / playbackFrameBytes));
    m_offsets.push_back((captured - heard) * rate / 1e6);
    m_captured.push_back(static_cast<std::int64_t>(rec->write_index / recordFrameBytes));
}

namespace {

// A straight line through points, by least squares: the two streams' clocks may drift apart
// evenly (two sound cards), which is no step.
struct Line {
    double slope = 0, intercept = 0;
    double at(double x) const { return intercept + slope * x; }
};

Line lineThrough(std::span<const double> x, std::span<const double> y) {
    const auto n = static_cast<double>(x.size());
    double sx = 0, sy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
    }
    const double mx = sx / n, my = sy / n;
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    const double slope = sxx > 0 ? sxy / sxx : 0;
    return {slope, my - slope * mx};
}

// How far the points stray from their line, highest less lowest.
double wander(std::span<const double> x, std::span<const double> y, const Line& line) {
    double low = 0, high = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double off = y[i] - line.at(x[i]);
        low = std::min(low, off);
        high = std::max(high, off);
    }
    return high - low;
}

}  // namespace

std::optional<StreamAlignment::Step> StreamAlignment::step(double frames) const {
    constexpr std::size_t kFewestASide = 3;
    std::vector<double> x(m_captured.begin(), m_captured.end());
    const std::span<const double> xs(x), ys(m_offsets);
    std::optional<Step> largest;
    for (std::size_t split = kFewestASide; split + kFewestASide <= m_offsets.size(); ++split) {
        const auto xb = xs.first(split), yb = ys.first(split);
        const auto xa = xs.subspan(split), ya = ys.subspan(split);
        const Line before = lineThrough(xb, yb), after = lineThrough(xa, ya);
        // Where the two sides' lines stand between the reports either side of the split.
        const double middle = (xs[split - 1] + xs[split]) / 2;
        const double moved = after.at(middle) - before.at(middle);
        // Reports of a source that is not a monitor wander with its blocks (PulseAudio's remap
        // source by 19 ms): a step counts only beyond how far they wander on either side.
        const double bound = std::max({frames, wander(xb, yb, before), wander(xa, ya, after)});
        if (std::abs(moved) > bound && (!largest || std::abs(moved) > std::abs(largest->frames))) {
            largest = Step{moved, m_captured[split]};
        }
    }
    return largest;
}

std::optional<std::int64_t> StreamAlignment::offset() const {
    if (m_offsets.empty()) {
        return std::nullopt;
    }
    std::vector<double> sorted = m_offsets;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const bool wholeCycles = m_cycle >= kShortestCycle && m_cycle <= kLongestCycle;
    return std::llround(sorted[sorted.size() / 2]) +
           (m_streams.pipeWire && wholeCycles ? m_cycle : 0);
}

}  // namespace quilbo
