// The measurement service: the run's thread only measures and posts; which request hears of it is
// decided on the window thread, where requests live and die.
#include "measuring/MeasurementService.h"

#include "measuring/Logging.h"

#include <memory>
#include <utility>

namespace quilbo {

MeasurementRequest::MeasurementRequest(MeasurementService* service, QObject* caller)
    : QObject(caller), m_service(service) {}

MeasurementRequest::~MeasurementRequest() {
    cancel();  // nobody is left to hear of the run: its sound stops
}

void MeasurementRequest::cancel() {
    if (m_running && m_service) {
        m_service->cancelRun();
    }
}

MeasurementService::MeasurementService(SweepRecorder* recorder, QObject* parent)
    : QObject(parent), m_recorder(recorder) {}

MeasurementService::~MeasurementService() {
    cancelRun();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    // The run's last notice, if posted, goes with this object; its request hears nothing.
    if (m_request) {
        m_request->m_running = false;
    }
}

std::optional<MeasurementRefusal> MeasurementService::refusal() const {
    if (m_recorder == nullptr) {
        return MeasurementRefusal::NoRecorder;
    }
    if (m_busy) {
        return MeasurementRefusal::Busy;
    }
    return std::nullopt;
}

MeasurementRequest* MeasurementService::start(const MeasureSettings& settings, QObject* caller) {
    if (refusal() || caller == nullptr) {
        return nullptr;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // the last run has posted its result already
    }
    m_busy = true;
    auto* request = new MeasurementRequest(this, caller);
    m_request = request;
    m_thread = std::thread([this, settings] {
        auto result = std::make_shared<MeasureResult>(
            runMeasurement(*m_recorder, settings, [this](double fraction) {
                QMetaObject::invokeMethod(
                    this,
                    [this, fraction] {
                        if (m_request) {
                            Q_EMIT m_request->progress(fraction);
                        }
                    },
                    Qt::QueuedConnection);
            }));
        QMetaObject::invokeMethod(
            this, [this, result] { finishRun(*result); }, Qt::QueuedConnection);
    });
    return request;
}

void MeasurementService::cancelRun() {
    if (m_busy && m_recorder != nullptr) {
        m_recorder->cancel();
    }
}

void MeasurementService::finishRun(const MeasureResult& result) {
    m_busy = false;
    if (!result.ok()) {
        qCWarning(lcMeasuring) << "A measurement failed:" << result.message.c_str();
    }
    MeasurementRequest* request = std::exchange(m_request, nullptr);
    if (request == nullptr) {
        return;  // its caller is gone
    }
    request->m_running = false;
    request->deleteLater();
    Q_EMIT request->finished(result);
}

}  // namespace quilbo
