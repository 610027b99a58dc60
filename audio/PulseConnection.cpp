// The shared libpulse connection: loop, context, bounded waits and retired streams.
#include "audio/PulseConnection.h"

#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include <algorithm>

#include "audio/Logging.h"

namespace quilbo {

PulseConnection::PulseConnection() : m_loop(pa_threaded_mainloop_new()) {
    if (m_loop) {
        m_clock.reset(pa_context_new(api(), "Quilbo timers"));
    }
}

PulseConnection::~PulseConnection() {
    if (!m_loop) {
        return;
    }
    {
        LoopLock lock(m_loop.get());
        for (const DueRetirement& due : m_due) {
            api()->time_free(due.event);
        }
        m_due.clear();
        for (const auto& pending : m_pendingWrites) {
            if (pending->timer != nullptr) {
                api()->time_free(pending->timer);
            }
            if (pending->timing) {
                pa_operation_cancel(pending->timing.get());
            }
        }
        m_pendingWrites.clear();
        disconnect();
        m_retired.clear();
        m_clock.reset();
    }
    stopLoop();
}

pa_mainloop_api* PulseConnection::api() const {
    return m_loop ? pa_threaded_mainloop_get_api(m_loop.get()) : nullptr;
}

bool PulseConnection::startLoop() {
    m_running = m_loop && pa_threaded_mainloop_start(m_loop.get()) >= 0;
    return m_running;
}

void PulseConnection::stopLoop() {
    if (m_running) {
        pa_threaded_mainloop_stop(m_loop.get());  // joins the loop thread
        m_running = false;
    }
}

bool PulseConnection::ready() const {
    return m_context && pa_context_get_state(m_context.get()) == PA_CONTEXT_READY;
}

bool PulseConnection::connect(const std::string& server, const char* applicationName,
                              StateHandler onState) {
    disconnect();
    if (!m_loop) {
        return false;
    }
    m_onState = std::move(onState);
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, applicationName);
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    m_context.reset(pa_context_new_with_proplist(api(), applicationName, props));
    pa_proplist_free(props);
    if (!m_context) {
        qCWarning(lcAudio) << "cannot make a sound server context";
        return false;
    }
    pa_context_set_state_callback(
        m_context.get(),
        [](pa_context* context, void* self) {
            auto* connection = static_cast<PulseConnection*>(self);
            const pa_context_state_t state = pa_context_get_state(context);
            // A lost server is reported once by the server object, not at every retry.
            if (state == PA_CONTEXT_FAILED) {
                qCDebug(lcAudio) << "sound server connection failed:"
                                 << pa_strerror(pa_context_errno(context));
            } else if (state == PA_CONTEXT_READY) {
                qCDebug(lcAudio) << "connected to the sound server"
                                 << pa_context_get_server(context);
            }
            if (connection->m_onState) {
                connection->m_onState(context);
            }
            // A copy: a watcher may remove itself (a stream that fails on the change).
            const auto watchers = connection->m_stateWatchers;
            for (const auto& entry : watchers) {
                entry.second(state);
            }
            connection->signal();
        },
        this);
    if (pa_context_connect(m_context.get(), server.empty() ? nullptr : server.c_str(),
                           PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        qCWarning(lcAudio) << "cannot connect to the sound server:"
                           << pa_strerror(pa_context_errno(m_context.get()));
        return false;
    }
    return true;
}

void PulseConnection::disconnect() {
    if (!m_context) {
        return;
    }
    pa_context_set_state_callback(m_context.get(), nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context.get(), nullptr, nullptr);
    pa_context_disconnect(m_context.get());
    m_context.reset();
}

bool PulseConnection::waitFor(const std::function<bool()>& done,
                              std::chrono::milliseconds timeout) {
    // pa_threaded_mainloop_wait has no timeout: a timer event on the loop wakes it instead. Both
    // the timer and the deadline are on the monotonic clock, so the timer cannot fire before the
    // deadline and leave the wait with nothing to wake it.
    const pa_usec_t span =
        static_cast<pa_usec_t>(std::max<std::int64_t>(timeout.count(), 0)) * 1000;
    const pa_usec_t deadline = pa_rtclock_now() + span;
    pa_time_event* timer = startTimer(
        span,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
            static_cast<PulseConnection*>(self)->signal();
        },
        this);
    bool ok = done();
    if (timer == nullptr) {
        return ok;  // nothing would bound the wait
    }
    while (!ok && pa_rtclock_now() < deadline) {
        pa_threaded_mainloop_wait(m_loop.get());
        ok = done();
    }
    api()->time_free(timer);
    return ok;
}

