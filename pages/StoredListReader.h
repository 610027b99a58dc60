// Reads the stored measurements' folder off the window thread, one file at a time, and hands each
// entry to the window thread as it is read: a folder of hundreds of measurements, or a file that
// takes long to read, never holds up the window.
#pragma once

#include "audio/Inbox.h"
#include "measure/MeasurementStore.h"

#include <QObject>

#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

namespace quilbo {

class StoredListReader : public QObject {
    Q_OBJECT

public:
    explicit StoredListReader(QObject* parent = nullptr);
    // Waits for the file being read, if any; no entry is handed on after.
    ~StoredListReader() override;

    // Reads the folder anew; what an earlier pass had still to hand on is dropped.
    void read(const MeasurementStore& store);
    bool isReading() const { return m_reading; }

signals:
    void entryRead(const quilbo::MeasurementEntry& entry);
    void finished();

private:
    // One thing the reading thread hands over: an entry, or none for the end of its pass.
    struct Delivery {
        std::uint64_t pass;
        std::optional<MeasurementEntry> entry;
    };

    void stop();
    void deliver(std::vector<Delivery>&& delivered);

    Inbox<Delivery>* const m_inbox;  // made before the thread, which only posts to it
    std::jthread m_thread;
    std::uint64_t m_pass = 0;  // on the window thread only
    bool m_reading = false;
};

}  // namespace quilbo
