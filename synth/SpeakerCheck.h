// The speaker check's signal: band-limited pink noise that repeats seamlessly, and the blocks that
// play it on one channel, on each channel in turn, or on the front pair in and out of phase.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quilbo {

// What a receiver's channel check plays: pink noise from 500 to 2000 Hz (where every speaker of a
// system, tweeter to woofer, reproduces it and the ear finds its direction), at -20 dBFS RMS
// measured against a full-scale sine. The low-frequency channel gets the same level from 30 to
// 80 Hz: a subwoofer's crossover passes nothing of the main band.
inline constexpr double kCheckBandLowHz = 500.0;
inline constexpr double kCheckBandHighHz = 2000.0;
inline constexpr double kCheckLfeLowHz = 30.0;
inline constexpr double kCheckLfeHighHz = 80.0;
inline constexpr double kCheckLevelDbfs = -20.0;
inline constexpr std::uint32_t kCheckSampleRate = 44100;
// One period of the noise, about three seconds: each speaker's turn in a cycle. A power of two
// for the transform.
inline constexpr std::size_t kCheckPeriodFrames = std::size_t{1} << 17;
// The fade at both ends of every turn, so that no turn starts or ends with a step.
inline constexpr std::size_t kCheckFadeFrames = kCheckSampleRate / 100;

// One period of pink noise holding only frequencies between lowHz and highHz: every harmonic of
// the period in the band, with power falling 3 dB per octave and a random phase from seed. The
// period is a power of two of at least 4 frames; the result has an RMS of 1 and, played in a loop,
// no seam (its spectrum has no energy outside the band). Starts at the sample nearest zero. Empty
// for a period that is not a power of two or a band holding no harmonic.
std::vector<float> periodicBandNoise(std::size_t frames, double sampleRate, double lowHz,
                                     double highHz, std::uint64_t seed);

// One turn of a check block: the noise it plays and its gain on each channel (missing channels
// are silent). A turn lasts one period of its noise.
struct CheckTurn {
    std::span<const float> noise;
    std::vector<float> gains;
};

// Renders the turns one after another as interleaved 16-bit little-endian frames into out, at an
// amplitude where a gain of 1 gives the check level. With fadeFrames, each turn rises and falls
// over that many frames (raised cosine) at its ends; without, a single turn loops seamlessly.
// Returns the bytes written: 0 when out is too small for every turn, when turns differ in length
// or when a fade takes more than half a turn.
std::size_t renderCheckBlock(std::span<const CheckTurn> turns, int channels, std::size_t fadeFrames,
                             std::span<std::uint8_t> out);

// The bytes renderCheckBlock needs for these turns.
std::size_t checkBlockBytes(std::span<const CheckTurn> turns, int channels);

}  // namespace quilbo
