// A measurement run off the window thread: the sweep plays and records on a thread of its own
// while the window goes on; progress and the result come back on the window thread.
#pragma once

#include "audio/MeasurementRun.h"

#include <QObject>

#include <memory>
#include <thread>

namespace quilbo {

// One run at a time for every page that measures: they share the program's one worker, so
// that two runs never play over each other.
class MeasurementWorker : public QObject {
    Q_OBJECT

public:
    // The recorder is not owned and must outlive the worker; null measures nothing.
    explicit MeasurementWorker(SweepRecorder* recorder, QObject* parent = nullptr);
    // Cancels a run still going and waits for it (bounded by the recorder).
    ~MeasurementWorker() override;

    SweepRecorder* recorder() const { return m_recorder; }
    bool busy() const { return m_busy; }

    // Starts a run; false (and nothing started) while one runs or without a recorder. The
    // result comes through finished(); owner says who asked, so each page takes its own.
    bool start(const MeasureSettings& settings, const QObject* owner);
    // The running run fades out and finishes soon with RecordResult::Cancelled.
    void cancel();

signals:
    void progress(double fraction);
    void finished(const quilbo::MeasureResult& result, const QObject* owner);

private:
    SweepRecorder* m_recorder;
    std::thread m_thread;
    bool m_busy = false;
};

}  // namespace quilbo

Q_DECLARE_METATYPE(quilbo::MeasureResult)
