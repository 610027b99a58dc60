// The reading thread only reads and hands over; the pass number, checked on the window thread,
// keeps a stale pass's entries out of a list already begun again.
#include "pages/StoredListReader.h"

namespace quilbo {

StoredListReader::StoredListReader(QObject* parent)
    : QObject(parent), m_inbox(new Inbox<Delivery>(this, [this](std::vector<Delivery>&& delivered) {
          deliver(std::move(delivered));
      })) {}

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
    m_thread = std::jthread([inbox = m_inbox, store, pass](const std::stop_token& stopping) {
        for (const std::string& id : store.ids()) {
            if (stopping.stop_requested()) {
                return;
            }
            inbox->post({pass, store.entry(id)});
        }
        inbox->post({pass, std::nullopt});
    });
}

void StoredListReader::deliver(std::vector<Delivery>&& delivered) {
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

#include "moc_StoredListReader.cpp"
