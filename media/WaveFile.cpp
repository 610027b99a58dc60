// The WAV file writer: the header and the sample repacking.
#include "media/WaveFile.h"

#include "media/AtomicFile.h"
#include "media/FileWrite.h"
#include "media/WaveFormat.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace quilbo {
namespace {

// RIFF header, "fmt " with the extensible record, "fact" with the frame count, "data" header.
constexpr std::uint64_t kHeaderBytes = 12 + 8 + kWaveFormatExtensibleBytes + 8 + 4 + 8;
constexpr std::uint64_t kMaxRiffSize = std::numeric_limits<std::uint32_t>::max();
// Speaker positions end at bit 17; a wider layout is declared without positions.
constexpr int kMaxPositionedChannels = 18;

// Bytes a sample occupies in the file: the block's 4-byte 20- and 24-bit samples lose their
// always-zero low byte.
int fileSampleBytes(int precision) {
    return precision == 20 || precision == 24 ? 3 : containerBytes(precision);
}

struct Layout {
    std::uint64_t frames = 0;
    std::uint64_t dataBytes = 0;
    std::uint64_t blockFrameBytes = 0;
    int fileFrameBytes = 0;
};

Layout layoutOf(std::uint64_t blockBytes, int channels, int precision) {
    Layout layout;
    layout.blockFrameBytes = static_cast<std::uint64_t>(channels) *
                             static_cast<std::uint64_t>(containerBytes(precision));
    layout.fileFrameBytes = channels * fileSampleBytes(precision);
    layout.frames = blockBytes / layout.blockFrameBytes;
    layout.dataBytes = layout.frames * static_cast<std::uint64_t>(layout.fileFrameBytes);
    return layout;
}

template <typename T>
void putLittle(std::vector<std::uint8_t>& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void putTag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
    out.insert(out.end(), tag, tag + 4);
}

std::vector<std::uint8_t> headerOf(const Layout& layout, int channels, int sampleRate,
                                   int precision) {
    WaveFormatExtensible format = buildWaveFormat(channels, sampleRate, precision);
    // The block's 4-byte containers of 20 and 24 bits become 3-byte samples, all 24 bits valid
    // (SoX refuses containers wider than their valid bits).
    const auto sampleBits = static_cast<std::uint16_t>(8 * fileSampleBytes(precision));
    format.wBitsPerSample = sampleBits;
    format.wValidBitsPerSample = sampleBits;
    format.nBlockAlign = static_cast<std::uint16_t>(layout.fileFrameBytes);
    format.nAvgBytesPerSec =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(sampleRate) * format.nBlockAlign);
    if (channels > kMaxPositionedChannels) {
        format.dwChannelMask = 0;
    }
    const std::uint64_t pad = layout.dataBytes % 2;
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderBytes);
    putTag(out, "RIFF");
    putLittle(out, static_cast<std::uint32_t>(kHeaderBytes - 8 + layout.dataBytes + pad));
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    putLittle(out, static_cast<std::uint32_t>(kWaveFormatExtensibleBytes));
    const auto record = waveFormatBytes(format);
    out.insert(out.end(), record.begin(), record.end());
    putTag(out, "fact");
    putLittle(out, std::uint32_t{4});
    putLittle(out, static_cast<std::uint32_t>(layout.frames));
    putTag(out, "data");
    putLittle(out, static_cast<std::uint32_t>(layout.dataBytes));
    return out;
}

// The samples in the file's form: 20 and 24 bits repacked through a buffer, the rest as they are.
bool writeSamples(int fd, const std::uint8_t* block, const Layout& layout, int precision) {
    if (fileSampleBytes(precision) == containerBytes(precision)) {
        return writeFully(fd, block, layout.dataBytes);
    }
    constexpr std::size_t kSamplesPerPass = 1 << 16;
    std::vector<std::uint8_t> packed(3 * kSamplesPerPass);
    std::uint64_t samples = layout.dataBytes / 3;
    const std::uint8_t* in = block;
    while (samples > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(samples, kSamplesPerPass));
        std::uint8_t* out = packed.data();
        for (std::size_t i = 0; i < n; ++i, in += 4, out += 3) {
            out[0] = in[1];
            out[1] = in[2];
            out[2] = in[3];
        }
        if (!writeFully(fd, packed.data(), 3 * n)) {
            return false;
        }
        samples -= n;
    }
    return true;
}

}  // namespace

FileWriteError checkWaveFile(std::uint64_t blockBytes, int channels, int sampleRate,
                             int precision) {
    if (containerBytes(precision) == 0 || sampleRate <= 0 || channels <= 0 ||
        channels > std::numeric_limits<std::uint16_t>::max() ||
        channels * fileSampleBytes(precision) > std::numeric_limits<std::uint16_t>::max()) {
        return FileWriteError::UnsupportedFormat;
    }
    const Layout layout = layoutOf(blockBytes, channels, precision);
    if (static_cast<std::uint64_t>(sampleRate) * static_cast<std::uint64_t>(layout.fileFrameBytes) >
        kMaxRiffSize) {
        return FileWriteError::UnsupportedFormat;
    }
    if (kHeaderBytes - 8 + layout.dataBytes + layout.dataBytes % 2 > kMaxRiffSize) {
        return FileWriteError::TooLarge;
    }
    return FileWriteError::None;
}

FileWriteResult writeWaveFile(const std::string& path, const std::uint8_t* block,
                              std::uint64_t blockBytes, int channels, int sampleRate,
                              int precision) {
    if (const FileWriteError refused = checkWaveFile(blockBytes, channels, sampleRate, precision);
        refused != FileWriteError::None) {
        return {refused, 0};
    }
    const Layout layout = layoutOf(blockBytes, channels, precision);
    if (block == nullptr && layout.dataBytes != 0) {
        return {FileWriteError::UnsupportedFormat, 0};
    }
    const std::vector<std::uint8_t> header = headerOf(layout, channels, sampleRate, precision);
    return writeFileAtomically(path, [&](int fd) {
        const std::uint8_t pad = 0;
        return writeFully(fd, header.data(), header.size()) &&
               writeSamples(fd, block, layout, precision) &&
               (layout.dataBytes % 2 == 0 || writeFully(fd, &pad, 1));
    });
}

}  // namespace quilbo
