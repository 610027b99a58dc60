// Fuzz target over the synthesis request: every argument of the three entry points and the
// seeded noise comes from the input. Each render goes into a block of exactly blockSize bytes
// (so the address sanitizer sees any write past it) and must keep the request's invariants and
// match the plain oracle renderer byte for byte.
#include "Reference.h"
#include "synth/NoiseGenerator.h"
#include "synth/Synthesis.h"
#include "tests/fuzz/FuzzInput.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace quilbo::fuzz {
namespace {

using test::Kind;
using test::Rendered;
using test::Request;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kDenormal = std::numeric_limits<double>::denorm_min();
constexpr std::uint32_t kMaxBlock = 64 * 1024;
constexpr std::uint8_t kFill = 0xA5;

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

// The progress callback is a plain function: it reports into whichever list is current.
std::vector<std::uint32_t>* g_progress = nullptr;
void recordProgress(std::uint32_t count) {
    g_progress->push_back(count);
}

struct FreeDeleter {
    void operator()(std::uint8_t* p) const { std::free(p); }
};

Request decode(FuzzInput& in, int& entry, bool& withProgress, bool& nullBlock) {
    static constexpr std::uint32_t kSizes[] = {
        4096, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 16, 24, 48, 96, 24000, 65535, 65536, 1023};
    static constexpr std::uint32_t kRates[] = {
        44100, 0, 1, 2, 3, 8000, 11025, 48000, 192000, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};
    static constexpr std::uint32_t kCodes[] = {
        2,   0,     1,     3,          4,           6,           7,          32,
        255, 65536, 65535, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
    static constexpr std::uint16_t kBits[] = {16, 8, 20, 24, 32, 0, 1, 12, 15, 17, 64, 0xFFFF};
    static constexpr std::int32_t kWaveforms[] = {0,
                                                  1,
                                                  2,
                                                  3,
                                                  4,
                                                  5,
                                                  6,
                                                  -1,
                                                  -2,
                                                  7,
                                                  std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max()};
    static constexpr double kFrequencies[] = {
        1000.0, 20.0,  40000.0,   0.0,     -0.0,    -1000.0, kNaN,         kInf, -kInf,
        1e-300, 1e300, kDenormal, 22050.0, 44100.0, 0.5,     4294967295.0, 1e18, 9.5e18};
    static constexpr double kAmplitudes[] = {
        1.0, 0.5,   0.10416666666666667, 0.0,   -0.0, -1.0, kNaN, kInf, -kInf,
        2.0, 1e300, kDenormal,           1e-300};

    Request q;
    entry = in.byte() % 4;  // 0 tone, 1 sweep, 2 seeded noise, 3 clock-seeded noise
    q.kind = entry == 0 ? Kind::Tone : entry == 1 ? Kind::Sweep : Kind::Noise;
    // Raw sizes lean small (the top bits shift the rest down), so most runs are quick and the
    // largest blocks still come up.
    const std::uint32_t size = in.pick(kSizes);
    q.blockSize = ((size & 0x1FFFFu) >> (size >> 29)) % (kMaxBlock + 1);
    q.sampleRate = in.pick(kRates);
    q.channelCode = in.pick(kCodes);
    q.bits = in.pick(kBits);
    q.waveform = in.pick(kWaveforms);
    q.frequency = in.pick(kFrequencies);
    q.endFrequency = in.pick(kFrequencies);
    q.amplitude = in.pick(kAmplitudes);
    q.seed = in.raw<std::uint32_t>();
    const std::uint8_t flags = in.byte();
    withProgress = (flags & 1) == 0;
    nullBlock = (flags & 2) != 0 && (flags & 4) != 0;  // rarely: the block is missing
    return q;
}

std::uint32_t bytesPerSample(std::uint16_t bits) {
    switch (bits) {
        case 8:
            return 1;
        case 16:
            return 2;
        case 20:
        case 24:
        case 32:
            return 4;
        default:
            return 0;
    }
}

std::int64_t sampleAt(const std::uint8_t* block, std::uint16_t bits, std::uint64_t i) {
    switch (bits) {
        case 8:
            return block[i];
        case 16: {
            std::int16_t s;
            std::memcpy(&s, block + i * 2, 2);
            return s;
        }
        default: {
            std::int32_t s;
            std::memcpy(&s, block + i * 4, 4);
            return s;
        }
    }
}

float floatAt(const std::uint8_t* block, std::uint64_t i) {
    float f;
    std::memcpy(&f, block + i * 4, 4);
    return f;
}

// What must hold of any rendered block, whatever the waveform and the values.
void checkRendered(const Request& q, const std::uint8_t* block,
                   const std::vector<std::uint32_t>* progress) {
    const std::uint32_t width = bytesPerSample(q.bits);
    const std::uint64_t total = q.blockSize / width;
    const bool pair = q.channelCode == 0;
    const std::uint64_t channels = pair ? 2 : q.channelCode;

    // Bytes after the last whole sample keep the silence fill.
    const std::uint8_t silence = q.bits == 8 ? 0x80 : 0x00;
    for (std::uint64_t b = total * width; b < q.blockSize; ++b) {
        FUZZ_CHECK(block[b] == silence);
    }

    for (std::uint64_t i = 0; i < total; ++i) {
        if (q.bits == 32) {
            const float f = floatAt(block, i);
            FUZZ_CHECK(std::isfinite(f) && std::fabs(f) <= 1.0f);
            continue;
        }
        const std::int64_t s = sampleAt(block, q.bits, i);
        switch (q.bits) {
            case 8:
                FUZZ_CHECK(s >= 1 && s <= 255);
                break;
            case 16:
                FUZZ_CHECK(s >= -32767 && s <= 32767);
                break;
            case 20:
                FUZZ_CHECK(s % 4096 == 0 && s / 4096 >= -524287 && s / 4096 <= 524287);
                break;
            case 24:
                FUZZ_CHECK(s % 256 == 0 && s / 256 >= -8388607 && s / 256 <= 8388607);
                break;
        }
    }

    // Every channel of a frame carries the frame's sample; the pair's second one inverted.
    for (std::uint64_t first = 0; first < total; first += channels) {
        const std::uint64_t end = first + std::min<std::uint64_t>(channels, total - first);
        for (std::uint64_t i = first + 1; i < end; ++i) {
            if (q.bits == 32) {
                const float a = floatAt(block, first);
                const float b = floatAt(block, i);
                FUZZ_CHECK(pair ? b == -a : std::memcmp(block + first * 4, block + i * 4, 4) == 0);
            } else {
                const std::int64_t a = sampleAt(block, q.bits, first);
                const std::int64_t b = sampleAt(block, q.bits, i);
                FUZZ_CHECK(!pair ? b == a : q.bits == 8 ? a + b == 256 : b == -a);
            }
        }
    }

    // One report per frame, each the running count of samples, ending with all of them.
    if (progress != nullptr) {
        const std::uint64_t frames = total == 0 ? 0 : (total - 1) / channels + 1;
        FUZZ_CHECK(progress->size() == frames);
        for (std::size_t k = 0; k < progress->size(); ++k) {
            FUZZ_CHECK((*progress)[k] == std::min<std::uint64_t>((k + 1) * channels, total));
        }
    }
}

void run(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    int entry = 0;
    bool withProgress = true;
    bool nullBlock = false;
    Request q = decode(in, entry, withProgress, nullBlock);

    // Exactly blockSize bytes: one byte too far is a heap overflow the sanitizer reports.
    std::unique_ptr<std::uint8_t, FreeDeleter> owned(
        static_cast<std::uint8_t*>(std::malloc(q.blockSize == 0 ? 1 : q.blockSize)));
    FUZZ_CHECK(owned != nullptr);
    std::uint8_t* block = nullBlock ? nullptr : owned.get();
    std::memset(owned.get(), kFill, q.blockSize);

    std::vector<std::uint32_t> progress;
    g_progress = &progress;
    const ProgressCallback callback = withProgress ? recordProgress : nullptr;
    std::uint32_t clockSeedBefore = 0;
    std::int32_t result = 0;
    switch (entry) {
        case 0:
            result = SynthesizeTone(block, q.blockSize, q.sampleRate, q.channelCode, q.bits,
                                    q.waveform, q.frequency, q.amplitude, callback);
            break;
        case 1:
            result =
                SynthesizeSweep(block, q.blockSize, q.sampleRate, q.channelCode, q.bits, q.waveform,
                                q.frequency, q.endFrequency, q.amplitude, callback);
            break;
        case 2:
            result = SynthesizeNoiseSeeded(q.seed, block, q.blockSize, q.sampleRate, q.channelCode,
                                           q.bits, q.waveform, q.amplitude, callback);
            break;
        default:
            clockSeedBefore = CNoiseGenerator().seed;
            result = SynthesizeNoise(block, q.blockSize, q.sampleRate, q.channelCode, q.bits,
                                     q.waveform, q.amplitude, callback);
            break;
    }
    g_progress = nullptr;

    const bool supported = bytesPerSample(q.bits) != 0;
    const bool refused = !supported || (block == nullptr && q.blockSize != 0);
    if (refused) {
        // Refused requests leave the block as it was and report nothing.
        FUZZ_CHECK(result == 0);
        FUZZ_CHECK(progress.empty());
        for (std::uint32_t b = 0; b < q.blockSize; ++b) {
            FUZZ_CHECK(owned.get()[b] == kFill);
        }
        return;
    }
    FUZZ_CHECK(result == 1);
    if (q.blockSize == 0) {
        FUZZ_CHECK(progress.empty());
        return;
    }
    checkRendered(q, block, withProgress ? &progress : nullptr);

    // The clock-seeded render is compared when the clock did not tick during it.
    if (entry == 3) {
        if (CNoiseGenerator().seed != clockSeedBefore) {
            return;
        }
        q.seed = clockSeedBefore;
    }
    const Rendered want = test::referenceRender(q, kFill);
    FUZZ_CHECK(want.result == 1);
    FUZZ_CHECK(std::memcmp(want.bytes.data(), block, q.blockSize) == 0);
    if (withProgress) {
        FUZZ_CHECK(want.progress == progress);
    }
}

}  // namespace
}  // namespace quilbo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quilbo::fuzz::run(data, size);
    return 0;
}
