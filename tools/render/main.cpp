// quilbo-render: renders one signal request into a fresh block and writes the block to stdout,
// or with --wav as a WAV file.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "media/FileWrite.h"
#include "media/SampleBlock.h"
#include "media/WaveFile.h"
#include "synth/StandardSignals.h"
#include "synth/Synthesis.h"
#include "tools/render/CommandLine.h"

namespace {

// The pages' callback stores the count for their progress bar; this one stores it likewise so
// that rendering here costs what it costs there.
std::uint32_t g_samplesWritten = 0;

void storeProgress(std::uint32_t samplesWritten) {
    g_samplesWritten = samplesWritten;
}

std::int32_t render(const quilbo::render::RenderRequest& r, std::uint8_t* block) {
    using quilbo::render::Signal;
    // The entry point takes the bit depth as 16 bits: BITS keeps only its low 16 bits.
    const auto bits = static_cast<std::uint16_t>(r.bits);
    const auto waveform = static_cast<std::int32_t>(r.waveform);
    switch (r.signal) {
        case Signal::Tone:
            return quilbo::SynthesizeTone(block, r.blockSize, r.sampleRate, r.channelCode, bits,
                                          waveform, r.frequency, r.amplitude, storeProgress);
        case Signal::Sweep:
            return quilbo::SynthesizeSweep(block, r.blockSize, r.sampleRate, r.channelCode, bits,
                                           waveform, r.frequency, r.endFrequency, r.amplitude,
                                           storeProgress);
        case Signal::LogSweep:
            return quilbo::SynthesizeLogSweep(block, r.blockSize, r.sampleRate, r.channelCode, bits,
                                              waveform, r.frequency, r.endFrequency, r.amplitude,
                                              storeProgress);
        case Signal::Noise:
            if (r.seed) {
                return quilbo::SynthesizeNoiseSeeded(*r.seed, block, r.blockSize, r.sampleRate,
                                                     r.channelCode, bits, waveform, r.amplitude,
                                                     storeProgress);
            }
            return quilbo::SynthesizeNoise(block, r.blockSize, r.sampleRate, r.channelCode, bits,
                                           waveform, r.amplitude, storeProgress);
        case Signal::Standard: {
            quilbo::StandardSignal signal;
            signal.waveform = waveform;
            signal.frequency = r.frequency;
            signal.lowHz = r.lowHz;
            signal.highHz = r.highHz;
            signal.seed = r.seed.value_or(0);
            return quilbo::SynthesizeStandard(block, r.blockSize, r.sampleRate, r.channelCode, bits,
                                              signal, r.amplitude, storeProgress);
        }
    }
    return 0;
}

// The file's layout for the request: the pair's two channels, the depth's low 16 bits.
struct WaveLayout {
    int channels;
    int rate;
    int precision;
};

WaveLayout waveLayoutOf(const quilbo::render::RenderRequest& r) {
    const std::uint32_t channels = r.channelCode == 0 ? 2 : r.channelCode;
    constexpr std::uint32_t kIntMax = 0x7FFFFFFF;
    // Values beyond int are refused by the writer's checks as -1.
    return {channels <= kIntMax ? static_cast<int>(channels) : -1,
            r.sampleRate <= kIntMax ? static_cast<int>(r.sampleRate) : -1,
            static_cast<std::uint16_t>(r.bits)};
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::fputs(quilbo::render::kUsage, stdout);
        return 0;
    }
    std::string error;
    const auto request = quilbo::render::parseCommandLine(args, error);
    if (!request) {
        std::fprintf(stderr, "quilbo-render: %s\n%s", error.c_str(), quilbo::render::kUsage);
        return 2;
    }

    const WaveLayout wave = waveLayoutOf(*request);
    // Refused before anything is rendered: a block too large for any WAV file.
    if (request->wavPath &&
        quilbo::checkWaveFile(request->blockSize, wave.channels, wave.rate, wave.precision) ==
            quilbo::FileWriteError::TooLarge) {
        std::fputs("quilbo-render: the block makes a WAV file larger than 4 GiB\n", stderr);
        return 1;
    }

    quilbo::SampleBlock block = quilbo::SampleBlock::allocate(request->blockSize);
    if (request->blockSize != 0 && !block) {
        std::fprintf(stderr, "quilbo-render: cannot allocate %u bytes\n", request->blockSize);
        return 1;
    }
    const std::int32_t rendered = render(*request, block.data());
    if (rendered == -1) {
        std::fprintf(stderr,
                     "quilbo-render: cannot work out the signal (no memory for its working, or its "
                     "crest factor missed)\n");
        return 1;
    }
    if (rendered != 1) {
        std::fprintf(stderr, "quilbo-render: unsupported bit depth %u\n", request->bits);
        return 3;
    }
    if (request->wavPath) {
        const quilbo::FileWriteResult written =
            quilbo::writeWaveFile(*request->wavPath, block.data(), block.size(), wave.channels,
                                  wave.rate, wave.precision);
        if (!written) {
            std::fprintf(stderr, "quilbo-render: %s\n",
                         quilbo::describeFileWrite(*request->wavPath, written).c_str());
            // Its own exit code: a script can tell a wrong target from a failed write.
            return written.error == quilbo::FileWriteError::NotRegularFile ? 4 : 1;
        }
    } else if (!quilbo::writeFully(STDOUT_FILENO, block.data(), block.size())) {
        std::fprintf(stderr, "quilbo-render: cannot write the block: %s\n", std::strerror(errno));
        return 1;
    }
    // The last report must count every whole sample of the block.
    const auto bits = static_cast<std::uint16_t>(request->bits);
    const std::uint32_t samples = request->blockSize / (bits == 8 ? 1u : bits == 16 ? 2u : 4u);
    if (g_samplesWritten != samples) {
        std::fprintf(stderr, "quilbo-render: progress ended at %u of %u samples\n",
                     g_samplesWritten, samples);
        return 1;
    }
    return 0;
}
