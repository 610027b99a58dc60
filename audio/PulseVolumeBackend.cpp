// The PulseAudio side of the system volume: watching the default sink from libpulse's loop thread.
#include "audio/PulseVolumeBackend.h"

#include "audio/PulseConnection.h"

#include <pulse/pulseaudio.h>

#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <chrono>
#include <cstring>

namespace quilbo {

namespace {

// How long construction waits for the first reading. A live server answers in milliseconds; this
// only bounds the start-up of a program whose server is wedged (stopped, swapped out).
constexpr auto kSettleTimeout = std::chrono::milliseconds(2000);
// Pause between connection attempts while the server is away.
constexpr pa_usec_t kReconnectDelay = 1000 * PA_USEC_PER_MSEC;

void dropOperation(pa_operation* operation) {
    OperationPtr{operation};
}

}  // namespace

bool SinkReading::sameVolumes(const SinkReading& other) const {
    return channels == other.channels &&
           std::equal(volumes.begin(), volumes.begin() + channels, other.volumes.begin());
}

PulseVolumeBackend::PulseVolumeBackend(const std::string& server,
                                       std::function<void()> onVolumeChange)
    : m_server(server),
      m_onVolumeChange(std::move(onVolumeChange)),
      m_notifier(std::make_unique<QObject>()) {
    m_connection = std::make_unique<PulseConnection>();
    {
        LoopLock lock(m_connection->loop());
        connectContext();
    }
    if (!m_connection->startLoop()) {
        m_connection.reset();
        return;
    }
    std::unique_lock lock(m_mutex);
    m_settledCondition.wait_for(lock, kSettleTimeout, [this] { return m_settled; });
    // The first reading is the reference for later notices, not a change of its own.
    m_delivered = m_reading;
}

PulseVolumeBackend::~PulseVolumeBackend() {
    if (m_connection) {
        {
            LoopLock lock(m_connection->loop());
            m_closing = true;
            if (m_reconnectEvent != nullptr) {
                m_connection->api()->time_free(m_reconnectEvent);
                m_reconnectEvent = nullptr;
            }
            dropContext();
        }
        // Joins the loop thread: after this no callback of ours can run.
        m_connection.reset();
    }
    // Deleting the notifier discards any change call still queued for it.
    m_notifier.reset();
}

SinkReading PulseVolumeBackend::reading() const {
    std::lock_guard lock(m_mutex);
    return m_reading;
}

void PulseVolumeBackend::setVolume(std::uint32_t serverVolume) {
    if (!m_connection) {
        return;
    }
    LoopLock loopLock(m_connection->loop());
    if (!m_connection->ready()) {
        return;
    }
    std::lock_guard lock(m_mutex);
    if (!m_reading.hasSink || m_reading.channels == 0) {
        return;
    }
    pa_cvolume volume;
    pa_cvolume_set(&volume, m_reading.channels, serverVolume);
    dropOperation(pa_context_set_sink_volume_by_index(m_connection->context(), m_reading.sinkIndex,
                                                      &volume, nullptr, nullptr));
    // Read back at once as the server will soon report it; the value the program set itself is
    // not a change to tell anyone about.
    std::fill(m_reading.volumes.begin(), m_reading.volumes.begin() + m_reading.channels,
              serverVolume);
    m_delivered = m_reading;
}

void PulseVolumeBackend::setMute(bool muted) {
    if (!m_connection) {
        return;
    }
    LoopLock loopLock(m_connection->loop());
    if (!m_connection->ready()) {
        return;
    }
    std::lock_guard lock(m_mutex);
    if (!m_reading.hasSink) {
        return;
    }
    dropOperation(pa_context_set_sink_mute_by_index(m_connection->context(), m_reading.sinkIndex,
                                                    muted ? 1 : 0, nullptr, nullptr));
    m_reading.muted = muted;
}

void PulseVolumeBackend::connectContext() {
    dropContext();
    // Never start a server of our own: no server means no volume control.
    const bool connecting = m_connection->connect(
        m_server, "Quilbo", [this](pa_context* context) { onContextState(context); });
    if (!connecting) {
        storeReading(SinkReading{});
        markSettled();
        scheduleReconnect();
    }
}

void PulseVolumeBackend::dropContext() {
    m_connection->disconnect();
    m_defaultSinkName.clear();
}

void PulseVolumeBackend::scheduleReconnect() {
    if (m_closing || m_reconnectEvent != nullptr) {
        return;
    }
    m_reconnectEvent = m_connection->startTimer(
        kReconnectDelay,
        [](pa_mainloop_api* eventApi, pa_time_event* event, const timeval*, void* self) {
            auto* backend = static_cast<PulseVolumeBackend*>(self);
            eventApi->time_free(event);
            backend->m_reconnectEvent = nullptr;
            // A time event, not the failed context's own callback, so the old context can go.
            backend->connectContext();
        },
        this);
}

void PulseVolumeBackend::requestServerInfo(pa_context* context) {
    dropOperation(pa_context_get_server_info(
        context,
        [](pa_context* c, const pa_server_info* info, void* self) {
            static_cast<PulseVolumeBackend*>(self)->onServerInfo(c, info);
        },
        this));
}

void PulseVolumeBackend::onContextState(pa_context* context) {
    if (context != m_connection->context()) {
        return;
    }
    switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY: {
            pa_context_set_subscribe_callback(
                context,
                [](pa_context* c, pa_subscription_event_type_t type, std::uint32_t index,
                   void* self) {
                    static_cast<PulseVolumeBackend*>(self)->onSinkEvent(c, type, index);
                },
                this);
            dropOperation(pa_context_subscribe(
                context,
                static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                                    PA_SUBSCRIPTION_MASK_SERVER),
                nullptr, nullptr));
            {
                std::lock_guard lock(m_mutex);
                m_reading.connected = true;
            }
            requestServerInfo(context);
            break;
        }
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            storeReading(SinkReading{});
            markSettled();
            scheduleReconnect();
            break;
        default:
            break;
    }
}

