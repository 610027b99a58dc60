// The sweep recorder on libpulse (PulseAudio, or PipeWire's pulse service): each record() opens a
// record stream on the input and one playback stream on the output (PulseRecordRun) on the
// program's sound server object; the inputs for a GUI's list are its device model's.
#pragma once

#include <memory>

#include "audio/SweepRecorder.h"

namespace quilbo {

class PulseServer;

class PulseSweepRecorder : public SweepRecorder {
public:
    // On a server object of its own (quilbo-measure, tests).
    PulseSweepRecorder();
    explicit PulseSweepRecorder(std::shared_ptr<PulseServer> server);
    ~PulseSweepRecorder() override;

    Recording record(const RecordRequest& request, const Progress& progress = {}) override;
    // As the device model holds them now: empty without a server. They never wait.
    std::vector<SourceInfo> sources() override;
    std::string defaultSource() override;

private:
    std::shared_ptr<PulseServer> m_server;
};

}  // namespace quilbo
