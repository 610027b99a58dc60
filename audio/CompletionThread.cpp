// Delivery of returned pieces on a thread of their own.
#include "audio/CompletionThread.h"

namespace quilbo {

CompletionThread::CompletionThread(Deliver deliver)
    : m_deliver(std::move(deliver)), m_thread([this] { run(); }) {}

CompletionThread::~CompletionThread() {
    stop();
}

void CompletionThread::push(const std::vector<WaveHeader*>& headers) {
    if (headers.empty()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        for (WaveHeader* header : headers) {
            m_queue.push_back({WaveOutMessage::Done, header});
        }
    }
    m_changed.notify_all();
}

void CompletionThread::pushNotice(WaveOutMessage message) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back({message, nullptr});
    }
    m_changed.notify_all();
}

void CompletionThread::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_queue.empty()) {
            return;  // quitting, and everything has been handed back
        }
        const Entry entry = m_queue.front();
        m_queue.pop_front();
        m_delivering = true;
        lock.unlock();
        m_deliver(entry.message, entry.header);
        lock.lock();
        m_delivering = false;
        m_changed.notify_all();
    }
}

void CompletionThread::waitDelivered(std::chrono::milliseconds timeout) {
    if (std::this_thread::get_id() == m_thread.get_id()) {
        return;
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [this] { return m_queue.empty() && !m_delivering; });
}

void CompletionThread::stop() {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    if (std::this_thread::get_id() == m_thread.get_id()) {
        m_thread.detach();  // misuse (a close from the routine); a thread never joins itself
    } else {
        m_thread.join();
    }
}

}  // namespace quilbo
