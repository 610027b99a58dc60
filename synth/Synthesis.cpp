// The synthesis entry points: request checks, the one depth dispatch per call, the choice of
// frame source, and the share of a large block's frames among threads.
#include "synth/Synthesis.h"

#include <array>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <optional>
#include <type_traits>

#include "synth/BlockSize.h"
#include "synth/Encoders.h"
#include "synth/FrameLoop.h"
#include "synth/NoiseGenerator.h"
#include "synth/RenderThreads.h"
#include "synth/ToneSources.h"

namespace quilbo::synth {
namespace {

// Noise values depend on the order of the draws, so they are taken strictly frame by frame. A
// chunk of a shared render starts from the state the frames before it leave behind (skip).
template <class Step>
struct NoiseSource {
    CNoiseGenerator generator;
    Step step;

    template <class Enc>
    void encode(const Enc& enc, std::int64_t, std::size_t n, typename Enc::Sample* out) {
        std::size_t j = 0;
        step.run(generator, n, [&](double v) { out[j++] = enc.encode(v); });
    }
    void skip(std::uint64_t frames) noexcept { step.skip(generator, frames); }
    // Whether skip walks frame by frame rather than jumping.
    static constexpr bool kSkipWalks = Step::kWalks;
};
template <class Step>
NoiseSource(CNoiseGenerator, Step) -> NoiseSource<Step>;

// Each colour's steps: run hands the values of the next frames to emit, skip only moves on.
struct WhiteStep {
    static constexpr bool kWalks = false;
    template <class Emit>
    static void run(CNoiseGenerator& g, std::uint64_t frames, Emit emit) noexcept {
        for (std::uint64_t f = 0; f < frames; ++f) {
            emit(g.nextWhite());
        }
    }
    static void skip(CNoiseGenerator& g, std::uint64_t frames) noexcept { g.skipWhite(frames); }
};
// Pink and brown redraw a step now and then, so the draws a frame takes are only known by
// taking them: the state is walked through, without encoding anything.
struct PinkStep {
    static constexpr bool kWalks = true;
    template <class Emit>
    static void run(CNoiseGenerator& g, std::uint64_t frames, Emit emit) noexcept {
        g.runPink(frames, emit);
    }
    static void skip(CNoiseGenerator& g, std::uint64_t frames) noexcept {
        g.runPink(frames, [](double) {});
    }
};
struct BrownStep {
    static constexpr bool kWalks = true;
    template <class Emit>
    static void run(CNoiseGenerator& g, std::uint64_t frames, Emit emit) noexcept {
        for (std::uint64_t f = 0; f < frames; ++f) {
            emit(g.nextBrown());
        }
    }
    static void skip(CNoiseGenerator& g, std::uint64_t frames) noexcept {
        run(g, frames, [](double) {});
    }
};

// A source whose frames follow from the frames before it, rather than from the frame index.
template <class Source>
concept SequentialSource = requires(Source& source, std::uint64_t frames) {
    source.skip(frames);
};

struct NoStarts {};

// One shared render: each chunk renders from its own copy of the source, which a sequential
// source first brings to the chunk's first frame.
template <class Enc, class Source>
struct ChunkedRender {
    static constexpr bool kSequential = SequentialSource<Source>;
    using Starts =
        std::conditional_t<kSequential, std::array<std::optional<Source>, kMaxChunks>, NoStarts>;

    const Enc& enc;
    const Layout& layout;
    const ChunkPlan& plan;
    const Source& first;
    Source walker;  // the calling thread's walk through the sequential states
    Starts starts{};

