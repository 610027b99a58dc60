// The synthesis entry points: render a whole tone, sweep or noise signal into a caller's block.
#pragma once

#include <cstdint>

#include "synth/SignalCodes.h"

namespace quilbo {

// Called on the calling thread with the number of samples written so far (all channels
// together), in rising counts that end with the whole block's. Those samples are final; the rest
// of the block is only final once the entry point returns. A block rendered by the calling thread
// alone reports after every frame; a large block shared among threads reports whenever a further
// stretch of frames from its start is finished.
using ProgressCallback = void (*)(std::uint32_t samplesWritten);

// Each entry point fills `block` (blockSize bytes, owned by the caller) with interleaved
// little-endian frames and returns 1, or returns 0 without touching the block when
// bitsPerSample is not 8, 16, 20, 24 or 32. channelCode 0 is the opposite-phase pair (two
// channels, the second inverted); any other value is that many identical channels.
// Waveforms (synth/SignalCodes.h): sine, square and two-ramp tone for the tone entry points;
// white, pink and brown noise for the noise entry points; any other index renders silence. Every
// input is accepted: values out of the usual range render silence or clamp to full scale, never
// anything undefined. Blocks of 2 MiB and more render on every core (pink and brown noise only
// in frames of 12 bytes and more), in the same bytes as on one thread; the environment variable
// QUILBO_RENDER_THREADS=N caps the threads, and 1 keeps the calling thread alone.

std::int32_t SynthesizeTone(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t sampleRate,
                            std::uint32_t channelCode, std::uint16_t bitsPerSample,
                            std::int32_t waveform, double frequency, double amplitude,
                            ProgressCallback progress) noexcept;

// The frequency moves linearly from startFrequency to endFrequency over the whole block.
std::int32_t SynthesizeSweep(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t sampleRate,
                             std::uint32_t channelCode, std::uint16_t bitsPerSample,
                             std::int32_t waveform, double startFrequency, double endFrequency,
                             double amplitude, ProgressCallback progress) noexcept;

// The frequency moves exponentially from startFrequency to endFrequency over the whole block
// (equal time per octave), with every channel count; the phase runs on without a jump. Both
// frequencies must be positive and finite, otherwise the block holds silence.
std::int32_t SynthesizeLogSweep(std::uint8_t* block, std::uint32_t blockSize,
                                std::uint32_t sampleRate, std::uint32_t channelCode,
                                std::uint16_t bitsPerSample, std::int32_t waveform,
                                double startFrequency, double endFrequency, double amplitude,
                                ProgressCallback progress) noexcept;

// Seeds the noise from the calendar clock (whole seconds); sampleRate is accepted and unused.
std::int32_t SynthesizeNoise(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t sampleRate,
                             std::uint32_t channelCode, std::uint16_t bitsPerSample,
                             std::int32_t waveform, double amplitude,
                             ProgressCallback progress) noexcept;

// SynthesizeNoise with a given seed, for reproducible renders (tests, quilbo-render --seed).
std::int32_t SynthesizeNoiseSeeded(std::uint32_t seed, std::uint8_t* block, std::uint32_t blockSize,
                                   std::uint32_t sampleRate, std::uint32_t channelCode,
                                   std::uint16_t bitsPerSample, std::int32_t waveform,
                                   double amplitude, ProgressCallback progress) noexcept;

}  // namespace quilbo
