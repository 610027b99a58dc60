// Work handed from any thread to the thread its owner lives on (the window thread): items go in
// under the inbox's own lock, and one queued wake-up, however many items came meanwhile, takes
// them all out there and hands them on in the order they came.
#pragma once

#include <QObject>

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace quilbo {

// The wake-up half, apart from the items' type. The wake-up is a queued call by name: Qt makes
// the event itself, so that nothing written on the posting thread is read on the owner's thread
// but what the inbox's lock hands over. That order rests on a lock of this program's own, which
// every tool that checks threads sees (ThreadSanitizer cannot see the locks inside Qt's event
// queue).
class InboxWaker : public QObject {
    Q_OBJECT

protected:
    // A child of owner, so that it lives on owner's thread and a wake-up still pending when owner
    // goes is dropped with it.
    explicit InboxWaker(QObject* owner) : QObject(owner) {}
    void wake();

private:
    Q_INVOKABLE void woken() { deliver(); }
    virtual void deliver() = 0;
};

// Threads: post() from any thread; the handler runs on the owner's thread only, with the items
// taken out since the last wake-up (never empty). Whoever posts must stop before the owner goes.
template <typename Item>
class Inbox final : public InboxWaker {
public:
    using Handler = std::function<void(std::vector<Item>&& items)>;

    // Owned by owner (not null), as its child.
    Inbox(QObject* owner, Handler handler) : InboxWaker(owner), m_handler(std::move(handler)) {}

    void post(Item item) {
        bool asleep = false;
        {
            const std::lock_guard lock(m_lock);
            m_items.push_back(std::move(item));
            asleep = !std::exchange(m_woken, true);
        }
        if (asleep) {
            wake();
        }
    }

private:
    void deliver() override {
        std::vector<Item> items;
        {
            const std::lock_guard lock(m_lock);
            items.swap(m_items);
            m_woken = false;
        }
        if (!items.empty()) {
            m_handler(std::move(items));
        }
    }

    const Handler m_handler;  // set before any post, read on the owner's thread only
    std::mutex m_lock;
    std::vector<Item> m_items;  // under m_lock
    bool m_woken = false;       // under m_lock: a wake-up is on its way
};

}  // namespace quilbo
