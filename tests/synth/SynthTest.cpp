// The synthesis entry points held against the plain reference renderer over the pages' requests
// and far outside them, the sample values the signals are described by, the block-size helper,
// and quilbo-render run as a process.
#include "Reference.h"
#include "synth/BlockSize.h"
#include "synth/NoiseGenerator.h"
#include "synth/Synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

namespace quilbo::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void expectSameAsReference(const Request& q) {
    const Rendered got = synthesize(q);
    const Rendered want = referenceRender(q);
    ASSERT_EQ(got.result, want.result);
    ASSERT_TRUE(got.bytes == want.bytes)
        << "kind " << int(q.kind) << ", waveform " << q.waveform << ", " << q.bits << " bits, code "
        << q.channelCode << ", rate " << q.sampleRate << ", " << q.frequency << " Hz, amplitude "
        << q.amplitude << ", " << q.blockSize << " bytes";
    ASSERT_TRUE(got.progress == want.progress);
}

TEST(Synthesis, PageRequestsMatchTheReferenceByteForByte) {
    struct Signal {
        Kind kind;
        std::int32_t waveform;
        double f0, f1;
    };
    const Signal signals[] = {
        {Kind::Tone, 0, 1000, 0},    {Kind::Tone, 0, 40000, 0},   {Kind::Tone, 0, 12345, 0},
        {Kind::Tone, 1, 997, 0},     {Kind::Tone, 1, 11025, 0},   {Kind::Tone, 2, 1000, 0},
        {Kind::Tone, 2, 20, 0},      {Kind::Sweep, 0, 20, 20000}, {Kind::Sweep, 0, 40000, 20},
        {Kind::Sweep, 1, 20, 20000}, {Kind::Sweep, 2, 30000, 40}, {Kind::Noise, 3, 0, 0},
        {Kind::Noise, 4, 0, 0},      {Kind::Noise, 5, 0, 0},
    };
    const double levels[] = {1.0, 0.7937005259840998, 0.5, 5.0 / 48};
    for (const Signal& s : signals) {
        for (std::uint16_t bits : {8, 16, 20, 24, 32}) {
            for (std::uint32_t code : {0u, 2u, 4u, 6u}) {
                for (std::uint32_t rate : {11025u, 44100u, 192000u}) {
                    // Partial frames at the end too.
                    expectSameAsReference({s.kind, 3001u + bits * 7u, rate, code, bits, s.waveform,
                                           s.f0, s.f1, levels[(bits + code) % 4], rate + code});
                }
            }
        }
    }
    // 300 s at 11025 Hz up to 40000 Hz: the largest phases the pages can ask for.
    expectSameAsReference({Kind::Tone, 300 * 11025 * 4, 11025, 2, 16, 0, 40000, 0, 0.79});
    expectSameAsReference({Kind::Sweep, 300 * 11025 * 8, 11025, 2, 32, 1, 20, 40000, 0.79});
    // Long noise, through the pink generator's rare redraws of a rejected renewal.
    for (std::int32_t waveform : {3, 4, 5}) {
        expectSameAsReference({Kind::Noise, 6'000'000, 44100, 2, 16, waveform, 0, 0, 0.5, 12345});
    }
}

