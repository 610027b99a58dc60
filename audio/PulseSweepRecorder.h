// The sweep recorder on libpulse (PulseAudio, or PipeWire's pulse service): one connection,
// made at the first use and kept, on which each record() opens a record stream on the input and
// one playback stream on the output (PulseRecordRun); also the inputs for a GUI's list.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>

#include "audio/SweepRecorder.h"

namespace quilbo {

class PulseConnection;

class PulseSweepRecorder : public SweepRecorder {
public:
    struct Options {
        // Bound on every wait for the server (connect, queries, stream set-up).
        std::chrono::milliseconds serverTimeout{3000};
        // How long the connection outlives its last stream when the recorder goes.
        std::chrono::milliseconds linger{500};
        const char* applicationName = "Quilbo";
    };

    PulseSweepRecorder();
    explicit PulseSweepRecorder(Options options);
    ~PulseSweepRecorder() override;

    Recording record(const RecordRequest& request, const Progress& progress = {}) override;
    // Empty without a server.
    std::vector<SourceInfo> sources() override;
    // Empty without a server or a default input.
    std::string defaultSource() override;

private:
    std::shared_ptr<PulseConnection> connection();

    Options m_options;
    std::mutex m_mutex;
    std::shared_ptr<PulseConnection> m_connection;
};

}  // namespace quilbo
