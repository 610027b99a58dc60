// A player as the pages use it, with its members open to the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/WavePlayer.h"

namespace quilbo::test {

class TestPlayer : public CWavePlayer {
public:
    using CWavePlayer::CWavePlayer;
    using CWavePlayer::m_hWaveOut;
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

}  // namespace quilbo::test
