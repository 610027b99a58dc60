// The capture's lock-free ring between two threads (run under ThreadSanitizer too): every slot
// pushed arrives once, in order, with what was written into it.
#include <gtest/gtest.h>

#include <thread>

#include "audio/SpscRing.h"

namespace quilbo {
namespace {

TEST(SpscRing, CarriesEverySlotOnceInOrderBetweenTwoThreads) {
    struct Slot {
        std::uint64_t serial = 0;
        std::vector<std::uint64_t> data;
    };
    constexpr std::uint64_t kSlots = 200000;
    SpscRing<Slot> ring(8, Slot{0, std::vector<std::uint64_t>(16)});
    EXPECT_EQ(ring.front(), nullptr);
    std::uint64_t full = 0;
    std::thread producer([&] {
        for (std::uint64_t n = 0; n < kSlots;) {
            Slot* slot = ring.claim();
            if (slot == nullptr) {
                ++full;
                std::this_thread::yield();
                continue;
            }
            slot->serial = n;
            std::fill(slot->data.begin(), slot->data.end(), n * 3);
            ring.push();
            ++n;
        }
    });
    std::uint64_t expected = 0, wrong = 0;
    while (expected < kSlots) {
        const Slot* slot = ring.front();
        if (slot == nullptr) {
            std::this_thread::yield();
            continue;
        }
        wrong += slot->serial != expected || slot->data.back() != expected * 3 ? 1 : 0;
        ring.pop();
        ++expected;
    }
    producer.join();
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(ring.front(), nullptr);
    // Eight slots hold at most eight: the ninth claim waits for the consumer.
    for (int i = 0; i < 8; ++i) {
        ASSERT_NE(ring.claim(), nullptr);
        ring.push();
    }
    EXPECT_EQ(ring.claim(), nullptr);
}

}  // namespace
}  // namespace quilbo
