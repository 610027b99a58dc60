// Reads the stored measurements' folder off the window thread, one file at a time, and hands each
// entry to the window thread as it is read: a folder of hundreds of measurements, or a file that
// takes long to read, never holds up the window.
#pragma once

#include "measure/MeasurementStore.h"

#include <QObject>

#include <cstdint>
#include <thread>

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
    void stop();

    std::jthread m_thread;
    std::uint64_t m_pass = 0;  // on the window thread only
    bool m_reading = false;
};

}  // namespace quilbo
