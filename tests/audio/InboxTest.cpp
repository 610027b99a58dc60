// The window-thread inbox between threads (run under ThreadSanitizer too): items posted from two
// threads arrive on the owner's thread, each thread's in its order, in fewer wake-ups than items,
// and nothing arrives once the owner is gone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <thread>

#include "audio/Inbox.h"

namespace quilbo {
namespace {

struct Posted {
    int thread;
    int serial;
    std::vector<int> payload;  // written on the posting thread, read on the owner's
};

TEST(Inbox, DeliversEveryItemOnTheOwnersThreadInOrderWithCoalescedWakeUps) {
    constexpr int kItems = 5000;
    std::vector<Posted> received;
    int deliveries = 0;
    bool onOwnerThread = true;
    QObject owner;
    auto* inbox = new Inbox<Posted>(&owner, [&](std::vector<Posted>&& items) {
        onOwnerThread = onOwnerThread && QThread::currentThread() == owner.thread();
        ++deliveries;
        std::move(items.begin(), items.end(), std::back_inserter(received));
    });
    const auto post = [inbox](int thread) {
        for (int n = 0; n < kItems; ++n) {
            inbox->post({thread, n, std::vector<int>(4, n)});
        }
    };
    std::thread first(post, 0);
    std::thread second(post, 1);
    first.join();
    second.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 2u * kItems; }, 10000));
    EXPECT_TRUE(onOwnerThread);
    EXPECT_LT(deliveries, kItems);
    int next[2] = {0, 0};
    for (const Posted& item : received) {
        EXPECT_EQ(item.serial, next[item.thread]++);
        EXPECT_EQ(item.payload, std::vector<int>(4, item.serial));
    }

    // Posted while the owner lives, the owner gone before the wake-up: nothing is delivered.
    auto gone = std::make_unique<QObject>();
    auto* late = new Inbox<int>(gone.get(), [&](std::vector<int>&&) { ++deliveries; });
    const int before = deliveries;
    std::thread([late] { late->post(1); }).join();
    gone.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(deliveries, before);
}

}  // namespace
}  // namespace quilbo
