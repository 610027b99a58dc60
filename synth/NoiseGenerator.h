// The noise generator: a 32-bit linear congruential source and the white, pink and brown steps.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace quilbo {

// The whole state of one noise render. Made fresh for each render, so concurrent renders
// never share anything.
class CNoiseGenerator {
public:
    // Seeds from the calendar clock: whole seconds since 1970, low 32 bits.
    CNoiseGenerator() noexcept;
    explicit CNoiseGenerator(std::uint32_t initialSeed) noexcept : seed(initialSeed) {}

    // One generator step. The draw is built as a float in [2, 4) from the top 23 bits of the
    // state, so with scale 0.5 it is exactly (seed >> 9) / 2^23 - 0.5.
    double NextRandom(float scale) noexcept {
        seed = Step(seed);
        randomBits = Bits(seed);
        return (static_cast<double>(std::bit_cast<float>(randomBits)) - 3.0) *
               static_cast<double>(scale);
    }

    // Frame values of the three noise colours: one call per frame.
    double nextWhite() noexcept { return NextRandom(0.5f); }
    // The state after `frames` more white frames, in a number of steps that grows with the
    // logarithm of the count: a thread can start far into a white noise block.
    void skipWhite(std::uint64_t frames) noexcept;
    double nextPink() noexcept;
    double nextBrown() noexcept;
    // `frames` pink frames, each value handed to emit: nextPink's steps with the running state
    // in locals, which stay in registers (nextPink's rare redraw call keeps its state in memory).
    template <class Emit>
    void runPink(std::uint64_t frames, Emit emit) noexcept;

    std::uint32_t seed;
    std::uint32_t pinkCounter = 1;
    std::uint32_t randomBits = 0;
    float pinkSum = 0.0f;
    float brownSum = 0.0f;
    std::array<float, 16> pinkRows{};

private:
    static constexpr std::uint32_t kMultiplier = 196314165u;
    static constexpr std::uint32_t kIncrement = 907633515u;
    // Two steps at once, so that a frame's second draw need not wait for its first.
    static constexpr std::uint32_t kMultiplier2 = kMultiplier * kMultiplier;
    static constexpr std::uint32_t kIncrement2 = kMultiplier * kIncrement + kIncrement;

    static constexpr std::uint32_t Step(std::uint32_t s) { return s * kMultiplier + kIncrement; }
    static constexpr std::uint32_t Bits(std::uint32_t s) { return (s >> 9) | 0x40000000u; }
    // NextRandom(0.5)'s value as a float, for a state already stepped. Every draw is a
    // multiple of 2^-23 in [-0.5, 0.5), exact in a float, and so are the differences and sums
    // of draws within the pink and brown bounds: float arithmetic on them rounds exactly where
    // double arithmetic followed by a store to single precision does.
    static float Draw(std::uint32_t s) { return (std::bit_cast<float>(Bits(s)) - 3.0f) * 0.5f; }

    double pinkRedraw(unsigned row, float old) noexcept;
};

inline void CNoiseGenerator::skipWhite(std::uint64_t frames) noexcept {
    if (frames == 0) {
        return;
    }
    // Composes the steps s -> m s + c for the set bits of the count, doubling as it goes.
    std::uint32_t m = kMultiplier, c = kIncrement;
    std::uint32_t totalM = 1, totalC = 0;
    for (std::uint64_t n = frames; n != 0; n >>= 1) {
        if ((n & 1) != 0) {
            totalM *= m;
            totalC = totalC * m + c;
        }
        c = (m + 1) * c;
        m *= m;
    }
    seed = totalM * seed + totalC;
    randomBits = Bits(seed);
}

inline double CNoiseGenerator::nextPink() noexcept {
    // Voss-McCartney: row j is renewed every 2^(j+1) frames. The running sum is never
    // recomputed from the rows, and a renewal that would leave [-4, 4] is drawn again.
    const unsigned row = static_cast<unsigned>(std::countr_zero(pinkCounter)) & 15u;
    const float old = pinkRows[row];
    const std::uint32_t first = Step(seed);
    const std::uint32_t second = seed * kMultiplier2 + kIncrement2;
    const float r = Draw(first);
    const float d = r - old;
    const float sum = pinkSum + d;  // the candidate rounded to single precision
    const double candidate = static_cast<double>(pinkSum) + static_cast<double>(d);
    if (candidate < -4.0 || sum > 4.0f) [[unlikely]] {
        seed = first;
        randomBits = Bits(first);
        pinkRows[row] = r;
        pinkSum = sum - d;
        return pinkRedraw(row, old);
    }
    pinkRows[row] = r;
    pinkSum = sum;
    ++pinkCounter;
    seed = second;
    randomBits = Bits(second);
    return (static_cast<double>(Draw(second)) + static_cast<double>(sum)) * 0.125;
}

template <class Emit>
void CNoiseGenerator::runPink(std::uint64_t frames, Emit emit) noexcept {
    if (frames == 0) {
        return;
    }
    std::uint32_t s = seed;
    std::uint32_t counter = pinkCounter;
    float total = pinkSum;
    for (std::uint64_t f = 0; f < frames; ++f) {
        const unsigned row = static_cast<unsigned>(std::countr_zero(counter)) & 15u;
        const std::uint32_t first = Step(s);
        const float r = Draw(first);
        const float d = r - pinkRows[row];
        const float sum = total + d;
        const double candidate = static_cast<double>(total) + static_cast<double>(d);
        if (candidate < -4.0 || sum > 4.0f) [[unlikely]] {
            seed = s;  // the frame again, redraws and all, from the members
            pinkCounter = counter;
            pinkSum = total;
            emit(nextPink());
            s = seed;
            counter = pinkCounter;
            total = pinkSum;
            continue;
        }
        pinkRows[row] = r;
        total = sum;
        ++counter;
        s = s * kMultiplier2 + kIncrement2;
        emit((static_cast<double>(Draw(s)) + static_cast<double>(sum)) * 0.125);
    }
    seed = s;
    pinkCounter = counter;
    pinkSum = total;
    randomBits = Bits(s);
}

inline double CNoiseGenerator::nextBrown() noexcept {
    // A random walk held inside [-8, 8]: a step that would leave it is drawn again.
    for (;;) {
        seed = Step(seed);
        const float r = Draw(seed);
        const double candidate = static_cast<double>(brownSum) + static_cast<double>(r);
        if (candidate < -8.0 || candidate > 8.0) {
            continue;
        }
        randomBits = Bits(seed);
        brownSum = brownSum + r;  // the candidate rounded to single precision
        return candidate * 0.0625;
    }
}

}  // namespace quilbo
