// The PulseAudio playback back end (also PipeWire's pulse service): one connection to the
// server, made at the first open and kept, with one stream per open device on the default sink;
// the same connection answers for the default sink's speaker layout.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "audio/SinkLayout.h"
#include "audio/WaveOutDevice.h"

namespace quilbo {

class PulseConnection;

class PulseWaveOut : public WaveOutBackend, public SinkLayoutSource {
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

    WaveResult queryFormat(const WaveFormatExtensible& format) override;
    std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format, WaveOutRoutine routine,
                                        void* instance, WaveResult* result = nullptr) override;
    std::optional<SinkLayout> defaultSinkLayout() override;

    // Underflow notices of every stream this back end has opened (the output ran dry).
    std::uint64_t underflowCount() const { return m_underflows->load(); }

private:
    // The connection, made anew when there is none or the server has dropped it.
    std::shared_ptr<PulseConnection> connection();

    Options m_options;
    std::shared_ptr<std::atomic<std::uint64_t>> m_underflows;
    std::mutex m_mutex;
    std::shared_ptr<PulseConnection> m_connection;
};

}  // namespace quilbo
