// The clock seed of a fresh noise generator, and the pink step's rare redraw.
#include "synth/NoiseGenerator.h"

#include <ctime>

namespace quilbo {

CNoiseGenerator::CNoiseGenerator() noexcept
    : seed(static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::time(nullptr)))) {}

// A pink renewal was rejected: draw again, one step at a time, until the sum stays in bounds.
double CNoiseGenerator::pinkRedraw(unsigned row, float old) noexcept {
    for (;;) {
        const float r = static_cast<float>(NextRandom(0.5f));
        pinkRows[row] = r;
        const float d = r - old;
        const double candidate = static_cast<double>(pinkSum) + static_cast<double>(d);
        pinkSum = pinkSum + d;
        if (candidate < -4.0 || pinkSum > 4.0f) {
            pinkSum = pinkSum - d;
            continue;
        }
        break;
    }
    ++pinkCounter;
    return (NextRandom(0.5f) + static_cast<double>(pinkSum)) * 0.125;
}

}  // namespace quilbo
