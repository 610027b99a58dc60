// A lock-free ring for one producer thread and one consumer thread: fixed slots made at
// construction, so the producer (an audio callback) never allocates, locks or waits.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

namespace quilbo {

template <typename Slot>
class SpscRing {
public:
    // capacity: how many slots may wait for the consumer at once (at least one).
    // Every slot starts as a copy of prototype (its buffers made here, not on the producer's
    // thread).
    SpscRing(std::size_t capacity, const Slot& prototype) : m_slots(capacity + 1, prototype) {}
    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    // Producer: the slot to fill next, or null when the consumer has not freed one; the slot
    // is the consumer's only after push().
    Slot* claim() {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        if (next(head) == m_tail.load(std::memory_order_acquire)) {
            return nullptr;
        }
        return &m_slots[head];
    }
    void push() {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        m_head.store(next(head), std::memory_order_release);
    }

    // Consumer: the oldest filled slot, or null when there is none; pop() gives it back.
    const Slot* front() const {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_acquire)) {
            return nullptr;
        }
        return &m_slots[tail];
    }
    void pop() {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        m_tail.store(next(tail), std::memory_order_release);
    }

private:
    std::size_t next(std::size_t index) const {
        return index + 1 == m_slots.size() ? 0 : index + 1;
    }

    std::vector<Slot> m_slots;  // one more than the capacity: full and empty differ
    // Apart, so that the two threads do not share a cache line for them.
    alignas(64) std::atomic<std::size_t> m_head{0};  // written by the producer
    alignas(64) std::atomic<std::size_t> m_tail{0};  // written by the consumer
};

}  // namespace quilbo
