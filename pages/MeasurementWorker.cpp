// The measurement worker: one run on its own thread, its notices posted to the window thread.
#include "pages/MeasurementWorker.h"

#include "pages/Logging.h"
#include "pages/PageSupport.h"

#include <QPointer>

namespace quilbo {

MeasurementWorker::MeasurementWorker(SweepRecorder* recorder, QObject* parent)
    : QObject(parent), m_recorder(recorder) {}

MeasurementWorker::~MeasurementWorker() {
    cancel();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool MeasurementWorker::start(const MeasureSettings& settings, const QObject* owner) {
    if (m_busy || m_recorder == nullptr) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // the last run has posted its result already
    }
    m_busy = true;
    m_thread = std::thread([this, settings, owner] {
        auto result = std::make_shared<MeasureResult>(
            runMeasurement(*m_recorder, settings, [this](double fraction) {
                postToWindowThread(this, [this, fraction] { emit progress(fraction); });
            }));
        postToWindowThread(this, [this, result, owner] {
            m_busy = false;
            if (!result->ok()) {
                qCWarning(lcPages)
                    << "A measurement failed:" << describeMeasureResult(*result).c_str();
            }
            emit finished(*result, owner);
        });
    });
    return true;
}

void MeasurementWorker::cancel() {
    if (m_busy && m_recorder != nullptr) {
        m_recorder->cancel();
    }
}

}  // namespace quilbo
