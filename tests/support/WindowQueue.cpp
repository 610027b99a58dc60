// The test window queue.
#include "tests/support/WindowQueue.h"

namespace quilbo::test {

void WindowQueue::post(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        ++m_posted;
    }
    m_changed.notify_all();
}

int WindowQueue::runPending() {
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard lock(m_mutex);
        tasks.swap(m_tasks);
    }
    for (auto& task : tasks) {
        task();
    }
    return static_cast<int>(tasks.size());
}

bool WindowQueue::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        runPending();
        if (done()) {
            return true;
        }
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_until(lock,
                                  std::min(deadline, std::chrono::steady_clock::now() +
                                                         std::chrono::milliseconds(10)),
                                  [this] { return !m_tasks.empty(); }) &&
            std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            runPending();
            return done();
        }
    }
}

int WindowQueue::posted() const {
    std::lock_guard lock(m_mutex);
    return m_posted;
}

}  // namespace quilbo::test
