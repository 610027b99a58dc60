// A stop's fade, written once the server has said where the stream is: a copy of the bytes the
// stream still had queued at the stop, the stream's timing as last known, and on the loop thread
// the fade worked out from a fresh report and written over what the stream holds.
#pragma once

#include <pulse/stream.h>

#include <cstdint>
#include <vector>

#include "audio/Fade.h"
#include "audio/StreamTiming.h"

namespace quilbo {

class StopFade {
public:
    // spec: of the pieces; widen: stream bytes per piece byte; bytes: the pieces' bytes from
    // stream position base on (in the pieces' bytes), sent of them already at the stream.
    StopFade(const pa_sample_spec& spec, const FadeLayout& layout, std::size_t widen,
             const StreamTiming& timing, std::uint64_t base, std::uint64_t sent,
             std::vector<std::uint8_t> bytes);

    // Loop thread: takes the stream's latest report (fresh, or the last good one carried on by
    // its age) and overwrites what the stream holds from shortly after where it is heard with a
    // fade of that audio and silence. How long until the fade has played out; 0 when it could
    // not be done (the stream is then cut).
    pa_usec_t write(pa_stream* stream);

private:
    // Copies positions [position, position + count) of the stream; what the copy lacks is zero.
    void copyOut(std::uint64_t position, std::uint8_t* out, std::size_t count) const;

    const pa_sample_spec m_spec;
    const FadeLayout m_layout;
    const std::size_t m_widen;
    StreamTiming m_timing;
    const std::uint64_t m_base;
    const std::uint64_t m_sent;
    const std::vector<std::uint8_t> m_bytes;
};

}  // namespace quilbo
