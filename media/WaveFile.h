// Writing a sample block as a RIFF/WAVE file (the extensible format), with the standard library
// and POSIX only, for the Frequency page and quilbo-render alike.
#pragma once

#include "media/FileWriteResult.h"

#include <cstdint>
#include <string>

namespace quilbo {

// Whether a block of blockBytes with that layout makes a file: None, UnsupportedFormat or
// TooLarge. Cheap, so callers ask before they render.
FileWriteError checkWaveFile(std::uint64_t blockBytes, int channels, int sampleRate, int precision);

// Writes the block's whole frames (interleaved as the synthesis lays them out: 8-bit unsigned,
// 16-bit, 20 and 24 bits left-justified in 4 bytes, 32-bit floats) to `path`. 20 and 24 bits are
// stored as packed 3-byte samples declared 24-bit; 32 bits as IEEE float. Written as every file
// is (media/AtomicFile.h): whole or not at all, through a link, never over anything but a regular
// file.
FileWriteResult writeWaveFile(const std::string& path, const std::uint8_t* block,
                              std::uint64_t blockBytes, int channels, int sampleRate,
                              int precision);

}  // namespace quilbo
