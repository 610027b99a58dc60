// The PulseAudio playback back end (also PipeWire's pulse service): one stream per open device,
// on the default sink or a named one, on the program's sound server object. The outputs, their
// layouts and their changes are the server's device model's.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/WaveOutDevice.h"

namespace quilbo {

class PulseServer;

class PulseWaveOut : public WaveOutBackend {
public:
    struct Options {
        // How long a stream may take to be made (on the loop thread: nobody waits for it) before
        // its open has failed; also the bound on a stop's wait for the pieces to come back.
        std::chrono::milliseconds serverTimeout{3000};
        // How much audio the server may hold for a stream. Large enough for every queued piece,
        // so pieces go to the server at once and the client wakes only to return them; a stop
        // does not wait for it to drain (the reset flushes).
        std::chrono::milliseconds serverBuffer{2000};
    };

    // On a server object of its own (tools and tests that play and nothing else).
    PulseWaveOut();
    explicit PulseWaveOut(std::shared_ptr<PulseServer> server);
    PulseWaveOut(std::shared_ptr<PulseServer> server, Options options);
    ~PulseWaveOut() override;

    // Any output plays every format libpulse takes (the server converts): the sink is not asked.
    WaveResult queryFormat(const WaveFormatExtensible& format,
                           const std::string& sink = {}) override;
    std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format, WaveOutRoutine routine,
                                        void* instance, WaveResult* result = nullptr,
                                        const std::string& sink = {}) override;
    PulseServer& server() { return *m_server; }

    // Underflow notices of every stream this back end has opened (the output ran dry).
    std::uint64_t underflowCount() const { return m_underflows->load(); }

private:
    Options m_options;
    std::shared_ptr<PulseServer> m_server;
    std::shared_ptr<std::atomic<std::uint64_t>> m_underflows;
};

}  // namespace quilbo
