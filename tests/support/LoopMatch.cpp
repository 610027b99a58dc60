// Loop matching: every frame of a capture placed in the loop, or counted as a break.
#include "tests/support/LoopMatch.h"

#include <algorithm>
#include <functional>

namespace quilbo::test {

LoopMatch matchLoop(const std::vector<std::uint8_t>& heard, const std::vector<std::uint8_t>& block,
                    std::size_t frameBytes) {
    LoopMatch match;
    const std::size_t size = block.size() - block.size() % frameBytes;
    const std::size_t probe = std::min<std::size_t>(size, 64 * frameBytes);
    if (size == 0) {
        return match;
    }
    // The loop twice over, so that a probe found anywhere in it may run over the seam.
    std::vector<std::uint8_t> loop(block.begin(), block.begin() + size);
    loop.insert(loop.end(), block.begin(), block.begin() + size);
    const auto loopEnd = loop.begin() + size + probe - 1;
    // Where in the loop the frames from at on belong; silence (a gap) belongs nowhere.
    auto phaseAt = [&](std::size_t at) -> std::ptrdiff_t {
        const auto frame = heard.begin() + at;
        if (std::all_of(frame, frame + frameBytes, [](std::uint8_t b) { return b == 0; })) {
            return -1;
        }
        const auto found = std::search(
            loop.begin(), loopEnd,
            std::boyer_moore_horspool_searcher(heard.begin() + at, heard.begin() + at + probe));
        return found == loopEnd ? -1 : found - loop.begin();
    };
    auto resync = [&](std::size_t& at) {
        std::ptrdiff_t phase = -1;
        while (at + probe <= heard.size() && (phase = phaseAt(at)) < 0) {
            at += frameBytes;
        }
        return phase;
    };
    std::size_t at = 0;
    std::ptrdiff_t phase = resync(at);
    match.start = phase < 0 ? -1 : static_cast<std::ptrdiff_t>(at);
    while (phase >= 0 && at + frameBytes <= heard.size()) {
        if (std::equal(heard.begin() + at, heard.begin() + at + frameBytes, loop.begin() + phase)) {
            ++match.frames;
            at += frameBytes;
            phase = static_cast<std::ptrdiff_t>((phase + frameBytes) % size);
        } else {
            const std::size_t from = at;
            const std::ptrdiff_t expected = phase;
            if ((phase = resync(at)) < 0) {
                break;  // a break at the end of the capture is its end
            }
            const bool silent = std::all_of(heard.begin() + from, heard.begin() + at,
                                            [](std::uint8_t b) { return b == 0; });
            const std::size_t skipped = (phase + size - expected) % size;
            if (silent && skipped <= at - from) {
                ++match.silences;
                match.silencedFrames += skipped / frameBytes;
            } else {
                ++match.breaks;
            }
        }
    }
    return match;
}

}  // namespace quilbo::test