pa_time_event* PulseConnection::startTimer(pa_usec_t delay, pa_time_event_cb_t callback,
                                           void* userdata) {
    if (!m_clock) {
        return nullptr;
    }
    return pa_context_rttime_new(m_clock.get(), pa_rtclock_now() + delay, callback, userdata);
}

void PulseConnection::restartTimer(pa_time_event* timer, pa_usec_t delay) {
    if (m_clock && timer != nullptr) {
        pa_context_rttime_restart(m_clock.get(), timer, pa_rtclock_now() + delay);
    }
}

void PulseConnection::subscribe() {
    if (!ready()) {
        return;
    }
    pa_context_set_subscribe_callback(
        m_context.get(),
        [](pa_context*, pa_subscription_event_type_t type, std::uint32_t index, void* self) {
            auto* connection = static_cast<PulseConnection*>(self);
            // A copy: a handler may remove itself (a device that fails on the event).
            const auto handlers = connection->m_sinkHandlers;
            for (const auto& entry : handlers) {
                entry.second(type, index);
            }
        },
        this);
    OperationPtr(pa_context_subscribe(
        m_context.get(),
        static_cast<pa_subscription_mask_t>(
            PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER),
        nullptr, nullptr));
}

int PulseConnection::addSinkEventHandler(SinkEventHandler handler) {
    const int id = m_nextHandlerId++;
    m_sinkHandlers.emplace_back(id, std::move(handler));
    return id;
}

void PulseConnection::removeSinkEventHandler(int id) {
    std::erase_if(m_sinkHandlers, [id](const auto& entry) { return entry.first == id; });
}

void PulseConnection::removeSinkEventHandlers() {
    m_sinkHandlers.clear();
}

int PulseConnection::addStateWatcher(StateWatcher watcher) {
    const int id = m_nextHandlerId++;
    m_stateWatchers.emplace_back(id, std::move(watcher));
    return id;
}

void PulseConnection::removeStateWatcher(int id) {
    std::erase_if(m_stateWatchers, [id](const auto& entry) { return entry.first == id; });
}

void PulseConnection::signal() {
    pa_threaded_mainloop_signal(m_loop.get(), 0);
}

bool PulseConnection::awaitQuery(const OperationPtr& operation, const std::function<bool()>& done,
                                 std::chrono::milliseconds timeout) {
    if (!operation) {
        return false;
    }
    if (!waitFor(done, timeout)) {
        pa_operation_cancel(operation.get());
        return false;
    }
    return true;
}

void PulseConnection::retire(StreamPtr stream) {
    pa_stream* s = stream.get();
    if (s == nullptr) {
        return;
    }
    pa_stream_set_state_callback(s, &onRetiredState, this);
    pa_stream_set_write_callback(s, nullptr, nullptr);
    pa_stream_set_underflow_callback(s, nullptr, nullptr);
    m_lastRemoval = std::chrono::steady_clock::now();
    const pa_stream_state_t state = pa_stream_get_state(s);
    if (state == PA_STREAM_CREATING) {
        // The context holds a reference of its own: dropped now, the stream would still come
        // up on the server, with nobody to feed or remove it. onRetiredState disconnects it.
        m_retired.push_back(std::move(stream));
        return;
    }
    if (state != PA_STREAM_READY) {
        pa_stream_set_state_callback(s, nullptr, nullptr);
        return;  // never created, or gone with its server
    }
    flushAndDisconnect(s);
    m_retired.push_back(std::move(stream));
}

void PulseConnection::flushAndDisconnect(pa_stream* stream) {
    // Neither is waited for: a server that does not answer must not hold up a stop.
    OperationPtr flush(pa_stream_flush(stream, nullptr, nullptr));
    pa_stream_disconnect(stream);
}

void PulseConnection::retireAfter(StreamPtr stream, pa_usec_t delay) {
    pa_stream* s = stream.get();
    if (s == nullptr || pa_stream_get_state(s) != PA_STREAM_READY || delay == 0) {
        retire(std::move(stream));
        return;
    }
    pa_time_event* event = startTimer(delay, &onRetireDue, this);
    if (event == nullptr) {
        retire(std::move(stream));
        return;
    }
    pa_stream_set_state_callback(s, &onRetiredState, this);
    pa_stream_set_write_callback(s, nullptr, nullptr);
    pa_stream_set_underflow_callback(s, nullptr, nullptr);
    m_lastRemoval = std::chrono::steady_clock::now();
    m_due.push_back({event, s});
    m_retired.push_back(std::move(stream));
}

