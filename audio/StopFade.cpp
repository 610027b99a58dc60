// The stop's fade: where it begins, and the write over what the stream holds.
#include "audio/StopFade.h"

#include <pulse/context.h>
#include <pulse/error.h>

#include <algorithm>
#include <cstring>

#include "audio/Logging.h"
#include "audio/PieceQueue.h"

namespace quilbo {

namespace {

// A sink holding more than this behind what the server has read is asked to take it back.
constexpr pa_usec_t kRewindBeyond = 100000;

}  // namespace

StopFade::StopFade(const pa_sample_spec& spec, const FadeLayout& layout, std::size_t widen,
                   const StreamTiming& timing, std::uint64_t base, std::uint64_t sent,
                   std::vector<std::uint8_t> bytes)
    : m_spec(spec),
      m_layout(layout),
      m_widen(widen),
      m_timing(timing),
      m_base(base),
      m_sent(sent),
      m_bytes(std::move(bytes)) {}

void StopFade::copyOut(std::uint64_t position, std::uint8_t* out, std::size_t count) const {
    std::memset(out, 0, count);
    const std::uint64_t end = m_base + m_bytes.size();
    const std::uint64_t from = std::max(position, m_base);
    const std::uint64_t to = std::min<std::uint64_t>(position + count, end);
    if (from < to) {
        std::memcpy(out + (from - position), m_bytes.data() + (from - m_base), to - from);
    }
}

pa_usec_t StopFade::write(pa_stream* stream) {
    const std::size_t frame = pa_frame_size(&m_spec);
    m_timing.take(pa_stream_get_timing_info(stream));
    // Only a stream that has never had a good report is cut: a fade from a moment's estimate
    // beats a cut.
    if (!m_timing.known()) {
        return 0;
    }
    const PlaybackPoint point = m_timing.now();
    const std::uint64_t heard = point.heard * frame;
    if (heard >= m_sent) {
        return 0;  // all of it has played
    }
    // The fade begins a little ahead of the sound, and runs on with silence to the end of all
    // that was sent. Audio the server has already handed to its sink is not written over: a
    // PipeWire graph never takes it back, nor does a null sink's monitor. Only a sink that
    // holds much more than a fade (a PulseAudio sound card with a long buffer) is asked to
    // take back what it holds, as PulseAudio does when a stream is written over behind its
    // read index; waiting for it would leave the sound on for that long. A graph takes a
    // cycle's worth at a time, and the write takes a moment to get there.
    const bool shortSink =
        point.read < point.heard + pa_usec_to_bytes(kRewindBeyond, &m_spec) / frame;
    const std::uint64_t from = m_timing.fadeStart(point, shortSink) * frame;
    if (from >= m_sent) {
        // All that was sent plays before a fade could begin (the end of a block played once,
        // which has a fade of its own): it plays out.
        return pa_bytes_to_usec(m_sent - heard, &m_spec) + StreamTiming::kFadeLead +
               StreamTiming::kLateServerMargin;
    }
    const std::size_t fadeBytes = fadeFrames(m_spec.rate) * frame;
    const std::size_t bytes =
        static_cast<std::size_t>(std::max<std::uint64_t>(m_sent - from, fadeBytes));
    std::vector<std::uint8_t> fade(bytes);
    copyOut(from, fade.data(), bytes);
    applyFade(fade.data(), bytes, m_layout, 0, 0, fadeBytes / frame, false);
    const std::vector<std::uint8_t> wire = PieceQueue::toWire(fade.data(), bytes, m_widen);
    if (pa_stream_write(stream, wire.data(), wire.size(), nullptr,
                        static_cast<std::int64_t>(from * m_widen), PA_SEEK_ABSOLUTE) < 0) {
        qCWarning(lcAudio) << "cannot write the stop's fade:"
                           << pa_strerror(pa_context_errno(pa_stream_get_context(stream)));
        return 0;
    }
    return pa_bytes_to_usec(from + fadeBytes - heard, &m_spec) + StreamTiming::kFadeLead +
           StreamTiming::kLateServerMargin;
}

}  // namespace quilbo
