// The WAV file writer: the header, the sample repacking and the write-then-rename.
#include "media/WaveFile.h"

#include "media/FileWrite.h"
#include "media/WaveFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <random>
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

// Closes the descriptor and removes the temporary file unless the write got through.
class TemporaryFile {
public:
    TemporaryFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    ~TemporaryFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_kept) {
            ::unlink(m_path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }
    // Closes the file; false (errno set) when the last of its data could not be written.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }
    void keep() { m_kept = true; }

private:
    int m_fd;
    std::string m_path;
    bool m_kept = false;
};

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

// A fresh name beside the target, made with O_EXCL so that nothing else's file is ever taken.
int createTemporary(const std::string& path, std::string& temporary) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    // Shortened so that the decorations never push a long name past the system's limit.
    const std::string name =
        (slash == std::string::npos ? path : path.substr(slash + 1)).substr(0, 200);
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.part", static_cast<unsigned>(entropy()));
        temporary = folder + "." + name + suffix;
        // 0666 under the user's umask, as any new file of theirs.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The file a target names: a symbolic link is followed to the file it points at (which may not
// exist yet), so the link stays and its file is replaced. Anything there that is not a regular
// file (a device node, a FIFO, a folder) is refused: renaming over it would replace it.
WaveFileResult resolveTarget(const std::string& path, std::string& target) {
    constexpr int kMaxLinks = 40;  // the system's own bound on a chain of links
    target = path;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        struct stat info;
        if (::lstat(target.c_str(), &info) != 0) {
            if (errno == ENOENT) {
                return {};  // a new file
            }
            return {WaveFileError::CreateFailed, errno};
        }
        if (S_ISREG(info.st_mode)) {
            return {};
        }
        if (!S_ISLNK(info.st_mode)) {
            return {WaveFileError::NotRegularFile, 0};
        }
        std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size()) {
            return {WaveFileError::CreateFailed, length < 0 ? errno : ENAMETOOLONG};
        }
        const std::string next(link.data(), static_cast<std::size_t>(length));
        const std::size_t slash = target.rfind('/');
        target = (!next.empty() && next.front() == '/') || slash == std::string::npos
                     ? next
                     : target.substr(0, slash + 1) + next;
    }
    return {WaveFileError::CreateFailed, ELOOP};
}

}  // namespace

WaveFileError checkWaveFile(std::uint64_t blockBytes, int channels, int sampleRate, int precision) {
    if (containerBytes(precision) == 0 || sampleRate <= 0 || channels <= 0 ||
        channels > std::numeric_limits<std::uint16_t>::max() ||
        channels * fileSampleBytes(precision) > std::numeric_limits<std::uint16_t>::max()) {
        return WaveFileError::UnsupportedFormat;
    }
    const Layout layout = layoutOf(blockBytes, channels, precision);
    if (static_cast<std::uint64_t>(sampleRate) * static_cast<std::uint64_t>(layout.fileFrameBytes) >
        kMaxRiffSize) {
        return WaveFileError::UnsupportedFormat;
    }
    if (kHeaderBytes - 8 + layout.dataBytes + layout.dataBytes % 2 > kMaxRiffSize) {
        return WaveFileError::TooLarge;
    }
    return WaveFileError::None;
}

WaveFileResult writeWaveFile(const std::string& path, const std::uint8_t* block,
                             std::uint64_t blockBytes, int channels, int sampleRate,
                             int precision) {
    if (const WaveFileError refused = checkWaveFile(blockBytes, channels, sampleRate, precision);
        refused != WaveFileError::None) {
        return {refused, 0};
    }
    const Layout layout = layoutOf(blockBytes, channels, precision);
    if (block == nullptr && layout.dataBytes != 0) {
        return {WaveFileError::UnsupportedFormat, 0};
    }
    std::string target;
    if (const WaveFileResult refused = resolveTarget(path, target); !refused) {
        return refused;
    }
    std::string temporaryPath;
    const int fd = createTemporary(target, temporaryPath);
    if (fd < 0) {
        return {WaveFileError::CreateFailed, errno};
    }
    TemporaryFile file(fd, temporaryPath);
    const std::vector<std::uint8_t> header = headerOf(layout, channels, sampleRate, precision);
    const std::uint8_t pad = 0;
    // The data reach the disk before the name does, so a crash leaves the old file or the new one.
    if (!writeFully(file.fd(), header.data(), header.size()) ||
        !writeSamples(file.fd(), block, layout, precision) ||
        (layout.dataBytes % 2 != 0 && !writeFully(file.fd(), &pad, 1)) || ::fsync(file.fd()) != 0 ||
        !file.close()) {
        return {WaveFileError::WriteFailed, errno};
    }
    if (::rename(file.path().c_str(), target.c_str()) != 0) {
        return {WaveFileError::RenameFailed, errno};
    }
    file.keep();
    return {};
}

const char* waveFileErrorText(WaveFileError error) {
    switch (error) {
        case WaveFileError::UnsupportedFormat:
            return "no WAV file holds this rate, channel code and depth";
        case WaveFileError::TooLarge:
            return "the block makes a WAV file larger than 4 GiB";
        case WaveFileError::NotRegularFile:
            return "is not a regular file";
        case WaveFileError::CreateFailed:
            return "cannot create a file in the target folder";
        case WaveFileError::WriteFailed:
            return "cannot write the file";
        case WaveFileError::RenameFailed:
            return "cannot give the file its name";
        case WaveFileError::None:
            break;
    }
    return "no error";
}

}  // namespace quilbo
