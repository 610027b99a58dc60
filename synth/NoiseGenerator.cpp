// Pink and brown noise steps, and the clock seed of a fresh generator.
#include "synth/NoiseGenerator.h"

#include <ctime>

CNoiseGenerator::CNoiseGenerator() noexcept
    : seed(static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr)))) {}

double CNoiseGenerator::NextPink() noexcept {
    // Voss-McCartney: row j is renewed every 2^(j+1) frames. The running sum is never
    // recomputed from the rows, and a renewal that would leave [-4, 4] is drawn again.
    const unsigned row = static_cast<unsigned>(std::countr_zero(pinkCounter)) & 15u;
    const float old = pinkRows[row];
    for (;;) {
        const double r = NextRandom(0.5f);
        pinkRows[row] = static_cast<float>(r);
        const double d = r - static_cast<double>(old);
        const double candidate = static_cast<double>(pinkSum) + d;
        pinkSum = static_cast<float>(candidate);
        if (candidate < -4.0 || pinkSum > 4.0f) {
            pinkSum = static_cast<float>(static_cast<double>(pinkSum) - d);
            continue;
        }
        break;
    }
    ++pinkCounter;
    const double w = NextRandom(0.5f);
    return (w + static_cast<double>(pinkSum)) * 0.125;
}

double CNoiseGenerator::NextBrown() noexcept {
    // A random walk held inside [-8, 8]: a step that would leave it is drawn again.
    for (;;) {
        const float r = static_cast<float>(NextRandom(0.5f));
        const double candidate = static_cast<double>(brownSum) + static_cast<double>(r);
        if (candidate < -8.0 || candidate > 8.0) {
            continue;
        }
        brownSum = static_cast<float>(candidate);
        return candidate * 0.0625;
    }
}