void PulseConnection::retireAfterLastWrite(StreamPtr stream, std::chrono::milliseconds wait,
                                           LastWrite last) {
    pa_stream* s = stream.get();
    if (s == nullptr || pa_stream_get_state(s) != PA_STREAM_READY) {
        retire(std::move(stream));
        return;
    }
    // Its owner may be gone before the answer comes: nothing of it is called any more.
    pa_stream_set_state_callback(s, nullptr, nullptr);
    pa_stream_set_write_callback(s, nullptr, nullptr);
    pa_stream_set_underflow_callback(s, nullptr, nullptr);
    m_lastRemoval = std::chrono::steady_clock::now();
    auto pending = std::make_unique<PendingWrite>();
    PendingWrite* p = pending.get();
    p->connection = this;
    p->stream = std::move(stream);
    p->last = std::move(last);
    m_pendingWrites.push_back(std::move(pending));
    const pa_usec_t span = static_cast<pa_usec_t>(std::max<std::int64_t>(wait.count(), 0)) * 1000;
    p->timer = startTimer(span, &onLastWriteDue, p);
    p->timing.reset(pa_stream_update_timing_info(s, &onLastWriteTiming, p));
    if (p->timer == nullptr) {
        finishLastWrite(p);  // nothing would bound the wait: the last report serves
    }
}

void PulseConnection::onLastWriteTiming(pa_stream*, int, void* pending) {
    auto* p = static_cast<PendingWrite*>(pending);
    p->timing.reset();
    p->connection->finishLastWrite(p);
}

void PulseConnection::onLastWriteDue(pa_mainloop_api*, pa_time_event*, const timeval*,
                                     void* pending) {
    auto* p = static_cast<PendingWrite*>(pending);
    p->connection->finishLastWrite(p);
}

void PulseConnection::finishLastWrite(PendingWrite* pending) {
    const auto it = std::find_if(m_pendingWrites.begin(), m_pendingWrites.end(),
                                 [pending](const auto& p) { return p.get() == pending; });
    if (it == m_pendingWrites.end()) {
        return;
    }
    const std::unique_ptr<PendingWrite> done = std::move(*it);
    m_pendingWrites.erase(it);
    if (done->timing) {
        pa_operation_cancel(done->timing.get());  // the bound passed first
        done->timing.reset();
    }
    if (done->timer != nullptr) {
        api()->time_free(done->timer);
        done->timer = nullptr;
    }
    pa_stream* s = done->stream.get();
    const pa_usec_t playFor = pa_stream_get_state(s) == PA_STREAM_READY ? done->last(s) : 0;
    retireAfter(std::move(done->stream), playFor);
    signal();  // settle() looks at what is still pending
}

void PulseConnection::onRetireDue(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                                  void* self) {
    auto* connection = static_cast<PulseConnection*>(self);
    auto& due = connection->m_due;
    const auto it = std::find_if(due.begin(), due.end(),
                                 [event](const DueRetirement& d) { return d.event == event; });
    if (it == due.end()) {
        return;
    }
    pa_stream* stream = it->stream;
    due.erase(it);
    api->time_free(event);
    const auto& retired = connection->m_retired;
    const bool held = std::any_of(retired.begin(), retired.end(),
                                  [stream](const StreamPtr& s) { return s.get() == stream; });
    if (held && pa_stream_get_state(stream) == PA_STREAM_READY) {
        connection->m_lastRemoval = std::chrono::steady_clock::now();
        connection->flushAndDisconnect(stream);
    }
}

void PulseConnection::onRetiredState(pa_stream* stream, void* self) {
    auto* connection = static_cast<PulseConnection*>(self);
    if (pa_stream_get_state(stream) == PA_STREAM_READY) {
        // Retired while the server had still to answer for it (retire).
        connection->flushAndDisconnect(stream);
        return;
    }
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        return;
    }
    auto& retired = connection->m_retired;
    const auto it = std::find_if(retired.begin(), retired.end(),
                                 [stream](const StreamPtr& s) { return s.get() == stream; });
    if (it != retired.end()) {
        // libpulse holds a reference of its own while it calls this.
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        connection->m_lastRemoval = std::chrono::steady_clock::now();
        retired.erase(it);
        // A stream that failed before its time came: its timer has nothing left to do.
        auto& due = connection->m_due;
        const auto d = std::find_if(due.begin(), due.end(), [stream](const DueRetirement& r) {
            return r.stream == stream;
        });
        if (d != due.end()) {
            connection->api()->time_free(d->event);
            due.erase(d);
        }
    }
    connection->signal();
}

void PulseConnection::settle(std::chrono::milliseconds linger, std::chrono::milliseconds timeout) {
    if (!m_loop) {
        return;
    }
    LoopLock lock(m_loop.get());
    if (!ready()) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    waitFor([this] { return m_retired.empty() && m_pendingWrites.empty(); }, timeout);
    const auto until = std::min(m_lastRemoval + linger, deadline);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() > 0) {
        waitFor([until] { return std::chrono::steady_clock::now() >= until; }, left);
    }
}

}  // namespace quilbo
