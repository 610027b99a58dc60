// The noise generator: a 32-bit linear congruential source and the white, pink and brown steps.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

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
        seed = seed * 196314165u + 907633515u;
        randomBits = (seed >> 9) | 0x40000000u;
        const float f = std::bit_cast<float>(randomBits);
        return (static_cast<double>(f) - 3.0) * static_cast<double>(scale);
    }

    // Frame values of the three noise colours: one call per frame.
    double NextWhite() noexcept { return NextRandom(0.5f); }
    double NextPink() noexcept;
    double NextBrown() noexcept;

    std::uint32_t seed;
    std::uint32_t pinkCounter = 1;
    std::uint32_t randomBits = 0;
    float pinkSum = 0.0f;
    float brownSum = 0.0f;
    std::array<float, 16> pinkRows{};
};
