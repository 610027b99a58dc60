// A player as the pages use it, with its members open to the tests, and test blocks.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/WavePlayer.h"

namespace quilbo::test {

class TestPlayer : public CWavePlayer {
public:
    using CWavePlayer::CWavePlayer;
    using CWavePlayer::m_bRepeat;
    using CWavePlayer::m_bStopped;
    using CWavePlayer::m_hWaveOut;
    using CWavePlayer::m_nBlockSize;
    using CWavePlayer::m_nNextOffset;
    using CWavePlayer::m_nPieceSize;
    using CWavePlayer::m_nPiecesQueued;
    using CWavePlayer::m_pBlock;

    // Gives the player a block holding bytes, as a page does after rendering.
    void setBlock(const std::vector<std::uint8_t>& bytes, bool repeat) {
        m_pBlock = SampleBlock::allocate(bytes.size());
        if (!bytes.empty()) {
            std::memcpy(m_pBlock.data(), bytes.data(), bytes.size());
        }
        m_nBlockSize = static_cast<std::int32_t>(bytes.size());
        m_bRepeat = repeat;
    }
};

// Bytes that never repeat within a block, so a block can be found in a capture unambiguously.
inline std::vector<std::uint8_t> noiseBytes(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = seed;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

// A sine of the given frequency and peak (0..1 of full scale) in one channel of a block laid
// out as the renderer lays it out (8-bit unsigned, 16-bit, 20/24-bit left-justified in 32 bits,
// 32-bit float); the other channels are silent. channel < 0 puts it in every channel.
inline std::vector<std::uint8_t> sineBlock(int precision, int channels, int rate, double seconds,
                                           double frequency, double peak, int channel = -1) {
    const int container = precision == 8 ? 1 : precision == 16 ? 2 : 4;
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<std::uint8_t> bytes(frames * channels * container);
    std::uint8_t* out = bytes.data();
    const double pi = std::acos(-1.0);
    for (std::size_t f = 0; f < frames; ++f) {
        const double v = std::sin(2 * pi * frequency * static_cast<double>(f) / rate) * peak;
        for (int c = 0; c < channels; ++c) {
            const double s = (channel < 0 || channel == c) ? v : 0.0;
            if (precision == 8) {
                *out++ = static_cast<std::uint8_t>(128 + static_cast<int>(s * 127));
            } else if (precision == 16) {
                const auto n = static_cast<std::int16_t>(s * 32767);
                std::memcpy(out, &n, 2);
                out += 2;
            } else if (precision == 32) {
                const auto x = static_cast<float>(s);
                std::memcpy(out, &x, 4);
                out += 4;
            } else {
                const int shift = 32 - precision;
                const auto n = static_cast<std::int32_t>(s * ((1 << (precision - 1)) - 1));
                const auto word = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) << shift);
                std::memcpy(out, &word, 4);
                out += 4;
            }
        }
    }
    return bytes;
}

}  // namespace quilbo::test
