// The live meter's threads: an opener that waits on the server for the capture, the capture's
// consumer that feeds the analysis and posts a snapshot every hop, and the window thread that
// takes the latest snapshot and watches for a capture that went away.
#include "measuring/LiveMeter.h"

#include "audio/PulseCapture.h"
#include "measuring/Logging.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace quilbo {

namespace {

// How often the window thread looks for a capture the server ended: well within a second.
constexpr std::chrono::milliseconds kWatchInterval{100};

std::size_t hopOf(const LiveSettings& settings) {
    return static_cast<std::size_t>(std::max(1, settings.rate / settings.spectraPerSecond));
}

LiveMeterFailure failureOf(CaptureResult result) {
    switch (result) {
        case CaptureResult::NoServer:
            return LiveMeterFailure::NoServer;
        case CaptureResult::NoSource:
            return LiveMeterFailure::NoInput;
        case CaptureResult::BadFormat:
            return LiveMeterFailure::BadFormat;
        case CaptureResult::Ok:
        case CaptureResult::Failed:
            break;
    }
    return LiveMeterFailure::NotOpened;
}

}  // namespace

// What the capture's consumer works on. The analysis and the calibrator reading change on the
// window thread under the lock; the rest is the consumer's own.
struct LiveMeter::Run {
    Run(std::uint64_t generation, Inbox<Notice>* inbox, const LiveSettings& settings)
        : generation(generation),
          inbox(inbox),
          analysis(std::make_shared<LiveAnalysis>(settings)),
          hop(hopOf(settings)),
          channel(settings.channel),
          rate(settings.rate) {}

    void onBlock(const CaptureBlock& block);
    void feedCalibrator(const float* interleaved, std::size_t frames, unsigned channels);

    const std::uint64_t generation;
    Inbox<Notice>* const inbox;  // the meter joins the consumer before its inbox goes

    std::mutex lock;
    std::shared_ptr<LiveAnalysis> analysis;  // under lock
    std::size_t hop;                         // under lock
    unsigned channel;                        // under lock
    int rate;                                // under lock
    bool fresh = false;                      // under lock: a new analysis, its hops from here
    std::uint64_t settings = 0;  // under lock: the setSettings() call the analysis came from
    std::optional<CalibratorReader> calibrator;  // under lock
    std::size_t calibratorLeft = 0;              // under lock: frames it still wants

    std::size_t sinceUpdate = 0;
    bool droppedTold = false;
    std::vector<float> mono;
};

void LiveMeter::Run::onBlock(const CaptureBlock& block) {
    if (!droppedTold && block.overruns + block.droppedFrames > 0) {
        droppedTold = true;
        qCWarning(lcMeasuring) << "the live meter lost input:" << block.overruns << "overruns,"
                               << block.droppedFrames << "frames dropped";
        Notice notice{generation};
        notice.failure = LiveMeterFailure::InputDropped;
        inbox->post(std::move(notice));
    }
    std::size_t at = 0;
    while (at < block.frames) {
        const float* samples = block.samples + at * block.channels;
        std::shared_ptr<LiveAnalysis> current;
        std::uint64_t currentSettings = 0;
        std::size_t currentHop = 0;
        std::size_t count = 0;
        {
            const std::scoped_lock guard(lock);
            if (std::exchange(fresh, false)) {
                sinceUpdate = 0;
            }
            current = analysis;
            currentSettings = settings;
            currentHop = hop;
            // Up to the next hop, so that each snapshot holds the spectrum of that hop.
            count = std::min(block.frames - at, hop - sinceUpdate);
            feedCalibrator(samples, count, block.channels);
        }
        current->feed(samples, count, block.channels);
        at += count;
        sinceUpdate += count;
        if (sinceUpdate >= currentHop) {
            sinceUpdate = 0;
            Notice notice{generation};
            notice.snapshot = current->snapshot();
            notice.settings = currentSettings;
            inbox->post(std::move(notice));
        }
    }
}

void LiveMeter::Run::feedCalibrator(const float* interleaved, std::size_t frames,
                                    unsigned channels) {
    if (!calibrator || channel >= channels) {
        return;
    }
    const std::size_t taken = std::min(frames, calibratorLeft);
    mono.resize(taken);
    for (std::size_t i = 0; i < taken; ++i) {
        mono[i] = interleaved[i * channels + channel];
    }
    calibrator->process(mono);
    calibratorLeft -= taken;
    if (calibratorLeft == 0) {
        Notice notice{generation};
        notice.calibrator = calibrator->reading();
        inbox->post(std::move(notice));
        calibrator.reset();
    }
}

LiveMeter::LiveMeter(std::shared_ptr<PulseServer> server, QObject* parent)
    : QObject(parent),
      m_server(std::move(server)),
      m_inbox(new Inbox<Notice>(this, [this](std::vector<Notice>&& n) { deliver(std::move(n)); })) {
    m_watch.setInterval(kWatchInterval);
    connect(&m_watch, &QTimer::timeout, this, &LiveMeter::watch);
}

