// Band centres, edges and nominal frequencies.
#include "measure/OctaveBands.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace quilbo {
namespace {

const double kG = std::pow(10.0, 0.3);

// One-third-octave (and so octave) bands carry the preferred numbers of the R10 series, rounded
// as the standard rounds them (31.5 and 63 rather than 31.6 and 63.1).
constexpr std::array<double, 10> kThirdOctaveMantissas = {1.0,  1.25, 1.6, 2.0, 2.5,
                                                          3.15, 4.0,  5.0, 6.3, 8.0};

double thirdOctaveNominal(double centre) {
    const int n = static_cast<int>(std::lround(10 * std::log10(centre)));
    const int decade = static_cast<int>(std::floor(n / 10.0));
    return kThirdOctaveMantissas[static_cast<std::size_t>(n - 10 * decade)] *
           std::pow(10.0, decade);
}

// Narrower bands: the exact centre to three significant digits. Rounding to two above a
// leading 5 would give neighbouring 1/48-octave bands the same name.
double roundedNominal(double centre) {
    const double scale = std::pow(10.0, std::floor(std::log10(centre)) - 2);
    return std::round(centre / scale) * scale;
}

}  // namespace

bool isBandsPerOctave(int bandsPerOctave) {
    return std::ranges::find(kBandsPerOctave, bandsPerOctave) != std::end(kBandsPerOctave);
}

OctaveBand octaveBand(int b, int x) {
    OctaveBand band;
    const double exponent = b % 2 == 1 ? static_cast<double>(x) / b : (2.0 * x + 1) / (2.0 * b);
    band.centre = 1000.0 * std::pow(kG, exponent);
    band.lower = band.centre * std::pow(kG, -0.5 / b);
    band.upper = band.centre * std::pow(kG, 0.5 / b);
    band.nominal = b <= 3 ? thirdOctaveNominal(band.centre) : roundedNominal(band.centre);
    return band;
}

std::vector<OctaveBand> octaveBands(int b, double lowest, double highest, double ceiling) {
    std::vector<OctaveBand> bands;
    if (!isBandsPerOctave(b) || !(lowest >= 1.0) || !(highest >= lowest) || !(highest <= 1e6)) {
        return bands;
    }
    // Slack for the limits being nominal centres (31.5 Hz is 31.62 Hz exactly, 80 Hz 79.43 Hz).
    int x = static_cast<int>(std::floor(b * std::log(lowest / 1000.0) / std::log(kG))) - 1;
    for (;; ++x) {
        const OctaveBand band = octaveBand(b, x);
        if (band.centre > highest * 1.01 || band.upper >= ceiling) {
            break;
        }
        if (band.centre >= lowest / 1.01) {
            bands.push_back(band);
        }
    }
    return bands;
}

std::string nominalName(double nominal) {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), nominal,
                                            std::chars_format::general, 6);
    return error == std::errc() ? std::string(text.data(), end) : std::string();
}

}  // namespace quilbo
