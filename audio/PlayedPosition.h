// Played-position timing: how much of a stream has been heard, from the server's timing reports,
// and when to ask again.
#pragma once

#include <pulse/sample.h>

#include <cstdint>

namespace quilbo {

class PlayedPosition {
public:
    explicit PlayedPosition(const pa_sample_spec& spec) : m_spec(spec) {}

    void restart() { m_tailArmed = false; }

    // From one timing report: the server's read index, the latency of the sink behind it and
    // the bytes sent so far. Returns the bytes heard (never more than sent).
    std::uint64_t update(std::int64_t readIndex, pa_usec_t sinkUsec, std::uint64_t sent,
                         pa_usec_t now);
    // How long to wait before the next report, for a first piece ending at firstEnd.
    pa_usec_t nextLook(std::uint64_t played, std::uint64_t firstEnd, pa_usec_t now) const;

private:
    const pa_sample_spec m_spec;
    // Once the server has read everything sent, the rest is in the sink and heard within the
    // sink's latency: from then on its end counts as played at tailDue.
    bool m_tailArmed = false;
    std::uint64_t m_tailEnd = 0;
    pa_usec_t m_tailDue = 0;
};

}  // namespace quilbo
