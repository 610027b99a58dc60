// The three synthesis entry points: request checks, depth dispatch and the frame loop.
#include "synth/Synthesis.h"

#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>
#include <cstring>

#include "synth/Encoders.h"
#include "synth/NoiseGenerator.h"
#include "synth/ToneShapes.h"

namespace quilbo::synth {
namespace {

struct Layout {
    std::uint8_t* block;
    std::uint64_t totalSamples;
    std::uint32_t channels;
    bool pair;
};

constexpr std::size_t kBatch = 256;

// Frame values are computed a batch ahead into a private buffer; samples reach the block and
// progress is reported one frame at a time, so the block is never written ahead of the count.
template <class Enc, class Source>
void renderFrames(const Enc& enc, Source& source, const Layout& layout, ProgressCallback progress) {
    using Sample = typename Enc::Sample;
    std::array<Sample, kBatch> samples;
    std::uint8_t* out = layout.block;
    const std::uint64_t total = layout.totalSamples;
    const std::uint32_t channels = layout.channels;
    std::uint64_t i = 0;
    std::int64_t o = 0;
    while (i < total) {
        const std::uint64_t framesLeft = (total - i - 1) / channels + 1;
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBatch, framesLeft));
        source.encode(enc, o, n, samples.data());
        for (std::size_t j = 0; j < n; ++j) {
            const Sample s = samples[j];
            const Sample second = layout.pair ? Enc::invert(s) : s;
            const std::uint64_t frameEnd = std::min<std::uint64_t>(total, i + channels);
            Enc::put(out, s);
            out += Enc::kBytes;
            ++i;
            for (; i < frameEnd; ++i) {
                Enc::put(out, second);
                out += Enc::kBytes;
            }
            if (progress != nullptr) {
                progress(static_cast<std::uint32_t>(i));
            }
        }
        o += static_cast<std::int64_t>(n);
    }
}

// A source whose frame values are a pure function of the frame index.
template <class ValueOf>
struct PureSource {
    ValueOf valueOf;

    template <class Enc>
    void encode(const Enc& enc, std::int64_t o, std::size_t n, typename Enc::Sample* out) const {
        for (std::size_t j = 0; j < n; ++j) {
            out[j] = enc.encode(valueOf(o + static_cast<std::int64_t>(j)));
        }
    }
};
template <class ValueOf>
PureSource(ValueOf) -> PureSource<ValueOf>;

template <class Step>
struct NoiseSource {
    CNoiseGenerator generator;
    Step step;

    template <class Enc>
    void encode(const Enc& enc, std::int64_t, std::size_t n, typename Enc::Sample* out) {
        for (std::size_t j = 0; j < n; ++j) {
            out[j] = enc.encode(step(generator));
        }
    }
};
template <class Step>
NoiseSource(CNoiseGenerator, Step) -> NoiseSource<Step>;

template <class Source>
void renderAtDepth(std::uint16_t bits, double amplitude, Source& source, const Layout& layout,
                   ProgressCallback progress) {
    switch (bits) {
        case 8:
            renderFrames(Encoder8{amplitude}, source, layout, progress);
            break;
        case 16:
            renderFrames(Encoder16{amplitude}, source, layout, progress);
            break;
        case 20:
            renderFrames(Encoder20{amplitude}, source, layout, progress);
            break;
        case 24:
            renderFrames(Encoder24{amplitude}, source, layout, progress);
            break;
        default:
            renderFrames(EncoderFloat{amplitude}, source, layout, progress);
            break;
    }
}

// The steps every entry point shares before its own set-up. Returns false (nothing written)
// for an unsupported depth; otherwise the block holds silence and `layout` is filled in.
bool prepare(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t channelCode,
             std::uint16_t bits, Layout& layout) {
    std::feclearexcept(FE_ALL_EXCEPT);
    unsigned bytes = 0;
    std::uint8_t silence = 0;
    switch (bits) {
        case 8:
            bytes = 1;
            silence = Encoder8::kSilence;
            break;
        case 16:
            bytes = 2;
            break;
        case 20:
        case 24:
        case 32:
            bytes = 4;
            break;
        default:
            return false;
    }
    if (block == nullptr && blockSize != 0) {
        return false;
    }
    if (blockSize != 0) {
        std::memset(block, silence, blockSize);
    }
    layout.block = block;
    layout.totalSamples = blockSize / bytes;
    layout.pair = channelCode == 0;
    layout.channels = layout.pair ? 2 : channelCode;
    return true;
}

double silence(std::int64_t) {
    return 0.0;
}

}  // namespace
}  // namespace quilbo::synth

