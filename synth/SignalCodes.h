// The numbers a signal request carries for its waveform and its channel layout, named once for
// the whole program (the Frequency page's lists, the run-in noise, quilbo-render, the synthesis).
#pragma once

#include <cstdint>

namespace quilbo {

// Waveform indices, in the order of the Frequency page's list.
enum Waveform : std::int32_t {
    kWaveSine = 0,
    kWaveSquare = 1,
    kWaveTwoRamp = 2,
    kWaveWhiteNoise = 3,
    kWavePinkNoise = 4,
    kWaveBrownNoise = 5,
    // The signals standards define (synth/StandardSignals.h), after the described ones.
    kWaveSt2095Pink = 6,
    kWaveToneBurst = 7,
    kWavePowerNoise = 8,
    kWavePeriodicPink = 9,
};

// Tones (fixed or swept) take a frequency; the others are noise.
constexpr bool isToneWaveform(std::int32_t waveform) noexcept {
    return waveform <= kWaveTwoRamp;
}

constexpr bool isStandardWaveform(std::int32_t waveform) noexcept {
    return waveform >= kWaveSt2095Pink && waveform <= kWavePeriodicPink;
}

// Channel code 0: two channels, the second carrying the first one's samples inverted. Any other
// code is that many identical channels.
inline constexpr std::uint32_t kOppositePhasePair = 0;

}  // namespace quilbo
