// Finding a looped block in a capture of what a sink played.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quilbo::test {

// How a capture holds a block played in a loop (capture and block in the same format): where
// the block first begins, how many frames follow in loop order, and how often the loop breaks
// (a gap, a skip or a repeat) and picks up again before the capture ends. The block must not
// repeat within itself (noise does not; a tone would).
//
// A stretch of silence in place of frames of the loop is counted apart (silencedFrames: the
// frames it replaced): it is what a sound server's graph plays when it misses cycles of its own
// (PipeWire on a loaded machine: the sink hears silence instead of what the stream had handed
// over, at times with the next cycle late as well, and no client is told). What a client does
// wrong shows as a break: a late client delays the loop behind a gap that replaces nothing, a
// lost piece skips frames without silence, a wrong byte is a wrong byte.
struct LoopMatch {
    std::ptrdiff_t start = -1;
    std::size_t frames = 0;
    int breaks = 0;
    std::size_t silencedFrames = 0;
};
LoopMatch matchLoop(const std::vector<std::uint8_t>& heard, const std::vector<std::uint8_t>& block,
                    std::size_t frameBytes);

}  // namespace quilbo::test