LiveMeter::~LiveMeter() {
    stop();
    for (Retired& retired : m_retired) {
        retired.closer.join();
    }
}

bool LiveMeter::start(const LiveMeterRequest& request) {
    if (!isLiveSettings(request.settings) || request.fragment.count() <= 0) {
        return false;
    }
    stop();
    std::erase_if(m_retired, [](Retired& retired) {
        if (!retired.done->load()) {
            return false;
        }
        retired.closer.join();
        return true;
    });
    m_request = request;
    m_running = true;
    m_snapshot = {};
    m_updates = 0;
    m_settings = 0;
    m_run = std::make_shared<Run>(m_generation, m_inbox, request.settings);
    if (!m_server) {
        Notice notice{m_generation};
        notice.opened = static_cast<int>(CaptureResult::NoServer);
        m_inbox->post(std::move(notice));
        return true;
    }
    m_capture = std::make_unique<PulseCapture>(m_server);
    CaptureRequest capture;
    capture.source = request.input;
    capture.rate = static_cast<unsigned>(request.settings.rate);
    capture.blockLength = request.fragment;
    // PulseCapture::start waits on the server: never on the window thread.
    m_opener = std::thread([capture, run = m_run, device = m_capture.get()] {
        const CaptureResult result =
            device->start(capture, [run](const CaptureBlock& block) { run->onBlock(block); });
        Notice notice{run->generation};
        notice.opened = static_cast<int>(result);
        run->inbox->post(std::move(notice));
    });
    return true;
}

void LiveMeter::stop() {
    ++m_generation;  // whatever the old run still posts is dropped
    m_watch.stop();
    if (m_opener.joinable() || m_capture) {
        // The open may still be waiting on the server, and the close waits for its answer.
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::thread closer(
            [opener = std::move(m_opener), capture = std::move(m_capture), done]() mutable {
                if (opener.joinable()) {
                    opener.join();
                }
                if (capture) {
                    capture->stop();
                }
                capture.reset();
                done->store(true);
            });
        m_retired.push_back({std::move(closer), std::move(done)});
    }
    m_run.reset();
    m_running = m_open = m_readingCalibrator = false;
}

bool LiveMeter::setSettings(const LiveSettings& settings) {
    if (!m_run || !isLiveSettings(settings) || settings.rate != m_request.settings.rate) {
        return false;
    }
    auto analysis = std::make_shared<LiveAnalysis>(settings);
    {
        const std::scoped_lock guard(m_run->lock);
        m_run->analysis = std::move(analysis);
        m_run->hop = hopOf(settings);
        m_run->channel = settings.channel;
        m_run->fresh = true;
        m_run->settings = ++m_settings;
    }
    m_request.settings = settings;
    m_snapshot = {};
    return true;
}

void LiveMeter::startRun() {
    if (!m_run) {
        return;
    }
    std::shared_ptr<LiveAnalysis> analysis;
    {
        const std::scoped_lock guard(m_run->lock);
        analysis = m_run->analysis;
    }
    analysis->startRun();
}

bool LiveMeter::readCalibrator(double calibratorDbSpl) {
    if (!m_open || m_readingCalibrator || !isCalibratorLevel(calibratorDbSpl)) {
        return false;
    }
    const std::scoped_lock guard(m_run->lock);
    m_run->calibrator.emplace(m_run->rate, calibratorDbSpl);
    // The reader lets the first half second go by, then reads kCalibratorSeconds.
    m_run->calibratorLeft =
        static_cast<std::size_t>(m_run->rate / 2 + kCalibratorSeconds * m_run->rate);
    m_readingCalibrator = true;
    return true;
}

void LiveMeter::deliver(std::vector<Notice>&& notices) {
    bool fresh = false;
    for (Notice& notice : notices) {
        // A slot below may stop or start the meter: each notice is checked against the run now.
        if (notice.generation != m_generation) {
            continue;
        }
        if (notice.opened) {
            if (m_opener.joinable()) {
                m_opener.join();  // its post was the last thing it did
            }
            const auto result = static_cast<CaptureResult>(*notice.opened);
            if (result != CaptureResult::Ok) {
                stop();
                Q_EMIT failed(failureOf(result));
                continue;
            }
            m_open = true;
            m_watch.start();
            Q_EMIT started();
        } else if (notice.snapshot) {
            if (notice.settings != m_settings) {
                continue;  // of the settings before
            }
            m_snapshot = std::move(*notice.snapshot);
            ++m_updates;
            fresh = true;
        } else if (notice.failure) {
            Q_EMIT failed(*notice.failure);
        } else if (notice.calibrator) {
            m_readingCalibrator = false;
            Q_EMIT calibratorRead(*notice.calibrator);
        }
    }
    if (fresh && m_open) {
        Q_EMIT updated();
    }
}

void LiveMeter::watch() {
    if (m_open && m_capture && m_capture->lost()) {
        qCWarning(lcMeasuring) << "the live meter's input went away";
        stop();
        Q_EMIT failed(LiveMeterFailure::Lost);
    }
}

}  // namespace quilbo

#include "moc_LiveMeter.cpp"