    static void prepareNext(void* context, unsigned chunk) noexcept {
        if constexpr (kSequential) {
            auto& self = *static_cast<ChunkedRender*>(context);
            self.walker.skip(self.plan.chunkFrames);
            self.starts[chunk + 1].emplace(self.walker);
        }
    }
    static void render(void* context, unsigned chunk, std::uint64_t firstFrame,
                       std::uint64_t endFrame) noexcept {
        const auto& self = *static_cast<const ChunkedRender*>(context);
        Source source = self.first;
        if constexpr (kSequential) {
            if (chunk != 0) {
                source = *self.starts[chunk];
            }
        }
        renderFrames(self.enc, source, self.layout, firstFrame, endFrame, nullptr);
    }
};

// Renders the whole block: on the calling thread alone, reporting after every frame, or for a
// large block in chunks on every core.
template <class Enc, class Source>
void renderShared(const Enc& enc, Source& source, const Layout& layout, ProgressCallback progress) {
    const ChunkPlan plan = planChunks(framesOf(layout), layout.totalSamples * Enc::kBytes);
    // Walking a sequential source's state is most of the work of its narrow frames: there a
    // second walk would cost the machine more than the threads save.
    constexpr bool kWalks = [] {
        if constexpr (ChunkedRender<Enc, Source>::kSequential) {
            return Source::kSkipWalks;
        } else {
            return false;
        }
    }();
    const bool worthSharing =
        !kWalks || std::uint64_t{layout.channels} * Enc::kBytes >= kSequentialMinFrameBytes;
    if (plan.chunks <= 1 || !worthSharing) {
        renderFrames(enc, source, layout, 0, plan.frames, progress);
        return;
    }
    ChunkedRender<Enc, Source> shared{enc, layout, plan, source, source};
    ChunkJob job;
    job.context = &shared;
    if constexpr (ChunkedRender<Enc, Source>::kSequential) {
        job.prepareNext = &ChunkedRender<Enc, Source>::prepareNext;
    }
    job.render = &ChunkedRender<Enc, Source>::render;
    runChunks(plan, layout.totalSamples, layout.channels, job, progress);
}

template <class Source>
void renderAtDepth(std::uint16_t bits, double amplitude, Source&& source, const Layout& layout,
                   ProgressCallback progress) {
    switch (bits) {
        case 8:
            renderShared(Encoder8{amplitude}, source, layout, progress);
            break;
        case 16:
            renderShared(Encoder16{amplitude}, source, layout, progress);
            break;
        case 20:
            renderShared(Encoder20{amplitude}, source, layout, progress);
            break;
        case 24:
            renderShared(Encoder24{amplitude}, source, layout, progress);
            break;
        default:
            renderShared(EncoderFloat{amplitude}, source, layout, progress);
            break;
    }
}

// The steps every entry point shares before its own set-up. False (and nothing written) for an
// unsupported depth or a missing block; otherwise the block holds silence and `layout` is set.
bool prepare(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t channelCode,
             std::uint16_t bits, Layout& layout) {
    std::feclearexcept(FE_ALL_EXCEPT);
    const unsigned bytes = sampleContainerBytes(bits);
    if (bytes == 0) {
        return false;
    }
    const std::uint8_t silence = bits == 8 ? Encoder8::kSilence : 0x00;
    if (block == nullptr && blockSize != 0) {
        return false;
    }
    layout.block = block;
    layout.totalSamples = blockSize / bytes;
    // Every whole sample is written by the frame loop, so only the bytes after the last one
    // need the silence fill: the block ends up exactly as if all of it had been filled first,
    // and a fresh block's pages are touched once, by the samples, not twice.
    const std::size_t tail = blockSize % bytes;
    if (tail != 0) {
        std::memset(block + (blockSize - tail), silence, tail);
    }
    layout.pair = channelCode == kOppositePhasePair;
    layout.channels = layout.pair ? 2 : channelCode;
    return true;
}

// Every entry point's frame around its own set-up: 0 for what prepare() refuses, else 1, with
// `render` called on the layout of a block that holds at least one sample.
template <class Render>
std::int32_t renderBlock(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t channelCode,
                         std::uint16_t bits, Render render) {
    Layout layout;
    if (!prepare(block, blockSize, channelCode, bits, layout)) {
        return 0;
    }
    if (layout.totalSamples != 0) {
        render(layout);
    }
    return 1;
}

// Sine, square and ramp share everything but the phase and the ramp's source.
template <class PhaseOf, class RampSource>
void renderTone(std::uint16_t bits, std::int32_t waveform, std::uint32_t sampleRate,
                double amplitude, PhaseOf phaseOf, RampSource ramp, bool rampAudible,
                const Layout& layout, ProgressCallback progress) {
    const bool finiteAmplitude = std::isfinite(amplitude);
    if (sampleRate != 0 && waveform == kWaveSine) {  // a rate of 0 has no phase: silence
        renderAtDepth(bits, amplitude, CosineSource<PhaseOf, false>{phaseOf, finiteAmplitude},
                      layout, progress);
    } else if (sampleRate != 0 && waveform == kWaveSquare) {
        renderAtDepth(bits, amplitude, CosineSource<PhaseOf, true>{phaseOf, finiteAmplitude},
                      layout, progress);
    } else if (sampleRate != 0 && waveform == kWaveTwoRamp && rampAudible) {
        renderAtDepth(bits, amplitude, ramp, layout, progress);
    } else {
        renderAtDepth(bits, amplitude, SilenceSource{}, layout, progress);
    }
}

}  // namespace
}  // namespace quilbo::synth

