// The measurement service: the run's thread only measures and hands over; which request hears of
// it is decided on the window thread, where requests live and die.
#include "measuring/MeasurementService.h"

#include "measuring/Logging.h"

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
    : QObject(parent),
      m_recorder(recorder),
      m_inbox(new Inbox<RunNotice>(
          this, [this](std::vector<RunNotice>&& notices) { deliver(std::move(notices)); })) {}

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

InputChoices MeasurementService::inputChoices() const {
    InputChoices choices;
    if (m_recorder == nullptr) {
        return choices;
    }
    choices.inputs = m_recorder->sources();
    const std::string fallback = m_recorder->defaultSource();
    choices.defaultDescription = fallback;
    choices.defaultName = fallback;
    for (const SourceInfo& source : choices.inputs) {
        if (source.name == fallback) {
            choices.defaultDescription = source.description;
        }
    }
    return choices;
}

MeasurementRequest* MeasurementService::start(const MeasureSettings& settings, QObject* caller) {
    return start(
        [settings](SweepRecorder& recorder, const SweepRecorder::Progress& progress) {
            return runMeasurement(recorder, settings, progress);
        },
        caller);
}

MeasurementRequest* MeasurementService::start(Run run, QObject* caller) {
    if (refusal() || caller == nullptr || !run) {
        return nullptr;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // the last run has handed over its result already
    }
    m_busy = true;
    auto* request = new MeasurementRequest(this, caller);
    m_request = request;
    m_thread = std::thread([recorder = m_recorder, inbox = m_inbox, run = std::move(run)] {
        MeasureResult result = run(*recorder, [inbox](double fraction) {
            inbox->post({fraction, std::nullopt});
        });
        inbox->post({std::nullopt, std::move(result)});
    });
    return request;
}

void MeasurementService::cancelRun() {
    if (m_busy && m_recorder != nullptr) {
        m_recorder->cancel();
    }
}

void MeasurementService::deliver(std::vector<RunNotice>&& notices) {
    // Only the latest progress is worth showing; the result comes last of all.
    std::optional<double> fraction;
    std::optional<MeasureResult> result;
    for (RunNotice& notice : notices) {
        if (notice.fraction) {
            fraction = notice.fraction;
        }
        if (notice.result) {
            result = std::move(notice.result);
        }
    }
    if (fraction && m_request) {
        Q_EMIT m_request->progress(*fraction);
    }
    if (result) {
        finishRun(*result);
    }
}

void MeasurementService::finishRun(const MeasureResult& result) {
    m_busy = false;
    if (!result.ok()) {
        qCWarning(lcMeasuring) << "A measurement failed:" << describeMeasureResult(result).c_str();
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

#include "moc_MeasurementService.cpp"
