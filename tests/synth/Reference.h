// A deliberately plain renderer written straight from the signal formulas, sample by sample:
// the oracle that the optimised entry points must match byte for byte.
#pragma once

#include <cstdint>
#include <vector>

namespace quilbo::test {

enum class Kind { Tone, Sweep, Noise, LogSweep };

struct Request {
    Kind kind = Kind::Tone;
    std::uint32_t blockSize = 0;
    std::uint32_t sampleRate = 44100;
    std::uint32_t channelCode = 2;
    std::uint16_t bits = 16;
    std::int32_t waveform = 0;
    double frequency = 1000.0;  // tone, and sweep start
    double endFrequency = 0.0;  // sweep only
    double amplitude = 1.0;
    std::uint32_t seed = 0;    // noise only
    bool clockSeeded = false;  // noise seeded by the clock's second instead (SynthesizeNoise)
};

struct Rendered {
    std::int32_t result = 0;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> progress;  // every count the callback received, in order
};

// The oracle's rendering of the request; `initial` is the block's content before the call.
Rendered referenceRender(const Request& request, std::uint8_t initial = 0xA5);

// The entry point's rendering of the same request, into a block of exactly its size filled with
// `initial`, or with a null block or no progress callback when told.
Rendered synthesize(const Request& request, std::uint8_t initial = 0xA5, bool withBlock = true,
                    bool withProgress = true);

}  // namespace quilbo::test
