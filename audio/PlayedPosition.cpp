// What has been heard of a stream, from the server's read index and sink latency.
#include "audio/PlayedPosition.h"

#include <algorithm>

namespace quilbo {

std::uint64_t PlayedPosition::update(std::int64_t readIndex, pa_usec_t sinkUsec, std::uint64_t sent,
                                     pa_usec_t now) {
    const auto read = static_cast<std::uint64_t>(std::max<std::int64_t>(readIndex, 0));
    // A piece is done once it has been played, not merely handed over: what the sink has read
    // minus what still sits in the sink's own buffer.
    const std::uint64_t inSink = pa_usec_to_bytes(sinkUsec, &m_spec);
    std::uint64_t played = read > inSink ? read - inSink : 0;
    if (read >= sent && (!m_tailArmed || m_tailEnd != sent)) {
        m_tailArmed = true;
        m_tailEnd = sent;
        m_tailDue = now + sinkUsec;
    }
    if (m_tailArmed && now >= m_tailDue) {
        played = std::max(played, m_tailEnd);
    }
    return std::min(played, sent);
}

pa_usec_t PlayedPosition::nextLook(std::uint64_t played, std::uint64_t firstEnd,
                                   pa_usec_t now) const {
    // When the first piece should have played out: it comes back at once and is refilled, so
    // three pieces' worth stays queued. (Waiting for more to come back at a time wakes the
    // process less often but lets the queue run down to two pieces, and a wake-up late under
    // load then empties it.)
    pa_usec_t delay = pa_bytes_to_usec(firstEnd - std::min(played, firstEnd), &m_spec);
    if (m_tailArmed && m_tailDue > now) {
        delay = std::min(delay, m_tailDue - now);
    }
    return std::clamp<pa_usec_t>(delay + 2000, 4000, 1000000);
}

}  // namespace quilbo
