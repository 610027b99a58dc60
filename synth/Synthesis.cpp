// The three synthesis entry points: request checks, the one depth dispatch per call, and the
// choice of frame source.
#include "synth/Synthesis.h"

#include <cfenv>
#include <cmath>
#include <cstring>

#include "synth/Encoders.h"
#include "synth/FrameLoop.h"
#include "synth/NoiseGenerator.h"
#include "synth/ToneSources.h"

namespace quilbo::synth {
namespace {

// Noise values depend on the order of the draws, so they are taken strictly frame by frame.
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
void renderAtDepth(std::uint16_t bits, double amplitude, Source&& source, const Layout& layout,
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

// The steps every entry point shares before its own set-up. False (and nothing written) for an
// unsupported depth or a missing block; otherwise the block holds silence and `layout` is set.
bool prepare(std::uint8_t* block, std::uint32_t blockSize, std::uint32_t channelCode,
             std::uint16_t bits, Layout& layout) {
    std::feclearexcept(FE_ALL_EXCEPT);
    unsigned bytes = 0;
    std::uint8_t silence = 0x00;
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
            renderAtDepth(bitsPerSample, amplitude,
                          NoiseSource{generator, [](CNoiseGenerator& g) { return g.nextWhite(); }},
                          layout, progress);
        } else if (waveform == kWavePinkNoise) {
            renderAtDepth(bitsPerSample, amplitude,
                          NoiseSource{generator, [](CNoiseGenerator& g) { return g.nextPink(); }},
                          layout, progress);
        } else if (waveform == kWaveBrownNoise) {
            renderAtDepth(bitsPerSample, amplitude,
                          NoiseSource{generator, [](CNoiseGenerator& g) { return g.nextBrown(); }},
                          layout, progress);
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
