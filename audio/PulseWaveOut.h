// The PulseAudio playback back end (also PipeWire's pulse service): one connection to the
// server, made at the first open and kept, with one stream per open device on the default sink
// or a named one; the same connection answers for the outputs, their speaker layouts, and the
// notices of their changes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/OutputList.h"
#include "audio/SinkLayout.h"
#include "audio/WaveOutDevice.h"

namespace quilbo {

class PulseConnection;

class PulseWaveOut : public WaveOutBackend, public SinkLayoutSource, public OutputList {
public:
    struct Options {
        // Bound on every wait for the server (connect, stream set-up, close).
        std::chrono::milliseconds serverTimeout{3000};
        // How much audio the server may hold for a stream. Large enough for every queued piece,
        // so pieces go to the server at once and the client wakes only to return them; a stop
        // does not wait for it to drain (the reset flushes).
        std::chrono::milliseconds serverBuffer{2000};
        // How long the connection outlives the last stream when the back end goes (see
        // PulseConnection::settle).
        std::chrono::milliseconds linger{500};
        // Application name shown by the server for our connection.
        const char* applicationName = "Quilbo";
    };

    PulseWaveOut();
    explicit PulseWaveOut(Options options);
    // Closes the connection once the server is done with the last stream (bounded).
    ~PulseWaveOut() override;

    // Any output plays every format libpulse takes (the server converts): the sink is not asked.
    WaveResult queryFormat(const WaveFormatExtensible& format,
                           const std::string& sink = {}) override;
    std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format, WaveOutRoutine routine,
                                        void* instance, WaveResult* result = nullptr,
                                        const std::string& sink = {}) override;
    std::optional<SinkLayout> defaultSinkLayout() override;
    std::optional<SinkLayout> sinkLayout(const std::string& sink) override;

    std::vector<OutputInfo> outputs() override;
    std::string defaultOutputName() override;
    void setChangeHandler(ChangeHandler handler) override;

    // Underflow notices of every stream this back end has opened (the output ran dry).
    std::uint64_t underflowCount() const { return m_underflows->load(); }

private:
    // The connection, made anew when there is none or the server has dropped it.
    std::shared_ptr<PulseConnection> connection();
    // With the connection's loop lock held: hands server and sink events to the change handler.
    void watch(PulseConnection& connection);

    Options m_options;
    std::shared_ptr<std::atomic<std::uint64_t>> m_underflows;
    std::mutex m_mutex;
    std::shared_ptr<PulseConnection> m_connection;
    bool m_everConnected = false;  // under m_mutex
    bool m_serverMissing = false;  // under m_mutex
    // Shared with the connection's event handler, which may outlive this back end's watch.
    struct Notices {
        std::mutex mutex;  // held while the handler runs, so that a replaced one is done with
        ChangeHandler handler;
        void notify() {
            std::lock_guard lock(mutex);
            if (handler) {
                handler();
            }
        }
    };
    std::shared_ptr<Notices> m_notices = std::make_shared<Notices>();
};

}  // namespace quilbo
