// A stand-in for the window thread's event queue: tasks posted from any thread run on the thread
// that calls runPending/runUntil (the test's main thread).
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quilbo::test {

class WindowQueue {
public:
    WindowQueue() : m_owner(std::this_thread::get_id()) {}

    // The poster a player takes: never runs the task before returning.
    std::function<void(std::function<void()>)> poster() {
        return [this](std::function<void()> task) { post(std::move(task)); };
    }

    void post(std::function<void()> task);
    // Runs what is queued now; returns how many tasks ran.
    int runPending();
    // Runs tasks as they come until done() holds or timeout passes; returns done().
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    int posted() const;
    std::thread::id owner() const { return m_owner; }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_tasks;
    int m_posted = 0;
    std::thread::id m_owner;
};

}  // namespace quilbo::test
