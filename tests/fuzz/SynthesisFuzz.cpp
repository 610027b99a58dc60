// Fuzz target over the synthesis request: every argument of the entry points comes from the
// input, mostly through tables of telling values. Each render goes into a block of exactly its
// size (so the address sanitizer sees a write past it) and must match the reference renderer byte
// for byte, progress reports included; a refused request leaves the block as it was.
#include "Reference.h"
#include "synth/NoiseGenerator.h"
#include "synth/Synthesis.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

using namespace quilbo;
using namespace quilbo::test;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();
constexpr std::uint8_t kFill = 0xA5;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

// Reads the input from the front; an exhausted input reads as zero bytes.
struct Input {
    const std::uint8_t* data;
    std::size_t size, pos = 0;
    std::uint8_t byte() { return pos < size ? data[pos++] : 0; }
    template <class T>
    T raw() {
        unsigned char bytes[sizeof(T)];
        for (unsigned char& b : bytes) {
            b = byte();
        }
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
    // A byte below N picks from the table (whose first entry is the ordinary value), any other
    // reads the value raw.
    template <class T, std::size_t N>
    T pick(const T (&table)[N]) {
        const std::uint8_t b = byte();
        return b < N ? table[b] : raw<T>();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::uint32_t kSizes[] = {
        4096, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 16, 24, 48, 96, 24000, 65535, 65536, 1023};
    static constexpr std::uint32_t kRates[] = {
        44100, 0, 1, 2, 3, 8000, 11025, 48000, 192000, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    static constexpr std::uint32_t kCodes[] = {
        2,   0,     1,     3,           4,           6,           7,          32,
        255, 65536, 65535, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    static constexpr std::uint16_t kBits[] = {16, 8, 20, 24, 32, 0, 1, 12, 15, 17, 64, 0xFFFF};
    static constexpr std::int32_t kWaveforms[] = {0, 1,  2,  3, 4,         5,
                                                  6, -1, -2, 7, INT32_MIN, INT32_MAX};
    static constexpr double kFrequencies[] = {
        1000.0, 20.0,  40000.0, 0.0,     -0.0,    -1000.0, kNaN,         kInf, -kInf,
        1e-300, 1e300, kTiny,   22050.0, 44100.0, 0.5,     4294967295.0, 1e18, 9.5e18};
    static constexpr double kAmplitudes[] = {1.0,  0.5,   5.0 / 48, 0.0,   -0.0,  -1.0,  kNaN,
                                             kInf, -kInf, 2.0,      1e300, kTiny, 1e-300};
    Input in{data, size};
    const int entry = in.byte() % 4;  // tone, sweep, seeded noise, clock-seeded noise
    Request q;
    q.kind = entry == 0 ? Kind::Tone : entry == 1 ? Kind::Sweep : Kind::Noise;
    // Raw sizes lean small (the top bits shift the rest down): most runs are quick.
    const std::uint32_t raw = in.pick(kSizes);
    q.blockSize = ((raw & 0x1FFFFu) >> (raw >> 29)) % (64 * 1024 + 1);
    q.sampleRate = in.pick(kRates);
    q.channelCode = in.pick(kCodes);
    q.bits = in.pick(kBits);
    q.waveform = in.pick(kWaveforms);
    q.frequency = in.pick(kFrequencies);
    q.endFrequency = in.pick(kFrequencies);
    q.amplitude = in.pick(kAmplitudes);
    q.seed = in.raw<std::uint32_t>();
    const std::uint8_t flags = in.byte();
    const bool nullBlock = (flags & 6) == 6;  // rarely: no block at all
    const bool withProgress = (flags & 1) == 0;
    q.clockSeeded = entry == 3;
    const std::uint32_t second = CNoiseGenerator().seed;
    const Rendered got = synthesize(q, kFill, !nullBlock, withProgress);

    q.seed = entry == 3 ? second : q.seed;
    Rendered want = referenceRender(q, kFill);
    if (nullBlock && q.blockSize != 0) {
        want = {0, std::vector<std::uint8_t>(q.blockSize, kFill), {}};
    }
    check(got.result == want.result, "the result");
    if (entry == 3 && CNoiseGenerator().seed != second) {
        return 0;  // the clock ticked during the render: its seed is not known
    }
    check(got.bytes == want.bytes, "the block");
    check(!withProgress || got.progress == want.progress, "the progress reports");
    return 0;
}
