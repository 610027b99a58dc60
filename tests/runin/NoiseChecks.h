// Telling pink noise from white and brown noise in a test by how much it changes from one
// sample to the next.
#pragma once

#include <cstddef>
#include <vector>

namespace quilbo::test {

// Energy of the first differences over the energy of the signal: about 2 for white noise, about
// 0.25 for the program's pink noise, below 0.01 for its brown noise.
inline double differenceRatio(const std::vector<double>& samples) {
    double mean = 0;
    for (double s : samples) {
        mean += s;
    }
    mean /= static_cast<double>(samples.size());
    double energy = 0;
    double differences = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        energy += (samples[i] - mean) * (samples[i] - mean);
        if (i > 0) {
            differences += (samples[i] - samples[i - 1]) * (samples[i] - samples[i - 1]);
        }
    }
    return differences / energy;
}

}  // namespace quilbo::test
