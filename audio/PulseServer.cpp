// The sound server object: connecting and reconnecting, and the device model read afresh at each
// of the server's events (three introspection requests, answered on the loop thread; nobody
// waits for them but sync()).
//
// One connection for every stream: a PulseAudio 16 server shares a stream's audio blocks with
// whoever records the sink's monitor, and aborts when the client those blocks came from
// disconnects while its sink thread still holds some. So the connection goes only with this
// object, after a pause (settle).
#include "audio/PulseServer.h"

#include <pulse/introspect.h>

#include <cstring>
#include <thread>

#include "audio/Logging.h"
#include "audio/PulseConnection.h"

namespace quilbo {

namespace {

DeviceInfo deviceOf(std::uint32_t index, const char* name, const char* description,
                    const pa_channel_map& map, const pa_sample_spec& spec, int mute,
                    const pa_cvolume& volume) {
    DeviceInfo device;
    device.index = index;
    device.name = name != nullptr ? name : "";
    device.description =
        description != nullptr && description[0] != '\0' ? description : device.name;
    for (unsigned i = 0; i < map.channels && i < PA_CHANNELS_MAX; ++i) {
        device.channels.push_back(map.map[i]);
    }
    device.rate = spec.rate;
    device.muted = mute != 0;
    if (pa_cvolume_valid(&volume) != 0) {
        device.volumes.assign(volume.values, volume.values + volume.channels);
    }
    return device;
}

}  // namespace

PulseServer::PulseServer() : PulseServer(Options{}) {}

PulseServer::PulseServer(Options options)
    : m_options(std::move(options)), m_connection(std::make_shared<PulseConnection>()) {
    m_connection->addSinkEventHandler(
        [this](pa_subscription_event_type_t, std::uint32_t) { refresh(); });
    // Connecting before the loop thread runs: what libpulse sets up on the way is then plainly
    // there before that thread starts.
    connectContext();
    m_connection->startLoop();
}

PulseServer::~PulseServer() {
    m_connection->settle(m_options.linger, m_options.serverTimeout);
    LoopLock lock(m_connection->loop());
    m_closing = true;
    if (m_retryTimer != nullptr) {
        m_connection->api()->time_free(m_retryTimer);
        m_retryTimer = nullptr;
    }
    // No callback reaches this object after this (pending requests are cancelled with the
    // context); a device that outlives it finds the server gone.
    m_connection->disconnect();
    m_connection->removeSinkEventHandlers();
}

void PulseServer::connectContext() {
    m_refreshing = false;
    m_refreshAgain = false;
    m_answersDue = 0;
    if (!m_connection->connect(m_options.server, m_options.applicationName,
                               [this](pa_context* context) { onState(context); })) {
        scheduleRetry();
    }
}

void PulseServer::onState(pa_context* context) {
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        if (m_everConnected) {
            qCWarning(lcAudio) << "connected to the sound server again";
        }
        m_everConnected = true;
        m_serverMissing = false;
        m_connection->subscribe();
        refresh();
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        if (!m_serverMissing) {  // once, not at every retry
            qCWarning(lcAudio) << (m_everConnected ? "lost the sound server:" : "no sound server:")
                               << pa_strerror(pa_context_errno(context));
        }
        m_serverMissing = true;
        // A lost server is a change of devices too: every one has gone.
        m_devices.publish(Devices{});
        scheduleRetry();
    }
}

std::shared_ptr<PulseConnection> PulseServer::connection() {
    std::lock_guard connecting(m_connectMutex);
    LoopLock lock(m_connection->loop());
    if (m_connection->ready()) {
        return m_connection;
    }
    pa_context* context = m_connection->context();
    if (context == nullptr || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
        connectContext();
    }
    m_connection->waitFor(
        [this] {
            pa_context* c = m_connection->context();
            return c == nullptr || !PA_CONTEXT_IS_GOOD(pa_context_get_state(c)) ||
                   m_connection->ready();
        },
        m_options.serverTimeout);
    if (!m_connection->ready()) {
        if (!m_serverMissing) {
            qCWarning(lcAudio) << "no sound server: it did not answer in time";
        }
        m_serverMissing = true;
        return nullptr;
    }
    return m_connection;
}

std::shared_ptr<PulseConnection> PulseServer::connectionWithoutWaiting() {
    LoopLock lock(m_connection->loop());
    pa_context* context = m_connection->context();
    if (!m_closing && (context == nullptr || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))) {
        connectContext();
        context = m_connection->context();
    }
    if (context == nullptr || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
        return nullptr;  // refused at once: no attempt is under way
    }
    return m_connection;
}

