// The playback back end: format check, the shared connection, and opening devices on it.
//
// One connection for every stream rather than one per stream: a PulseAudio 16 server shares a
// stream's audio blocks with whoever records the sink's monitor, and aborts when the client
// those blocks came from disconnects while its sink thread still holds some. Streams are
// stopped at every Stop; the connection goes only with the back end, after a pause.
#include "audio/PulseWaveOut.h"

#include <pulse/context.h>
#include <pulse/introspect.h>

#include "audio/Logging.h"
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

WaveResult PulseWaveOut::queryFormat(const WaveFormatExtensible& format, const std::string&) {
    if (!toPulseFormat(format)) {
        qCWarning(lcAudio) << "refused format: tag" << format.wFormatTag << "rate"
                           << format.nSamplesPerSec << "channels" << format.nChannels << "bits"
                           << format.wBitsPerSample << "valid" << format.wValidBitsPerSample;
        return WaveResult::BadFormat;
    }
    return WaveResult::Ok;
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
    // A lost server is a change of outputs too: every one has gone. A connection that never
    // got through is none (a page that asks again at the notice would be told again at once).
    auto onState = [notices = m_notices, wasReady = false](pa_context* context) mutable {
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
            wasReady = true;
        } else if (!PA_CONTEXT_IS_GOOD(state) && wasReady) {
            wasReady = false;
            notices->notify();
        }
    };
    if (!connection->connect({}, m_options.applicationName, onState) || !connection->startLoop()) {
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
        if (!m_serverMissing) {  // once, not at every retry
            qCWarning(lcAudio) << "no sound server:"
                               << (settled ? pa_strerror(pa_context_errno(connection->context()))
                                           : "it did not answer in time");
        }
        m_serverMissing = true;
        return nullptr;
    }
    m_serverMissing = false;
    watch(*connection);
    const bool regained = m_everConnected;
    m_everConnected = true;
    m_connection = connection;
    if (regained) {
        qCWarning(lcAudio) << "connected to the sound server again";
    }
    return connection;
}

void PulseWaveOut::watch(PulseConnection& connection) {
    connection.subscribeSinks();
    connection.addSinkEventHandler(
        [notices = m_notices](pa_subscription_event_type_t type, std::uint32_t) {
            const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
            const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
            // Sinks that come and go, and server changes (a new default); a sink's volume and
            // state changes are no change of the list.
            const bool changed =
                facility == PA_SUBSCRIPTION_EVENT_SERVER ||
                (facility == PA_SUBSCRIPTION_EVENT_SINK && kind != PA_SUBSCRIPTION_EVENT_CHANGE);
            if (changed) {
                notices->notify();
            }
        });
}

std::unique_ptr<WaveOutDevice> PulseWaveOut::open(const WaveFormatExtensible& format,
                                                  WaveOutRoutine routine, void* instance,
                                                  WaveResult* result, const std::string& sink) {
    auto report = [result](WaveResult r) {
        if (result != nullptr) {
            *result = r;
        }
    };
    const auto pulseFormat = toPulseFormat(format);
    if (!pulseFormat) {
        qCWarning(lcAudio) << "cannot open an output for a format libpulse does not take";
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
    // One fade layout for the player's fades and the device's stop fade alike: the low bits a
    // 20- or 24-bit sample leaves unused stay zero in both.
    auto device = std::make_unique<PulseWaveOutDevice>(std::move(connected), *pulseFormat,
                                                       fadeLayoutOf(format), sink, routine,
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

struct OutputsQuery {
    PulseConnection* connection = nullptr;
    bool done = false;
    std::vector<OutputInfo> outputs;
    std::string defaultName;
};

// Runs one introspection query on the connection's loop and waits (bounded) for its end: start
// begins the operation with the query as its callbacks' data, and they set query.done. False when
// there is no server or it did not answer in time.
template <typename Query, typename Start>
bool runQuery(const std::shared_ptr<PulseConnection>& connected, Query& query,
              std::chrono::milliseconds timeout, Start start) {
    if (!connected) {
        return false;
    }
    query.connection = connected.get();
    LoopLock lock(connected->loop());
    const OperationPtr operation(start(connected->context(), &query));
    return connected->awaitQuery(
        operation, [&] { return query.done; }, timeout);
}

}  // namespace

std::optional<SinkLayout> PulseWaveOut::defaultSinkLayout() {
    return sinkLayout({});
}

std::optional<SinkLayout> PulseWaveOut::sinkLayout(const std::string& sink) {
    SinkQuery query;
    const char* name = sink.empty() ? "@DEFAULT_SINK@" : sink.c_str();
    const bool answered = runQuery(
        connection(), query, m_options.serverTimeout, [name](pa_context* context, SinkQuery* q) {
            return pa_context_get_sink_info_by_name(context, name, &onSinkInfo, q);
        });
    return answered ? query.layout : std::nullopt;
}

std::vector<OutputInfo> PulseWaveOut::outputs() {
    OutputsQuery query;
    const bool answered = runQuery(
        connection(), query, m_options.serverTimeout, [](pa_context* context, OutputsQuery* q) {
            return pa_context_get_sink_info_list(
                context,
                [](pa_context*, const pa_sink_info* info, int eol, void* userdata) {
                    auto* q = static_cast<OutputsQuery*>(userdata);
                    if (eol == 0 && info != nullptr && info->name != nullptr) {
                        const bool described =
                            info->description != nullptr && info->description[0] != 0;
                        q->outputs.push_back(
                            {info->name, described ? info->description : info->name});
                        return;
                    }
                    q->done = true;
                    q->connection->signal();
                },
                q);
        });
    return answered ? query.outputs : std::vector<OutputInfo>();
}

std::string PulseWaveOut::defaultOutputName() {
    OutputsQuery query;
    const bool answered = runQuery(
        connection(), query, m_options.serverTimeout, [](pa_context* context, OutputsQuery* q) {
            return pa_context_get_server_info(
                context,
                [](pa_context*, const pa_server_info* info, void* userdata) {
                    auto* q = static_cast<OutputsQuery*>(userdata);
                    if (info != nullptr && info->default_sink_name != nullptr) {
                        q->defaultName = info->default_sink_name;
                    }
                    q->done = true;
                    q->connection->signal();
                },
                q);
        });
    return answered ? query.defaultName : std::string();
}

void PulseWaveOut::setChangeHandler(ChangeHandler handler) {
    // The connection, and with it the notices, is made by the first query or open.
    std::lock_guard lock(m_notices->mutex);
    m_notices->handler = std::move(handler);
}

}  // namespace quilbo
