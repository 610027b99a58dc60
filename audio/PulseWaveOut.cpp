// The playback back end: format check, the shared connection, and opening devices on it.
//
// One connection for every stream rather than one per stream: a PulseAudio 16 server shares a
// stream's audio blocks with whoever records the sink's monitor, and aborts when the client
// those blocks came from disconnects while its sink thread still holds some. Streams are
// stopped at every Stop; the connection goes only with the back end, after a pause.
#include "audio/PulseWaveOut.h"

#include <pulse/context.h>
#include <pulse/introspect.h>

#include "audio/PulseConnection.h"
#include "audio/PulseFormat.h"
#include "audio/PulseWaveOutDevice.h"

namespace quilbo {

PulseWaveOut::PulseWaveOut() : PulseWaveOut(Options{}) {}

PulseWaveOut::PulseWaveOut(Options options)
    : m_options(options), m_underflows(std::make_shared<std::atomic<std::uint64_t>>(0)) {}

PulseWaveOut::~PulseWaveOut() {
    std::lock_guard lock(m_mutex);
    if (m_connection) {
        m_connection->settle(m_options.linger, m_options.serverTimeout);
    }
}

WaveResult PulseWaveOut::queryFormat(const WaveFormatExtensible& format) {
    return toPulseFormat(format) ? WaveResult::Ok : WaveResult::BadFormat;
}

std::shared_ptr<PulseConnection> PulseWaveOut::connection() {
    std::lock_guard lock(m_mutex);
    if (m_connection) {
        LoopLock loopLock(m_connection->loop());
        if (m_connection->ready()) {
            return m_connection;
        }
    }
    m_connection.reset();  // devices still open keep theirs until they close
    // Connecting before the loop thread runs, as the volume back end does: what libpulse sets
    // up on the way is then plainly there before that thread starts.
    auto connection = std::make_shared<PulseConnection>();
    if (!connection->connect({}, m_options.applicationName, nullptr) || !connection->startLoop()) {
        return nullptr;
    }
    LoopLock loopLock(connection->loop());
    const bool settled = connection->waitFor(
        [&] {
            return !PA_CONTEXT_IS_GOOD(pa_context_get_state(connection->context())) ||
                   connection->ready();
        },
        m_options.serverTimeout);
    if (!settled || !connection->ready()) {
        return nullptr;
    }
    m_connection = connection;
    return connection;
}

std::unique_ptr<WaveOutDevice> PulseWaveOut::open(const WaveFormatExtensible& format,
                                                  WaveOutRoutine routine, void* instance,
                                                  WaveResult* result) {
    auto report = [result](WaveResult r) {
        if (result != nullptr) {
            *result = r;
        }
    };
    const auto pulseFormat = toPulseFormat(format);
    if (!pulseFormat) {
        report(WaveResult::BadFormat);
        return nullptr;
    }
    if (routine == nullptr) {
        report(WaveResult::Failed);
        return nullptr;
    }
    auto connected = connection();
    if (!connected) {
        report(WaveResult::NoDevice);  // no server of our own is ever started
        return nullptr;
    }
    auto device = std::make_unique<PulseWaveOutDevice>(std::move(connected), *pulseFormat, routine,
                                                       instance, m_options, m_underflows);
    if (!device->start()) {
        report(WaveResult::Failed);
        return nullptr;
    }
    report(WaveResult::Ok);
    return device;
}

namespace {

SpeakerPosition speakerPosition(pa_channel_position_t position) {
    switch (position) {
        case PA_CHANNEL_POSITION_FRONT_LEFT:
            return SpeakerPosition::FrontLeft;
        case PA_CHANNEL_POSITION_FRONT_RIGHT:
            return SpeakerPosition::FrontRight;
        case PA_CHANNEL_POSITION_REAR_LEFT:
            return SpeakerPosition::RearLeft;
        case PA_CHANNEL_POSITION_REAR_RIGHT:
            return SpeakerPosition::RearRight;
        case PA_CHANNEL_POSITION_FRONT_CENTER:
            return SpeakerPosition::FrontCenter;
        case PA_CHANNEL_POSITION_LFE:
            return SpeakerPosition::Lfe;
        default:
            return SpeakerPosition::Other;
    }
}

// What the sink-info callback leaves for the waiting thread; both under the loop lock.
struct SinkQuery {
    PulseConnection* connection = nullptr;
    bool done = false;
    std::optional<SinkLayout> layout;
};

void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* query = static_cast<SinkQuery*>(userdata);
    if (eol == 0 && info != nullptr) {
        SinkLayout layout;
        layout.description = info->description != nullptr && info->description[0] != '\0'
                                 ? info->description
                                 : (info->name != nullptr ? info->name : "");
        for (unsigned i = 0; i < info->channel_map.channels && i < PA_CHANNELS_MAX; ++i) {
            layout.positions.push_back(speakerPosition(info->channel_map.map[i]));
        }
        query->layout = std::move(layout);
        return;
    }
    query->done = true;
    query->connection->signal();
}

}  // namespace

std::optional<SinkLayout> PulseWaveOut::defaultSinkLayout() {
    auto connected = connection();
    if (!connected) {
        return std::nullopt;
    }
    SinkQuery query;
    query.connection = connected.get();
    LoopLock lock(connected->loop());
    OperationPtr operation(pa_context_get_sink_info_by_name(connected->context(), "@DEFAULT_SINK@",
                                                            &onSinkInfo, &query));
    if (!operation) {
        return std::nullopt;
    }
    if (!connected->waitFor([&] { return query.done; }, m_options.serverTimeout)) {
        // The query lives on this stack: no late answer may reach it.
        pa_operation_cancel(operation.get());
        return std::nullopt;
    }
    return query.layout;
}

}  // namespace quilbo
