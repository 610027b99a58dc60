// The reading thread only reads and hands over; the pass number, checked on the window thread,
// keeps a stale pass's entries out of a list already begun again.
#include "pages/StoredListReader.h"

namespace quilbo {

StoredListReader::StoredListReader(QObject* parent) : QObject(parent) {}

StoredListReader::~StoredListReader() {
    stop();
}

void StoredListReader::stop() {
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

void StoredListReader::read(const MeasurementStore& store) {
    stop();
    const std::uint64_t pass = ++m_pass;
    m_reading = true;
    m_thread = std::jthread([this, store, pass](const std::stop_token& stopping) {
        for (const std::string& id : store.ids()) {
            if (stopping.stop_requested()) {
                return;
            }
            hand({pass, store.entry(id)});
        }
        hand({pass, std::nullopt});
    });
}

void StoredListReader::hand(Delivery delivery) {
    bool post = false;
    {
        const std::lock_guard lock(m_handOverLock);
        m_handOver.push_back(std::move(delivery));
        post = !std::exchange(m_deliveryPosted, true);
    }
    // By name: Qt makes the event itself, so nothing written here is read on the window thread
    // but what the lock hands over.
    if (post) {
        QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
    }
}

void StoredListReader::deliver() {
    std::vector<Delivery> delivered;
    {
        const std::lock_guard lock(m_handOverLock);
        delivered.swap(m_handOver);
        m_deliveryPosted = false;
    }
    for (const Delivery& delivery : delivered) {
        if (delivery.pass != m_pass) {
            continue;
        }
        if (delivery.entry) {
            emit entryRead(*delivery.entry);
        } else {
            m_reading = false;
            emit finished();
        }
    }
}

}  // namespace quilbo