void PulseVolumeBackend::onServerInfo(pa_context* context, const pa_server_info* info) {
    if (context != m_connection->context()) {
        return;
    }
    if (info == nullptr || info->default_sink_name == nullptr ||
        info->default_sink_name[0] == '\0') {
        m_defaultSinkName.clear();
        SinkReading none;
        none.connected = true;
        storeReading(none);
        markSettled();
        return;
    }
    // Asked afresh on every server event: cheap, and it also covers a default sink that was
    // replaced by a new one of the same name.
    m_defaultSinkName = info->default_sink_name;
    dropOperation(pa_context_get_sink_info_by_name(
        context, m_defaultSinkName.c_str(),
        [](pa_context* c, const pa_sink_info* sink, int eol, void* self) {
            static_cast<PulseVolumeBackend*>(self)->onSinkInfo(c, sink, eol, true);
        },
        this));
}

void PulseVolumeBackend::onSinkInfo(pa_context* context, const pa_sink_info* info, int eol,
                                    bool isDefaultLookup) {
    if (context != m_connection->context()) {
        return;
    }
    if (eol < 0) {
        // The default sink named by the server is gone already; the server event that follows
        // its removal brings the next one.
        if (isDefaultLookup) {
            SinkReading none;
            none.connected = true;
            storeReading(none);
            markSettled();
        }
        return;
    }
    if (eol > 0 || info == nullptr || info->name == nullptr) {
        return;
    }
    // An answer about a former default sink, overtaken by a change of default.
    if (m_defaultSinkName != info->name) {
        return;
    }
    SinkReading reading;
    reading.connected = true;
    reading.hasSink = true;
    reading.muted = info->mute != 0;
    reading.sinkIndex = info->index;
    if (pa_cvolume_valid(&info->volume) != 0) {
        reading.channels = info->volume.channels;
        std::copy(info->volume.values, info->volume.values + info->volume.channels,
                  reading.volumes.begin());
    }
    storeReading(reading);
    markSettled();
}

void PulseVolumeBackend::onSinkEvent(pa_context* context, unsigned type, std::uint32_t index) {
    if (context != m_connection->context()) {
        return;
    }
    const unsigned facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
        requestServerInfo(context);
        return;
    }
    if (facility != PA_SUBSCRIPTION_EVENT_SINK) {
        return;
    }
    bool tracked;
    {
        std::lock_guard lock(m_mutex);
        tracked = m_reading.hasSink && m_reading.sinkIndex == index;
    }
    if (!tracked) {
        return;
    }
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
        SinkReading none;
        none.connected = true;
        storeReading(none);
        requestServerInfo(context);
        return;
    }
    dropOperation(pa_context_get_sink_info_by_index(
        context, index,
        [](pa_context* c, const pa_sink_info* sink, int eol, void* self) {
            static_cast<PulseVolumeBackend*>(self)->onSinkInfo(c, sink, eol, false);
        },
        this));
}

void PulseVolumeBackend::storeReading(const SinkReading& reading) {
    {
        std::lock_guard lock(m_mutex);
        if (m_reading == reading) {
            return;
        }
        m_reading = reading;
    }
    postChange();
}

void PulseVolumeBackend::markSettled() {
    {
        std::lock_guard lock(m_mutex);
        m_settled = true;
    }
    m_settledCondition.notify_all();
}

void PulseVolumeBackend::postChange() {
    // One queued call at a time: a burst of server events costs the owner one reading.
    if (m_changePosted.exchange(true)) {
        return;
    }
    QMetaObject::invokeMethod(
        m_notifier.get(), [this] { deliverChange(); }, Qt::QueuedConnection);
}

void PulseVolumeBackend::deliverChange() {
    m_changePosted = false;
    const SinkReading now = reading();
    if (!now.hasSink || now.channels == 0) {
        // Forget the last volumes, so that the sink's return is told even at the same level.
        m_delivered = now;
        return;
    }
    if (now.sameVolumes(m_delivered) && m_delivered.hasSink) {
        return;
    }
    m_delivered = now;
    // Last: the handler may destroy the object that owns this backend.
    m_onVolumeChange();
}

}  // namespace quilbo
