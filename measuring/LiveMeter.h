// A live sound level meter and band analyser on one input, for a page to show: the input's
// streaming capture is opened off the window thread, its blocks feed a LiveAnalysis on the
// capture's consumer thread, and after each hop of input (a tenth of a second by default) a
// snapshot of the figures is handed to the window thread. It also reads an acoustic calibrator
// held on the same input. Destroying it, or stop(), closes the capture and leaves no thread.
//
// Threads: every member is called on the window thread (the thread the object lives on), and
// every signal comes there. After stop() nothing more is told of the run that stopped.
#pragma once

#include "audio/Inbox.h"
#include "measure/LevelCalibration.h"
#include "measure/LiveAnalysis.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quilbo {

class PulseCapture;
class PulseServer;

struct LiveMeterRequest {
    std::string input;      // the source's name; empty: the default input
    LiveSettings settings;  // its rate is the capture's
    // The capture's fragments: what is heard reaches the figures within a fragment and a hop.
    std::chrono::milliseconds fragment{20};
};

enum class LiveMeterFailure {
    // The meter did not start:
    NoServer,   // no sound server answered
    NoInput,    // no such input (or no default one)
    BadFormat,  // the input cannot be recorded as floats at the asked-for rate
    NotOpened,  // the server would not open the input
    // The meter has stopped:
    Lost,  // the input or the server went away
    // The meter goes on (told once a run):
    InputDropped,  // input was lost on the way (the server's overrun, or the analysis behind);
                   // the figures leave it out
};

class LiveMeter : public QObject {
    Q_OBJECT

public:
    explicit LiveMeter(std::shared_ptr<PulseServer> server, QObject* parent = nullptr);
    ~LiveMeter() override;

    // Opens the input (a meter running is stopped first); started() or failed() follows. False,
    // and nothing started, when the settings are not isLiveSettings.
    bool start(const LiveMeterRequest& request);
    // Closes the capture and joins its threads (bounded by the server's timeout when the input is
    // still being opened).
    void stop();
    bool isRunning() const { return m_running; }  // opening or open
    bool isOpen() const { return m_open; }
    const LiveMeterRequest& request() const { return m_request; }

    // Other analysis settings for the input open now (the same rate): figures, averages and peak
    // hold start again, and snapshot() is empty until the first of the new settings. False, nothing
    // changed, for settings that are not isLiveSettings or of another rate.
    bool setSettings(const LiveSettings& settings);
    // A new run of Leq, maximum, peak, averages and peak hold on the sound so far.
    void startRun();

    // Reads a calibrator's tone (94 or 114 dB SPL) from the analysed channel over the next
    // half second and kCalibratorSeconds; calibratorRead() follows. False while the meter is not
    // open, or a reading is under way, or for another calibrator level.
    bool readCalibrator(double calibratorDbSpl);
    bool isReadingCalibrator() const { return m_readingCalibrator; }

    // The figures last handed over (empty before the first).
    const LiveSnapshot& snapshot() const { return m_snapshot; }
    // Snapshots handed over since start().
    std::uint64_t updates() const { return m_updates; }

Q_SIGNALS:
    void started();
    void updated();
    void failed(quilbo::LiveMeterFailure failure);
    void calibratorRead(const quilbo::CalibratorReading& reading);

private:
    struct Run;
    struct Notice {
        explicit Notice(std::uint64_t generation) : generation(generation) {}
        std::uint64_t generation;
        std::optional<int> opened;  // a CaptureResult
        std::optional<LiveSnapshot> snapshot;
        std::uint64_t settings = 0;  // the snapshot's: which setSettings() it follows
        std::optional<LiveMeterFailure> failure;
        std::optional<CalibratorReading> calibrator;
    };

    void deliver(std::vector<Notice>&& notices);
    void watch();

    std::shared_ptr<PulseServer> m_server;
    Inbox<Notice>* const m_inbox;
    QTimer m_watch;  // while open: a capture that went away stops the meter
    LiveMeterRequest m_request;
    std::shared_ptr<Run> m_run;               // shared with the capture's consumer
    std::unique_ptr<PulseCapture> m_capture;  // used by the opener until it is joined
    std::thread m_opener;
    // A stopped run's opening and closing, which wait on the server, off the window thread: each
    // ends on its own and is joined at a later start, or when the meter goes.
    struct Retired {
        std::thread closer;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Retired> m_retired;
    std::uint64_t m_generation = 0;
    std::uint64_t m_settings = 0;  // setSettings() calls in this run
    bool m_running = false;
    bool m_open = false;
    bool m_readingCalibrator = false;
    LiveSnapshot m_snapshot;
    std::uint64_t m_updates = 0;
};

}  // namespace quilbo
