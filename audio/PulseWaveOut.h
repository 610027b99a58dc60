// The PulseAudio playback back end: one libpulse connection and stream per open device, on the
// server's default sink (also PipeWire's pulse server).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "audio/WaveOutDevice.h"

namespace quilbo {

class PulseWaveOut : public WaveOutBackend {
public:
    struct Options {
        // Bound on every wait for the server (connect, stream set-up, flush, close).
        std::chrono::milliseconds serverTimeout{3000};
        // How much audio the server may hold for the stream. Large enough for every queued
        // piece at the usual rates, so pieces go to the server at once and the client wakes
        // only to return them; a stop does not wait for it to drain (the reset flushes).
        std::chrono::milliseconds serverBuffer{2000};
        // Application name shown by the server for our streams.
        const char* applicationName = "Quilbo";
    };

    PulseWaveOut();
    explicit PulseWaveOut(Options options);
    ~PulseWaveOut() override;

    WaveResult queryFormat(const WaveFormatExtensible& format) override;
    std::unique_ptr<WaveOutDevice> open(const WaveFormatExtensible& format, WaveOutRoutine routine,
                                        void* instance, WaveResult* result = nullptr) override;

    // Underflow notices of every stream this back end has opened (the output ran dry).
    std::uint64_t underflowCount() const { return m_underflows->load(); }

private:
    Options m_options;
    std::shared_ptr<std::atomic<std::uint64_t>> m_underflows;
};

}  // namespace quilbo
