// Writing a sample block as a RIFF/WAVE file (the extensible format), with the standard library
// and POSIX only, for the Frequency page and quilbo-render alike.
#pragma once

#include <cstdint>
#include <string>

namespace quilbo {

enum class WaveFileError {
    None,
    UnsupportedFormat,  // a precision, rate or channel count no WAV file describes
    TooLarge,           // more than RIFF's 32-bit sizes can count
    NotRegularFile,     // the target exists and is no regular file (a device, a FIFO, a folder)
    CreateFailed,       // the temporary file could not be made in the target folder
    WriteFailed,        // writing or flushing it failed (a full disk, say)
    RenameFailed,       // it could not take the target's name
};

struct WaveFileResult {
    WaveFileError error = WaveFileError::None;
    int systemError = 0;  // errno of the failed call, 0 for the refusals before any
    explicit operator bool() const { return error == WaveFileError::None; }
};

// Whether a block of blockBytes with that layout makes a file: None, UnsupportedFormat or
// TooLarge. Cheap, so callers ask before they render.
WaveFileError checkWaveFile(std::uint64_t blockBytes, int channels, int sampleRate, int precision);

// Writes the block's whole frames (interleaved as the synthesis lays them out: 8-bit unsigned,
// 16-bit, 20 and 24 bits left-justified in 4 bytes, 32-bit floats) to `path`. 20 and 24 bits are
// stored as packed 3-byte samples declared 24-bit; 32 bits as IEEE float. The file is written
// under a temporary name in the target folder and renamed at the end: after a failure neither the
// temporary file nor a partial target exists, and an earlier file of that name is untouched. A
// symbolic link is followed: the file it names is written (beside it) and the link stays. A target
// that is neither a regular file nor a link to one (or to nothing yet) is refused, NotRegularFile.
WaveFileResult writeWaveFile(const std::string& path, const std::uint8_t* block,
                             std::uint64_t blockBytes, int channels, int sampleRate, int precision);

// A short English reason for a failed write, for command-line tools (the pages have their own,
// translated texts). NotRegularFile's reads after the file's name: "... is not a regular file".
const char* waveFileErrorText(WaveFileError error);

}  // namespace quilbo
