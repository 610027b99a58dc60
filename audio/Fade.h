// Fades on the way to the output: a raised-cosine ramp over a stretch of interleaved frames,
// applied to copies of the pieces it touches (the rendered block itself stays as it is).
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/WaveFormat.h"

namespace quilbo {

// How long a fade lasts: long enough that a start or a stop is no click, short enough that
// neither is heard as a fade.
inline constexpr std::uint32_t kFadeMilliseconds = 10;

// The sample layouts the devices play.
enum class SampleKind { Unsigned8, Signed16, Signed32, Float32, Unknown };

struct FadeLayout {
    SampleKind kind = SampleKind::Unknown;
    std::size_t channels = 0;
    // Low bits of a 32-bit container that carry no value (20 and 24 bits are left-justified);
    // they stay zero after the gain.
    unsigned unusedBits = 0;

    std::size_t sampleBytes() const;
    std::size_t frameBytes() const { return sampleBytes() * channels; }
    bool valid() const { return frameBytes() != 0; }
};

FadeLayout fadeLayoutOf(const WaveFormatExtensible& format);

// Frames in a fade at the given rate (at least one).
std::size_t fadeFrames(std::uint32_t sampleRate);

// The gain of frame k (0-based) of a fade-in lasting frames frames; a fade-out runs it backwards.
double fadeInGain(std::size_t k, std::size_t frames);

// Scales the samples of data (bytes long) in place. position is where data begins in the stream
// of frames it belongs to, in bytes and at a sample boundary (a piece may begin or end inside a
// frame). in: a rise from silence over the `length` frames from frame `start` on; otherwise a
// fall to silence over the `length` frames from `start` on, and silence after it. Frames before
// `start`, and after a rise, stay as they are.
void applyFade(std::uint8_t* data, std::size_t bytes, const FadeLayout& layout,
               std::uint64_t position, std::int64_t start, std::size_t length, bool in);

}  // namespace quilbo
