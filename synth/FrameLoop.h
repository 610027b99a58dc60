// The frame loop shared by every entry point: frame values in batches, samples and progress
// one frame at a time.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "synth/CpuDispatch.h"
#include "synth/Synthesis.h"

namespace quilbo::synth {

struct Layout {
    std::uint8_t* block = nullptr;
    std::uint64_t totalSamples = 0;
    std::uint32_t channels = 2;
    bool pair = false;
};

// An unsigned word holding a two-channel frame of samples with the given bit pattern type.
template <class Bits>
using FrameWord =
    std::conditional_t<sizeof(Bits) == 1, std::uint16_t,
                       std::conditional_t<sizeof(Bits) == 2, std::uint32_t, std::uint64_t>>;

// Frames whose values a source computes in one go.
inline constexpr std::size_t kBatch = 256;

// Frames in the block, the cut-short last one included.
inline std::uint64_t framesOf(const Layout& layout) noexcept {
    return layout.totalSamples == 0 ? 0 : (layout.totalSamples - 1) / layout.channels + 1;
}

// A source's encode(enc, o, n, out) stores in out[0..n) the samples (polarity +1) of frames
// o..o+n-1. They are computed a batch ahead into this private buffer only: the block itself
// is written one frame at a time, each frame followed by its progress report. Renders frames
// [firstFrame, endFrame) (endFrame at most framesOf(layout)); the source stands at firstFrame.
template <class Enc, class Source>
QUILBO_AVX2_CLONES void renderFrames(const Enc& enc, Source& source, const Layout& layout,
                                     std::uint64_t firstFrame, std::uint64_t endFrame,
                                     ProgressCallback progress) {
    using Sample = typename Enc::Sample;
    std::array<Sample, kBatch> samples;
    const std::uint32_t channels = layout.channels;
    const std::uint64_t total = std::min<std::uint64_t>(layout.totalSamples, endFrame * channels);
    const bool pair = layout.pair;
    std::uint64_t i = firstFrame * channels;
    std::uint8_t* out = layout.block + i * Enc::kBytes;
    auto o = static_cast<std::int64_t>(firstFrame);
    while (i < total) {
        const std::uint64_t framesLeft = (total - i - 1) / channels + 1;
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBatch, framesLeft));
        source.encode(enc, o, n, samples.data());
        // Whole frames only in the common loop; the last frame may be cut short.
        const bool lastBatch = n == framesLeft;
        const std::size_t whole = lastBatch && (total % channels) != 0 ? n - 1 : n;
        if (channels == 2 && std::endian::native == std::endian::little) {
            // Both samples of a frame go out as one word, built for the whole batch first.
            using Word = FrameWord<typename Enc::Bits>;
            constexpr unsigned kShift = 8 * sizeof(typename Enc::Bits);
            std::array<Word, kBatch> words;
            for (std::size_t j = 0; j < whole; ++j) {
                const Sample s = samples[j];
                words[j] = static_cast<Word>(Enc::bitsOf(s)) |
                           static_cast<Word>(
                               static_cast<Word>(Enc::bitsOf(pair ? Enc::invert(s) : s)) << kShift);
            }
            if (progress == nullptr) {
                std::memcpy(out, words.data(), whole * sizeof(Word));
                out += whole * sizeof(Word);
                i += 2 * whole;
            } else {
                // Few live values across the call, so that none has to wait in memory.
                auto count = static_cast<std::uint32_t>(i);  // i <= total < 2^32
                std::uint8_t* at = out;
                for (const Word* w = words.data(); w != words.data() + whole; ++w) {
                    std::memcpy(at, w, sizeof(Word));
                    at += sizeof(Word);
                    count += 2;
                    progress(count);
                }
                out = at;
                i += 2 * whole;
            }
        } else {
            for (std::size_t j = 0; j < whole; ++j) {
                const Sample s = samples[j];
                for (std::uint32_t c = 0; c < channels; ++c) {
                    Enc::put(out, s);
                    out += Enc::kBytes;
                }
                i += channels;
                if (progress != nullptr) {
                    progress(static_cast<std::uint32_t>(i));
                }
            }
        }
        if (whole != n) {
            // The leading channels of a partial frame; in the pair only the first one fits.
            const Sample s = samples[whole];
            for (; i < total; ++i) {
                Enc::put(out, s);
                out += Enc::kBytes;
            }
            if (progress != nullptr) {
                progress(static_cast<std::uint32_t>(i));
            }
        }
        o += static_cast<std::int64_t>(n);
    }
}

}  // namespace quilbo::synth