namespace quilbo {

using namespace quilbo::synth;

std::int32_t SynthesizeTone(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t sampleRate,
                            std::uint32_t channelCode, std::uint16_t bitsPerSample,
                            std::int32_t waveform, double frequency, double amplitude,
                            ProgressCallback progress) noexcept {
    return renderBlock(block, blockSize, channelCode, bitsPerSample, [&](const Layout& layout) {
        const double rate = static_cast<double>(sampleRate);
        const double ratio = rate / frequency;
        // A period under two samples (or none at all) would be a constant level: silence instead.
        const bool rampAudible = ratio >= 2.0 && std::isfinite(ratio);
        renderTone(bitsPerSample, waveform, sampleRate, amplitude,
                   FixedPhase{(frequency * kTwoPi) / rate}, RampToneSource{ratio}, rampAudible,
                   layout, progress);
    });
}

std::int32_t SynthesizeSweep(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t sampleRate,
                             std::uint32_t channelCode, std::uint16_t bitsPerSample,
                             std::int32_t waveform, double startFrequency, double endFrequency,
                             double amplitude, ProgressCallback progress) noexcept {
    return renderBlock(block, blockSize, channelCode, bitsPerSample, [&](const Layout& layout) {
        const double rate = static_cast<double>(sampleRate);
        const double span = endFrequency - startFrequency;
        // The phase multiplies the moving g by the frame index, which doubles its rate of change;
        // dividing by the frames-based length Neff makes every channel count end at f1.
        const double lengthEff =
            static_cast<double>(layout.totalSamples) * 2.0 / static_cast<double>(layout.channels);
        renderTone(bitsPerSample, waveform, sampleRate, amplitude,
                   SweepPhase{span, lengthEff, startFrequency, rate},
                   RampSweepSource{span, lengthEff, startFrequency, rate}, true, layout, progress);
    });
}

std::int32_t SynthesizeLogSweep(std::uint8_t* block, std::uint32_t blockSize,
                                std::uint32_t sampleRate, std::uint32_t channelCode,
                                std::uint16_t bitsPerSample, std::int32_t waveform,
                                double startFrequency, double endFrequency, double amplitude,
                                ProgressCallback progress) noexcept {
    return renderBlock(block, blockSize, channelCode, bitsPerSample, [&](const Layout& layout) {
        const double rate = static_cast<double>(sampleRate);
        const double frames =
            static_cast<double>(layout.totalSamples) / static_cast<double>(layout.channels);
        const double logRatio = std::log(endFrequency / startFrequency);
        // No exponential path leads through zero, a negative or an endless frequency.
        const bool defined = startFrequency > 0.0 && endFrequency > 0.0 &&
                             std::isfinite(logRatio) && std::isfinite(startFrequency / rate);
        if (!defined) {
            renderAtDepth(bitsPerSample, amplitude, SilenceSource{}, layout, progress);
            return;
        }
        const LogSweepCycles cycles{startFrequency / rate, logRatio / frames};
        renderTone(bitsPerSample, waveform, sampleRate, amplitude, LogSweepPhase{cycles},
                   RampLogSweepSource{cycles}, true, layout, progress);
    });
}

std::int32_t SynthesizeNoiseSeeded(std::uint32_t seed, std::uint8_t* block, std::uint32_t blockSize,
                                   std::uint32_t, std::uint32_t channelCode,
                                   std::uint16_t bitsPerSample, std::int32_t waveform,
                                   double amplitude, ProgressCallback progress) noexcept {
    return renderBlock(block, blockSize, channelCode, bitsPerSample, [&](const Layout& layout) {
        const CNoiseGenerator generator(seed);
        if (waveform == kWaveWhiteNoise) {
            renderAtDepth(bitsPerSample, amplitude, NoiseSource{generator, WhiteStep{}}, layout,
                          progress);
        } else if (waveform == kWavePinkNoise) {
            renderAtDepth(bitsPerSample, amplitude, NoiseSource{generator, PinkStep{}}, layout,
                          progress);
        } else if (waveform == kWaveBrownNoise) {
            renderAtDepth(bitsPerSample, amplitude, NoiseSource{generator, BrownStep{}}, layout,
                          progress);
        } else {
            renderAtDepth(bitsPerSample, amplitude, SilenceSource{}, layout, progress);
        }
    });
}

std::int32_t SynthesizeNoise(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t sampleRate,
                             std::uint32_t channelCode, std::uint16_t bitsPerSample,
                             std::int32_t waveform, double amplitude,
                             ProgressCallback progress) noexcept {
    return SynthesizeNoiseSeeded(CNoiseGenerator().seed, block, blockSize, sampleRate, channelCode,
                                 bitsPerSample, waveform, amplitude, progress);
}

}  // namespace quilbo
