// Finding a looped block in a capture of what a sink played.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quilbo::test {

// How a capture holds a block played in a loop (capture and block in the same format): where
// the block first begins, how many frames follow in loop order, and how often the loop breaks
// (a skip, a repeat, a wrong byte) and picks up again before the capture ends. The block must not
// repeat within itself (noise does not; a tone would).
//
// A stretch of silence after which the loop goes on no further than the stretch is long is
// counted apart (silences; silencedFrames: the frames it stands in place of): a gap in the sound.
// A client that falls behind causes one, and its server tells it so (an underflow); a sound
// server's graph that misses cycles of its own causes one too (PipeWire on a loaded machine
// plays silence instead of what the stream had handed over, or that a cycle late), and no
// client is told. A lost piece skips frames without silence, a wrong byte is a wrong byte: both
// are breaks.
struct LoopMatch {
    std::ptrdiff_t start = -1;
    std::size_t frames = 0;
    int breaks = 0;
    int silences = 0;
    std::size_t silencedFrames = 0;
};
LoopMatch matchLoop(const std::vector<std::uint8_t>& heard, const std::vector<std::uint8_t>& block,
                    std::size_t frameBytes);

}  // namespace quilbo::test
