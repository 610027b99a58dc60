// The synthesis entry points held against the plain reference renderer over the pages' requests
// (fuzz_synthesis holds them against it far outside those), and the sample values the signals
// are described by.
#include "Reference.h"
#include "synth/NoiseGenerator.h"
#include "synth/Synthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace quilbo::test {
namespace {

// A block shared among threads reports fewer counts: each one the plain loop reports too,
// rising, and ending with the whole block.
bool reportsAPartOf(const std::vector<std::uint32_t>& got, const std::vector<std::uint32_t>& all) {
    return std::includes(all.begin(), all.end(), got.begin(), got.end()) &&
           std::adjacent_find(got.begin(), got.end(), std::greater_equal<>()) == got.end() &&
           (all.empty() ? got.empty() : !got.empty() && got.back() == all.back());
}

void expectSameAsReference(const Request& q) {
    const Rendered got = synthesize(q);
    const Rendered want = referenceRender(q);
    ASSERT_EQ(got.result, want.result);
    ASSERT_TRUE(got.bytes == want.bytes)
        << "kind " << int(q.kind) << ", waveform " << q.waveform << ", " << q.bits << " bits, code "
        << q.channelCode << ", rate " << q.sampleRate << ", " << q.frequency << " Hz, amplitude "
        << q.amplitude << ", " << q.blockSize << " bytes";
    ASSERT_TRUE(reportsAPartOf(got.progress, want.progress));
}

TEST(Synthesis, PageRequestsMatchTheReferenceByteForByte) {
    struct Signal {
        Kind kind;
        std::int32_t waveform;
        double f0, f1;
    };
    const Signal signals[] = {
        {Kind::Tone, 0, 1000, 0},       {Kind::Tone, 0, 40000, 0},
        {Kind::Tone, 0, 12345, 0},      {Kind::Tone, 1, 997, 0},
        {Kind::Tone, 1, 11025, 0},      {Kind::Tone, 2, 1000, 0},
        {Kind::Tone, 2, 20, 0},         {Kind::Sweep, 0, 20, 20000},
        {Kind::Sweep, 0, 40000, 20},    {Kind::Sweep, 1, 20, 20000},
        {Kind::Sweep, 2, 30000, 40},    {Kind::Noise, 3, 0, 0},
        {Kind::Noise, 4, 0, 0},         {Kind::Noise, 5, 0, 0},
        {Kind::LogSweep, 0, 20, 20000}, {Kind::LogSweep, 1, 40000, 20},
        {Kind::LogSweep, 2, 20, 40000}, {Kind::LogSweep, 0, 1000, 1000},
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
    expectSameAsReference({Kind::LogSweep, 300 * 11025 * 8, 11025, 2, 32, 0, 20, 40000, 0.79});
    expectSameAsReference({Kind::LogSweep, 60 * 192000 * 4, 192000, 0, 16, 1, 20, 20000, 1.0});
    // Long noise, through the pink generator's rare redraws of a rejected renewal.
    for (std::int32_t waveform : {3, 4, 5}) {
        expectSameAsReference({Kind::Noise, 6'000'000, 44100, 2, 16, waveform, 0, 0, 0.5, 12345});
    }
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
        {"16-bit sine, truncated",
         {Kind::Tone, 16, 44100, 2, 16, 0, 1000},
         {{0, 32767}, {1, 32767}, {2, 32434}, {4, 31445}, {6, 29819}}},
        {"opposite-phase pair", {Kind::Tone, 8, 44100, 0, 16, 0, 1000}, {{2, 32434}, {3, -32434}}},
        {"8-bit pair about 128", {Kind::Tone, 2, 44100, 0, 8, 0, 1000}, {{0, 255}, {1, 1}}},
        {"8-bit sine at half level",
         {Kind::Tone, 2, 44100, 0, 8, 0, 1000, 0, 0.5},
         {{0, 191}, {1, 65}}},
        {"8-bit ramp at half level",
         {Kind::Tone, 2, 44100, 0, 8, 2, 1000, 0, 0.5},
         {{0, 64}, {1, 192}}},
        {"8-bit silence", {Kind::Tone, 2, 44100, 0, 8, 7, 1000}, {{0, 128}, {1, 128}}},
        {"20 bits left-justified",
         {Kind::Tone, 8, 44100, 0, 20, 0, 1000},
         {{0, 0x7FFFF000}, {1, -0x7FFFF000}}},
        {"24 bits left-justified",
         {Kind::Tone, 8, 44100, 0, 24, 0, 1000},
         {{0, 0x7FFFFF00}, {1, -0x7FFFFF00}}},
        {"floats peak at half scale",
         {Kind::Tone, 8, 44100, 0, 32, 0, 1000},
         {{0, 0x3F000000}, {1, std::int32_t(0xBF000000)}}},
        {"square follows the cosine's sign",
         {Kind::Tone, 100, 44100, 1, 16, 1, 1000},
         {{11, 32767}, {12, -32767}, {33, -32767}, {34, 32767}}},
        {"two-ramp tone of 44 whole samples",
         {Kind::Tone, 180, 44100, 1, 16, 2, 1000},
         {{0, -32767}, {1, -31280}, {21, -1560}, {22, -74}, {23, 31355}, {43, 1634}, {44, -32767}}},
        {"ramp of under two samples is silence",
         {Kind::Tone, 8, 44100, 1, 16, 2, 30000},
         {{0, 0}, {1, 0}, {3, 0}}},
        {"rate 0 is silence", {Kind::Sweep, 8, 0, 1, 16, 0, 1000, 2000}, {{0, 0}, {3, 0}}},
        {"white noise from seed 0",
         {Kind::Noise, 12, 44100, 2, 16, 3},
         {{0, -9459}, {2, 3767}, {4, 14982}, {5, 14982}}},
    };
    for (const Known& k : known) {
        const Rendered r = synthesize(k.q);
        for (const auto& [index, value] : k.samples) {
            const int size = k.q.bits == 8 ? 1 : k.q.bits == 16 ? 2 : 4;
            std::int32_t got = 0;  // little-endian; 16-bit values signed
            std::memcpy(&got, r.bytes.data() + index * size, size);
            got = size == 2 ? std::int16_t(got) : got;
            EXPECT_EQ(got, value) << k.what << ", sample " << index;
        }
    }
}

// Large blocks render in chunks on several threads (three here, more than this machine may have,
// and for every chunk a thread of its own), at most one progress report a chunk. Odd sizes leave a
// cut-short last frame in the last chunk. Pink and brown noise share only wide frames.
TEST(Synthesis, ThreadedRendersMatchTheReferenceWithFewerReports) {
    const Request requests[] = {
        {Kind::Tone, 24'000'006, 192000, 6, 32, 0, 1000, 0, 1.0},
        {Kind::Tone, 12'000'002, 44100, 0, 16, 1, 997, 0, 0.5},
        {Kind::Tone, 12'000'001, 96000, 0, 8, 2, 441, 0, 0.5},
        {Kind::Sweep, 16'000'012, 48000, 4, 24, 0, 20, 20000, 1.0},
        {Kind::Sweep, 12'000'006, 44100, 2, 20, 2, 20, 20000, 0.7},
        {Kind::LogSweep, 12'000'004, 48000, 2, 16, 2, 20, 20000, 0.7},
        {Kind::Noise, 24'000'004, 192000, 6, 32, 3, 0, 0, 1.0, 7},
        {Kind::Noise, 12'000'003, 44100, 6, 16, 4, 0, 0, 0.5, 8},
        {Kind::Noise, 16'000'001, 44100, 4, 24, 5, 0, 0, 1.0, 9},
    };
    setenv("QUILBO_RENDER_THREADS", "3", 1);
    for (const Request& q : requests) {
        expectSameAsReference(q);
        EXPECT_LE(synthesize(q).progress.size(), 256u) << "waveform " << q.waveform;
    }
    unsetenv("QUILBO_RENDER_THREADS");
}

// White noise's first draws are in the table above; pink and brown start as described too. (The
// clock's second seeding the noise: the corpus of fuzz_synthesis, white-clock-seed.)
TEST(Synthesis, PinkAndBrownStartAsDescribed) {
    CNoiseGenerator pink(0), brown(0);
    EXPECT_DOUBLE_EQ(pink.nextPink(), -0.021712258458137512);
    EXPECT_DOUBLE_EQ(pink.nextPink(), 0.079173743724823);
    EXPECT_DOUBLE_EQ(brown.nextBrown(), -0.018042199313640594);
    EXPECT_DOUBLE_EQ(brown.nextBrown(), -0.010856129229068756);
}

}  // namespace
}  // namespace quilbo::test
