// The reading thread only reads and posts; the pass number, checked on the window thread, keeps
// a stale pass's entries out of a list already begun again.
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
            QMetaObject::invokeMethod(
                this,
                [this, pass, entry = store.entry(id)] {
                    if (pass == m_pass) {
                        emit entryRead(entry);
                    }
                },
                Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this,
            [this, pass] {
                if (pass == m_pass) {
                    m_reading = false;
                    emit finished();
                }
            },
            Qt::QueuedConnection);
    });
}

}  // namespace quilbo
