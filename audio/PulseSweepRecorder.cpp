// The libpulse sweep recorder: what the device model says of the output and the input before a
// run (do they exist, how many channels have they), and the run itself.
#include "audio/PulseSweepRecorder.h"

#include "audio/PulseConnection.h"
#include "audio/PulseRecordRun.h"
#include "audio/PulseServer.h"
#include "audio/SweepPlan.h"

namespace quilbo {

namespace {

pa_channel_map channelMapOf(const DeviceInfo& device) {
    pa_channel_map map;
    pa_channel_map_init(&map);
    for (const int position : device.channels) {
        if (map.channels < PA_CHANNELS_MAX) {
            map.map[map.channels++] = static_cast<pa_channel_position_t>(position);
        }
    }
    return map;
}

}  // namespace

PulseSweepRecorder::PulseSweepRecorder() : PulseSweepRecorder(std::make_shared<PulseServer>()) {}

PulseSweepRecorder::PulseSweepRecorder(std::shared_ptr<PulseServer> server)
    : m_server(std::move(server)) {}

PulseSweepRecorder::~PulseSweepRecorder() = default;

Recording PulseSweepRecorder::record(const RecordRequest& request, const Progress& progress) {
    Recording out;
    out.rate = request.rate;
    const auto failed = [&](RecordResult result, std::string detail = {}) {
        m_cancelled = false;
        out.result = result;
        out.detail = std::move(detail);
        return out;
    };
    // The model brought up to date first: an output loaded a moment ago is found.
    if (!m_server->sync()) {
        return failed(RecordResult::NoServer);
    }
    auto connected = m_server->connection();
    if (!connected) {
        return failed(RecordResult::NoServer);
    }
    const Devices devices = m_server->devices().devices();
    const DeviceInfo* sink = devices.output(request.sink);
    const DeviceInfo* source = devices.input(request.source);
    if (sink == nullptr) {
        return failed(RecordResult::NoSink, request.sink);
    }
    if (source == nullptr) {
        return failed(RecordResult::NoSource, request.source);
    }
    RecordTarget target;
    target.sink = sink->name;
    target.sinkMap = channelMapOf(*sink);
    target.source = source->name;
    target.sourceMap = channelMapOf(*source);
    target.sinkRate = sink->rate;
    target.sourceRate = source->rate;
    target.sourceIsMonitor = source->monitor;
    target.pipeWire = devices.pipeWire;
    const unsigned channels =
        request.sinkChannels != 0 ? request.sinkChannels : target.sinkMap.channels;
    std::string detail;
    if (request.referenceChannel > 0 && target.sourceMap.channels < 2) {
        out.problem = RecordProblem::NoLoopbackInput;
        return failed(RecordResult::BadRequest, target.source);
    }
    const auto plan = SweepPlan::make(request, channels, &out.problem, &detail);
    if (!plan) {
        return failed(RecordResult::BadRequest, std::move(detail));
    }
    PulseRecordRun run(*connected, *plan, request, target, m_server->options().serverTimeout);
    out = run.run(progress, m_cancelled);
    m_cancelled = false;
    return out;
}

std::vector<SourceInfo> PulseSweepRecorder::sources() {
    return m_server->devices().inputs();
}

std::string PulseSweepRecorder::defaultSource() {
    return m_server->devices().defaultInputName();
}

}  // namespace quilbo