using namespace quilbo::synth;

std::int32_t SynthesizeTone(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t sampleRate,
                            std::uint32_t channelCode, std::uint16_t bitsPerSample,
                            std::int32_t waveform, double frequency, double amplitude,
                            ProgressCallback progress) noexcept {
    Layout layout;
    if (!prepare(block, blockSize, channelCode, bitsPerSample, layout)) {
        return 0;
    }
    if (layout.totalSamples == 0) {
        return 1;
    }
    const double rate = static_cast<double>(sampleRate);
    const double step = (frequency * kTwoPi) / rate;
    const double ratio = rate / frequency;
    const bool audible = sampleRate != 0;  // a rate of 0 has no phase: silence
    if (audible && waveform == 0) {
        PureSource source{
            [step](std::int64_t o) { return std::cos(step * static_cast<double>(o)); }};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    } else if (audible && waveform == 1) {
        PureSource source{
            [step](std::int64_t o) { return squareOf(std::cos(step * static_cast<double>(o))); }};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    } else if (audible && waveform == 2) {
        PureSource source{[ratio](std::int64_t o) { return rampValue(ratio, o); }};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    } else {
        PureSource source{silence};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    }
    return 1;
}

std::int32_t SynthesizeSweep(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t sampleRate,
                             std::uint32_t channelCode, std::uint16_t bitsPerSample,
                             std::int32_t waveform, double startFrequency, double endFrequency,
                             double amplitude, ProgressCallback progress) noexcept {
    Layout layout;
    if (!prepare(block, blockSize, channelCode, bitsPerSample, layout)) {
        return 0;
    }
    if (layout.totalSamples == 0) {
        return 1;
    }
    const double rate = static_cast<double>(sampleRate);
    const double f0 = startFrequency;
    const double span = endFrequency - startFrequency;
    // The phase multiplies the moving frequency by the frame index, which doubles the rate of
    // change; dividing by the frames-based length makes every channel count end at f1.
    const double lengthEff =
        static_cast<double>(layout.totalSamples) * 2.0 / static_cast<double>(layout.channels);
    const bool audible = sampleRate != 0;
    auto sweepPhase = [=](std::int64_t o) {
        const double od = static_cast<double>(o);
        const double g = (od * span) / lengthEff + f0;
        return ((g * kTwoPi) / rate) * od;
    };
    if (audible && waveform == 0) {
        PureSource source{[=](std::int64_t o) { return std::cos(sweepPhase(o)); }};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    } else if (audible && waveform == 1) {
        PureSource source{[=](std::int64_t o) { return squareOf(std::cos(sweepPhase(o))); }};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    } else if (audible && waveform == 2) {
        // The ramp's period follows the instantaneous frequency, not the phase's g.
        PureSource source{[=](std::int64_t o) {
            const double g = ((2.0 * span) * static_cast<double>(o)) / lengthEff + f0;
            return rampValue(rate / g, o);
        }};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    } else {
        PureSource source{silence};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    }
    return 1;
}

std::int32_t SynthesizeNoiseSeeded(std::uint32_t seed, std::uint8_t* block, std::uint32_t blockSize,
                                   std::uint32_t, std::uint32_t channelCode,
                                   std::uint16_t bitsPerSample, std::int32_t waveform,
                                   double amplitude, ProgressCallback progress) noexcept {
    Layout layout;
    if (!prepare(block, blockSize, channelCode, bitsPerSample, layout)) {
        return 0;
    }
    if (layout.totalSamples == 0) {
        return 1;
    }
    const CNoiseGenerator generator(seed);
    if (waveform == 3) {
        NoiseSource source{generator, [](CNoiseGenerator& g) { return g.NextWhite(); }};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    } else if (waveform == 4) {
        NoiseSource source{generator, [](CNoiseGenerator& g) { return g.NextPink(); }};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    } else if (waveform == 5) {
        NoiseSource source{generator, [](CNoiseGenerator& g) { return g.NextBrown(); }};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    } else {
        PureSource source{silence};
        renderAtDepth(bitsPerSample, amplitude, source, layout, progress);
    }
    return 1;
}

std::int32_t SynthesizeNoise(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t sampleRate,
                             std::uint32_t channelCode, std::uint16_t bitsPerSample,
                             std::int32_t waveform, double amplitude,
                             ProgressCallback progress) noexcept {
    return SynthesizeNoiseSeeded(CNoiseGenerator().seed, block, blockSize, sampleRate, channelCode,
                                 bitsPerSample, waveform, amplitude, progress);
}
