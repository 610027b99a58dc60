// The program's measurement service: one run at a time on a thread of its own, each request's
// progress and result handed back on the window thread to the request that asked, and to no one
// else.
#pragma once

#include "audio/Inbox.h"
#include "audio/MeasurementRun.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quilbo {

class MeasurementService;

// One run asked for: its notices come through its own signals. It is a child of the caller that
// asked, so a caller that is gone is told nothing; destroying it before its run ends stops that
// run (its sweep fades out). After finished() it deletes itself later.
class MeasurementRequest : public QObject {
    Q_OBJECT

public:
    ~MeasurementRequest() override;

    // The run fades out and finished() comes soon with RecordResult::Cancelled.
    void cancel();

Q_SIGNALS:
    void progress(double fraction);
    void finished(const quilbo::MeasureResult& result);

private:
    friend class MeasurementService;
    MeasurementRequest(MeasurementService* service, QObject* caller);

    QPointer<MeasurementService> m_service;
    bool m_running = true;
};

// The inputs a run may record from, and the default one's description (its name when it has
// none; empty when there is no default), and its name.
struct InputChoices {
    std::vector<SourceInfo> inputs;
    std::string defaultDescription;
    std::string defaultName;  // the default input's source name; empty when there is none
};

// Why a request was refused.
enum class MeasurementRefusal { NoRecorder, Busy };

class MeasurementService : public QObject {
    Q_OBJECT

public:
    // The recorder is not owned and must outlive the service; null measures nothing.
    explicit MeasurementService(SweepRecorder* recorder, QObject* parent = nullptr);
    // Stops a run still going and waits for it (bounded by the recorder); its request is told
    // nothing.
    ~MeasurementService() override;

    SweepRecorder* recorder() const { return m_recorder; }
    bool busy() const { return m_busy; }
    // Why start() would refuse now, if it would.
    std::optional<MeasurementRefusal> refusal() const;
    // The recorder's inputs as it knows them now (none without a recorder).
    InputChoices inputChoices() const;

    // Starts a run for caller (not null): its request, owned by the caller, or null and nothing
    // started while another runs or without a recorder (refusal() says which). Call on the
    // window thread.
    MeasurementRequest* start(const MeasureSettings& settings, QObject* caller);
    // The same for a run of several measurements (a check that measures some speakers again):
    // run is called once on the service's thread with the recorder and the progress to report.
    using Run = std::function<MeasureResult(SweepRecorder&, const SweepRecorder::Progress&)>;
    MeasurementRequest* start(Run run, QObject* caller);

private:
    friend class MeasurementRequest;
    // What the run's thread hands to the window thread: a progress fraction or the result.
    struct RunNotice {
        std::optional<double> fraction;
        std::optional<MeasureResult> result;
    };

    void cancelRun();
    void deliver(std::vector<RunNotice>&& notices);
    void finishRun(const MeasureResult& result);

    SweepRecorder* m_recorder;
    Inbox<RunNotice>* const m_inbox;  // made before any run, whose thread only posts to it
    std::thread m_thread;
    bool m_busy = false;
    QPointer<MeasurementRequest> m_request;  // the running run's, while its caller lives
};

}  // namespace quilbo

Q_DECLARE_METATYPE(quilbo::MeasureResult)