bool PulseServer::sync() {
    const auto connected = connection();
    if (!connected) {
        return false;
    }
    LoopLock lock(connected->loop());
    // A refresh under way may have read the server before this call: wait for the next one.
    const std::uint64_t wanted = m_refreshStarted + 1;
    refresh();
    return connected->waitFor([&] { return m_refreshDone >= wanted || !connected->ready(); },
                              m_options.serverTimeout) &&
           connected->ready();
}

bool PulseServer::send(const std::function<pa_operation*(pa_context*)>& start) {
    LoopLock lock(m_connection->loop());
    if (!m_connection->ready()) {
        return false;
    }
    return OperationPtr(start(m_connection->context())) != nullptr;
}

bool PulseServer::setDefaultOutput(const std::string& name) {
    if (!send([&](pa_context* context) {
            return pa_context_set_default_sink(context, name.c_str(), nullptr, nullptr);
        })) {
        return false;
    }
    // The server's own event then brings the model up to date: read until it holds the change.
    const auto deadline = std::chrono::steady_clock::now() + m_options.serverTimeout;
    while (sync() && m_devices.devices().defaultOutput != name) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return m_devices.devices().defaultOutput == name;
}

void PulseServer::refresh() {
    if (!m_connection->ready()) {
        return;
    }
    if (m_refreshing) {
        m_refreshAgain = true;  // this event may change what is being read: read again after
        return;
    }
    m_refreshing = true;
    ++m_refreshStarted;
    m_reading = Devices{};
    m_reading.connected = true;
    m_answersDue = 3;
    pa_context* context = m_connection->context();
    const OperationPtr server(pa_context_get_server_info(
        context,
        [](pa_context*, const pa_server_info* info, void* self) {
            auto* server = static_cast<PulseServer*>(self);
            if (info != nullptr) {
                Devices& d = server->m_reading;
                d.defaultOutput = info->default_sink_name != nullptr ? info->default_sink_name : "";
                d.defaultInput =
                    info->default_source_name != nullptr ? info->default_source_name : "";
                d.pipeWire = info->server_name != nullptr &&
                             std::strstr(info->server_name, "PipeWire") != nullptr;
            }
            server->finishRefresh();
        },
        this));
    const OperationPtr sinks(pa_context_get_sink_info_list(
        context,
        [](pa_context*, const pa_sink_info* info, int eol, void* self) {
            auto* server = static_cast<PulseServer*>(self);
            if (eol == 0 && info != nullptr) {
                server->m_reading.outputs.push_back(
                    deviceOf(info->index, info->name, info->description, info->channel_map,
                             info->sample_spec, info->mute, info->volume));
                return;
            }
            server->finishRefresh();
        },
        this));
    const OperationPtr sources(pa_context_get_source_info_list(
        context,
        [](pa_context*, const pa_source_info* info, int eol, void* self) {
            auto* server = static_cast<PulseServer*>(self);
            if (eol == 0 && info != nullptr) {
                DeviceInfo input =
                    deviceOf(info->index, info->name, info->description, info->channel_map,
                             info->sample_spec, info->mute, info->volume);
                input.monitor = info->monitor_of_sink != PA_INVALID_INDEX;
                server->m_reading.inputs.push_back(std::move(input));
                return;
            }
            server->finishRefresh();
        },
        this));
    // A request the context refused gets no answer: count it as answered.
    for (const OperationPtr* request : {&server, &sinks, &sources}) {
        if (!*request) {
            finishRefresh();
        }
    }
}

void PulseServer::finishRefresh() {
    if (--m_answersDue > 0 || !m_refreshing) {
        return;
    }
    m_refreshing = false;
    m_refreshDone = m_refreshStarted;
    m_devices.publish(m_reading);
    m_connection->signal();
    if (m_refreshAgain) {
        m_refreshAgain = false;
        refresh();
    }
}

void PulseServer::scheduleRetry() {
    if (m_closing || m_retryTimer != nullptr) {
        return;
    }
    const auto delay = static_cast<pa_usec_t>(m_options.retry.count()) * 1000;
    m_retryTimer = m_connection->startTimer(delay, &PulseServer::onRetry, this);
}

void PulseServer::onRetry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self) {
    auto* server = static_cast<PulseServer*>(self);
    api->time_free(event);
    server->m_retryTimer = nullptr;
    pa_context* context = server->m_connection->context();
    if (server->m_closing ||
        (context != nullptr && PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))) {
        return;
    }
    server->connectContext();
}

}  // namespace quilbo
