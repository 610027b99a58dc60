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
struct LoopMatch {
    std::ptrdiff_t start = -1;
    std::size_t frames = 0;
    int breaks = 0;
};
LoopMatch matchLoop(const std::vector<std::uint8_t>& heard, const std::vector<std::uint8_t>& block,
                    std::size_t frameBytes);

}  // namespace quilbo::test