TEST(Synthesis, OddRequestsRenderSomethingDefinedAndMatchTheReference) {
    for (std::uint16_t bits : {8, 16, 20, 24, 32}) {
        for (std::uint32_t code : {0u, 3u, 0xFFFFFFFFu}) {
            for (Kind kind : {Kind::Tone, Kind::Sweep, Kind::Noise}) {
                for (std::int32_t waveform = -1; waveform <= 6; ++waveform) {
                    for (double amplitude : {kNaN, kInf, -kInf, -1.0, 0.0, 1e-300, 2.0, 1e300}) {
                        for (double frequency : {0.0, -1000.0, kNaN, kInf, 1e-300, 1e300}) {
                            for (std::uint32_t rate : {0u, 1u, 44100u, 0xFFFFFFFFu}) {
                                expectSameAsReference({kind, 13u + rate % 7 * 13, rate, code, bits,
                                                       waveform, frequency, -frequency, amplitude,
                                                       rate});
                            }
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(SynthesizeTone(nullptr, 16, 44100, 2, 16, 0, 1000, 1, nullptr), 0);
    EXPECT_EQ(SynthesizeNoise(nullptr, 16, 44100, 2, 16, 4, 1, nullptr), 0);
}

TEST(Synthesis, SignalsHaveTheirDescribedSampleValues) {
    // Samples read at the request's depth: bytes, 16-bit values, or 32-bit words (floats as
    // their bit pattern), as (index, value).
    struct Known {
        const char* what;
        Request q;
        std::vector<std::pair<int, std::int64_t>> samples;
    };
    const Known known[] = {
        {"16-bit sine, truncated", {Kind::Tone, 16, 44100, 2, 16, 0, 1000},
         {{0, 32767}, {1, 32767}, {2, 32434}, {4, 31445}, {6, 29819}}},
        {"opposite-phase pair", {Kind::Tone, 8, 44100, 0, 16, 0, 1000},
         {{0, 32767}, {1, -32767}, {2, 32434}, {3, -32434}}},
        {"8-bit pair about 128", {Kind::Tone, 2, 44100, 0, 8, 0, 1000}, {{0, 255}, {1, 1}}},
        {"8-bit ramp at half level", {Kind::Tone, 2, 44100, 0, 8, 2, 1000, 0, 0.5},
         {{0, 64}, {1, 192}}},
        {"8-bit sine at half level", {Kind::Tone, 2, 44100, 0, 8, 0, 1000, 0, 0.5},
         {{0, 191}, {1, 65}}},
        {"8-bit silence", {Kind::Tone, 2, 44100, 0, 8, 7, 1000}, {{0, 128}, {1, 128}}},
        {"20 bits left-justified", {Kind::Tone, 8, 44100, 0, 20, 0, 1000},
         {{0, 0x7FFFF000}, {1, -0x7FFFF000}}},
        {"24 bits left-justified", {Kind::Tone, 8, 44100, 0, 24, 0, 1000},
         {{0, 0x7FFFFF00}, {1, -0x7FFFFF00}}},
        {"floats peak at half scale", {Kind::Tone, 8, 44100, 0, 32, 0, 1000},
         {{0, 0x3F000000}, {1, std::int32_t(0xBF000000)}}},
        {"square follows the cosine's sign", {Kind::Tone, 100, 44100, 1, 16, 1, 1000},
         {{11, 32767}, {12, -32767}, {33, -32767}, {34, 32767}}},
        {"two-ramp tone of 44 whole samples", {Kind::Tone, 180, 44100, 1, 16, 2, 1000},
         {{0, -32767}, {1, -31280}, {21, -1560}, {22, -74}, {23, 31355}, {43, 1634}, {44, -32767}}},
        {"ramp of two samples a period", {Kind::Tone, 8, 44100, 1, 16, 2, 22050},
         {{0, -32767}, {1, 32767}, {2, -32767}}},
        {"ramp of under two samples is silence", {Kind::Tone, 8, 44100, 1, 16, 2, 30000},
         {{0, 0}, {1, 0}, {3, 0}}},
        {"rate 0 is silence", {Kind::Sweep, 8, 0, 1, 16, 0, 1000, 2000}, {{0, 0}, {3, 0}}},
        {"white noise from seed 0", {Kind::Noise, 12, 44100, 2, 16, 3},
         {{0, -9459}, {2, 3767}, {4, 14982}, {5, 14982}}},
    };
    for (const Known& k : known) {
        const Rendered r = synthesize(k.q);
        for (const auto& [index, value] : k.samples) {
            const std::int64_t got = k.q.bits == 8    ? r.bytes[index]
                                     : k.q.bits == 16 ? sample16(r.bytes, index)
                                                      : sample32(r.bytes, index);
            EXPECT_EQ(got, value) << k.what << ", sample " << index;
        }
    }
    for (std::uint16_t bits : {0, 12, 17, 64, 65535}) {  // unsupported: the block is untouched
        const Rendered r = synthesize({Kind::Tone, 32, 44100, 2, bits}, 0x5A);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.bytes, std::vector<std::uint8_t>(32, 0x5A));
    }
}

TEST(Synthesis, TheNoiseGeneratorStepsFromSeedZeroAndTheClockSeedsIt) {
    CNoiseGenerator g(0);
    EXPECT_EQ(g.NextRandom(0.5f), -0.2886751890182495);
    EXPECT_EQ(g.seed, 907633515u);
    EXPECT_EQ(g.NextRandom(0.5f), 0.11497712135314941);
    EXPECT_EQ(g.seed, 2641306770u);
    CNoiseGenerator pink(0), brown(0);
    EXPECT_DOUBLE_EQ(pink.NextPink(), -0.021712258458137512);
    EXPECT_DOUBLE_EQ(pink.NextPink(), 0.079173743724823);
    EXPECT_DOUBLE_EQ(brown.NextBrown(), -0.018042199313640594);
    EXPECT_DOUBLE_EQ(brown.NextBrown(), -0.010856129229068756);

    std::vector<std::uint8_t> clock(4000), seeded(4000);
    std::time_t before, after;
    do {  // until the render does not cross a second
        before = std::time(nullptr);
        SynthesizeNoise(clock.data(), 4000, 44100, 2, 16, 4, 1.0, nullptr);
        after = std::time(nullptr);
    } while (before != after);
    SynthesizeNoiseSeeded(std::uint32_t(before), seeded.data(), 4000, 44100, 2, 16, 4, 1.0, nullptr);
    EXPECT_EQ(clock, seeded);
}

TEST(BlockSize, ExactForAnyInputAndFitsOnlyUpTo32Bits) {
    const std::int64_t max32 = std::numeric_limits<std::int32_t>::max();
    const std::int64_t max64 = std::numeric_limits<std::int64_t>::max();
    const std::int64_t u32 = std::numeric_limits<std::uint32_t>::max();
    struct Case {
        std::int64_t seconds, channels, bits, rate, requested;
        bool fits, saturated;
    };
    const Case cases[] = {
        {5, 2, 24, 44100, 1323000, true, false},
        {300, 6, 32, 192000, 1382400000, true, false},  // past 32 bits on the way
        {1, 1, 8, max32, max32, true, false},
        {1, 1, 8, max32 + 1, max32 + 1, false, false},
        {300, 32, 32, 192000, 7372800000, false, false},
        {1, 1, 7, 1, 0, false, false},
        {5, -2, 16, 44100, -882000, false, false},
        {1, 1, 1, -15, -1, false, false},  // truncated toward zero
        {max64, 8, 1, 1, max64, false, false},
        {u32, u32, u32, u32, max64, false, true},
        {u32, -u32, u32, u32, std::numeric_limits<std::int64_t>::min(), false, true},
    };
    for (const Case& c : cases) {
        const BlockSize size = computeBlockSize(c.seconds, c.channels, c.bits, c.rate);
        EXPECT_EQ(size.requestedBytes, c.requested) << c.seconds << " " << c.rate;
        EXPECT_EQ(size.fits, c.fits) << c.requested;
        EXPECT_EQ(size.saturated, c.saturated) << c.requested;
        EXPECT_EQ(size.bytes(), c.fits ? c.requested : 0);
    }
}

// quilbo-render's exit code and standard output.
std::pair<int, std::vector<std::uint8_t>> render(const std::string& arguments) {
    const std::string out = ::testing::TempDir() + "quilbo-render-" + std::to_string(getpid());
    const int status =
        std::system(("'" QUILBO_RENDER_PATH "' " + arguments + " >'" + out + "' 2>&1").c_str());
    std::ifstream in(out, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    std::remove(out.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, bytes};
}

TEST(RenderTool, WritesTheRenderedBlockOrSaysWhyNot) {
    EXPECT_EQ(render("tone 16 44100 0 16 0 1000 1").second,
              synthesize({Kind::Tone, 16, 44100, 0, 16, 0, 1000}).bytes);
    EXPECT_EQ(render("sweep 1001 44100 4 24 2 20 20000 0.5").second,
              synthesize({Kind::Sweep, 1001, 44100, 4, 24, 2, 20, 20000, 0.5}).bytes);
    // BITS keeps its low 16 bits: 65552 is 16.
    EXPECT_EQ(render("--seed 42 noise 882000 44100 0 65552 4 0.5").second,
              synthesize({Kind::Noise, 882000, 44100, 0, 16, 4, 0, 0, 0.5, 42}).bytes);
    EXPECT_EQ(render("noise 1000 44100 2 8 5 1").second.size(), 1000u);
    const std::pair<const char*, int> failures[] = {
        {"tone 16 44100 2 12 0 1000 1", 3}, {"sweep 16 44100 2 4294967295 0 20 200 1", 3},
        {"", 2}, {"beep 16 44100 2 16 0 1000 1", 2}, {"tone 16 44100 2 16 0 1000", 2},
        {"tone -16 44100 2 16 0 1000 1", 2}, {"tone 16 4294967296 2 16 0 1000 1", 2},
        {"tone 16 44100 2 16 0 1k 1", 2}, {"--seed -1 noise 8 8 2 16 3 1", 2},
        {"noise 16 44100 2 16 3 0.5 --seed 1", 2}};
    for (const auto& [arguments, code] : failures) {
        const auto [exit, output] = render(arguments);
        EXPECT_EQ(exit, code) << arguments;
        const std::string text(output.begin(), output.end());
        EXPECT_EQ(text.find("usage: quilbo-render") != std::string::npos, code == 2) << arguments;
    }
}

}  // namespace
}  // namespace quilbo::test
