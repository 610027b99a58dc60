// A player as the pages use it, with its members open to the tests, and the window thread it
// posts to: the test's main thread, through Qt's event queue as a page posts.
#pragma once

#include <QCoreApplication>

#include <atomic>
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
        std::memcpy(m_pBlock.data(), bytes.data(), bytes.size());
        m_nBlockSize = static_cast<std::int32_t>(bytes.size());
        m_bRepeat = repeat;
    }
};

struct WindowThread {
    std::atomic<int> posted = 0;
    CWavePlayer::WindowThreadPoster poster() {
        return [this](std::function<void()> task) {
            ++posted;
            QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
        };
    }
    // Runs what was posted; how many tasks that was.
    int runPending() {
        QCoreApplication::sendPostedEvents();
        return posted.exchange(0);
    }
};

}  // namespace quilbo::test
