// The thread that hands played pieces back to the player's completion routine.
//
// Why a thread of its own: the player refills from inside its completion routine and takes its
// own lock there, while its window thread holds that lock when it queues pieces (which needs the
// libpulse loop lock). Calling the routine from a libpulse callback (loop lock held) would let the
// two threads take the two locks in opposite orders. So libpulse callbacks only queue finished
// pieces here; this thread calls the routine with no lock held.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/WaveOutDevice.h"

namespace quilbo {

class CompletionThread {
public:
    // deliver gets Done with each piece, or a notice (Lost, OpenFailed) without one.
    using Deliver = std::function<void(WaveOutMessage, WaveHeader*)>;
    explicit CompletionThread(Deliver deliver);
    ~CompletionThread();  // stop()
    CompletionThread(const CompletionThread&) = delete;
    CompletionThread& operator=(const CompletionThread&) = delete;

    // Queues pieces for delivery, in order. Any thread; never waits for a delivery.
    void push(const std::vector<WaveHeader*>& headers);
    // Queues a notice without a piece (the output lost, or never opened), delivered in order.
    void pushNotice(WaveOutMessage message);
    // Waits, at most timeout, until everything queued so far has been delivered. On the
    // delivering thread itself it returns at once: what is queued follows once the routine does.
    void waitDelivered(std::chrono::milliseconds timeout);
    // Delivers what is queued, then ends the thread.
    void stop();

private:
    void run();

    struct Entry {
        WaveOutMessage message;
        WaveHeader* header;
    };

    Deliver m_deliver;
    std::mutex m_mutex;  // a leaf lock: nothing is called while it is held
    std::condition_variable m_changed;
    std::deque<Entry> m_queue;
    bool m_delivering = false;
    bool m_quit = false;
    std::thread m_thread;
};

}  // namespace quilbo
