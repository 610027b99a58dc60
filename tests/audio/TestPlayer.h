// A player as the pages use it, with its members open to the tests, and the window thread it
// posts to.
#pragma once

#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "audio/WavePlayer.h"

namespace quilbo::test {

class TestPlayer : public CWavePlayer {
public:
    using CWavePlayer::CWavePlayer;
    using CWavePlayer::m_fade;
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

// Tasks posted from any thread run when the test's thread asks (a queue ThreadSanitizer sees
// through, which Qt's event queue is not).
struct WindowThread {
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;
    CWavePlayer::WindowThreadPoster poster() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(mutex);
            tasks.push_back(std::move(task));
        };
    }
    // Runs what was posted; how many tasks that was.
    int runPending() {
        std::deque<std::function<void()>> now;
        {
            std::lock_guard lock(mutex);
            now.swap(tasks);
        }
        for (auto& task : now) {
            task();
        }
        return static_cast<int>(now.size());
    }
};

}  // namespace quilbo::test
