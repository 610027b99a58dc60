// A small RIFF/WAVE reader: walks the chunks, checks the format, and takes the first channel.
// Recorders that stream write a data size they never corrected: the data runs to the file's end.
#include "tools/measure/WavReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "measure/FileRead.h"

namespace quilbo::measurecli {
namespace {

constexpr std::uint64_t kLargestFile = std::uint64_t{1} << 31;
constexpr std::uint16_t kPcm = 1, kFloat = 3, kExtensible = 0xFFFE;

std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

float sampleAt(const unsigned char* p, std::uint16_t format, int bits) {
    if (format == kFloat) {
        float value = 0;
        std::memcpy(&value, p, sizeof value);
        return value;
    }
    switch (bits) {
        case 16:
            return static_cast<float>(static_cast<std::int16_t>(le16(p)) / 32768.0);
        case 24:
            return static_cast<float>(static_cast<std::int32_t>((p[0] << 8) | (p[1] << 16) |
                                                                (std::uint32_t{p[2]} << 24)) /
                                      2147483648.0);
        default:
            return static_cast<float>(static_cast<std::int32_t>(le32(p)) / 2147483648.0);
    }
}

}  // namespace

WavRecording readWavRecording(const std::string& path) {
    WavRecording wav;
    const FileRead read = readRegularFile(path, kLargestFile);
    if (read.error == FileReadError::TooLarge) {
        wav.error = path + " is larger than 2 GiB";
        return wav;
    }
    if (!read) {
        wav.error = "cannot read " + path + ": " + fileReadErrorText(read);
        return wav;
    }
    const auto* base = reinterpret_cast<const unsigned char*>(read.bytes.data());
    const std::size_t total = read.bytes.size();
    if (total < 12 || std::memcmp(base, "RIFF", 4) != 0 || std::memcmp(base + 8, "WAVE", 4) != 0) {
        wav.error = path + " is not a WAV file";
        return wav;
    }
    std::uint16_t format = 0;
    int bits = 0, blockAlign = 0;
    bool haveFormat = false;
    for (std::size_t at = 12; at + 8 <= total;) {
        const unsigned char* chunk = base + at;
        const std::size_t length = le32(chunk + 4);
        const std::size_t body = at + 8, available = std::min(length, total - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && available >= 16) {
            format = le16(chunk + 8);
            wav.channels = le16(chunk + 10);
            wav.rate = static_cast<int>(std::min<std::uint32_t>(le32(chunk + 12), 1u << 30));
            blockAlign = le16(chunk + 20);
            bits = le16(chunk + 22);
            if (format == kExtensible && available >= 26) {
                format = le16(chunk + 32);  // the sub-format GUID's first two bytes
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                wav.error = path + ": the data comes before the format";
                return wav;
            }
            const bool known = (format == kPcm && (bits == 16 || bits == 24 || bits == 32)) ||
                               (format == kFloat && bits == 32);
            if (!known || wav.channels < 1 || blockAlign != wav.channels * bits / 8) {
                wav.error = path + ": only 16, 24 or 32-bit PCM and 32-bit float WAV files " +
                            "are read (this one: format " + std::to_string(format) + ", " +
                            std::to_string(bits) + " bits, " + std::to_string(wav.channels) +
                            " channels)";
                return wav;
            }
            const std::size_t frames = available / static_cast<std::size_t>(blockAlign);
            wav.samples.reserve(frames);
            for (std::size_t i = 0; i < frames; ++i) {
                const float value = sampleAt(base + body + i * blockAlign, format, bits);
                if (!std::isfinite(value)) {
                    wav.error = path + ": sample " + std::to_string(i) + " is not a number";
                    wav.samples.clear();
                    return wav;
                }
                wav.samples.push_back(value);
            }
            return wav;
        }
        at = body + length + (length & 1);
    }
    wav.error = path + (haveFormat ? " holds no samples" : " has no format chunk");
    return wav;
}

}  // namespace quilbo::measurecli
