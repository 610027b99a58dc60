// The program's one libpulse connection (PulseServer owns it): a threaded main loop with a context
// on it, the loop lock, bounded waits and the owning pointers for libpulse objects.
#pragma once

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/operation.h>
#include <pulse/stream.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quilbo {

struct ContextDeleter {
    void operator()(pa_context* context) const { pa_context_unref(context); }
};
struct StreamDeleter {
    void operator()(pa_stream* stream) const { pa_stream_unref(stream); }
};
struct OperationDeleter {
    void operator()(pa_operation* operation) const { pa_operation_unref(operation); }
};
using ContextPtr = std::unique_ptr<pa_context, ContextDeleter>;
using StreamPtr = std::unique_ptr<pa_stream, StreamDeleter>;
using OperationPtr = std::unique_ptr<pa_operation, OperationDeleter>;

// The loop lock, for threads other than the loop's own (callbacks hold it already). It does not
// ask libpulse which thread it is on: that lazily sets up libpulse's thread bookkeeping through
// atomics ThreadSanitizer cannot see, and it reports a race that is none.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : m_loop(loop) {
        if (m_loop != nullptr) {
            pa_threaded_mainloop_lock(m_loop);
        }
    }
    ~LoopLock() {
        if (m_loop != nullptr) {
            pa_threaded_mainloop_unlock(m_loop);
        }
    }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

// Threads: the loop runs on a thread of its own, where every libpulse callback runs with the
// loop lock held. Everything below that touches the context wants the loop lock (LoopLock).
class PulseConnection {
public:
    // Called on the loop thread at every change of the context's state.
    using StateHandler = std::function<void(pa_context*)>;
    // Called on the loop thread at every change of the context's state, after the StateHandler.
    using StateWatcher = std::function<void(pa_context_state_t)>;
    // Called on the loop thread for every sink, source or server event once subscribe() has run;
    // facility and type as libpulse gives them, index of the device.
    using SinkEventHandler = std::function<void(pa_subscription_event_type_t, std::uint32_t)>;

    PulseConnection();
    // Disconnects and joins the loop thread: never call it on the loop thread.
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    bool startLoop();
    pa_threaded_mainloop* loop() const { return m_loop.get(); }
    pa_mainloop_api* api() const;
    pa_context* context() const { return m_context.get(); }
    bool ready() const;

    // Replaces the context with a new one connecting to server (empty: the default server). A
    // server is never started for us: no server is a failure the caller reports.
    bool connect(const std::string& server, const char* applicationName, StateHandler onState);
    void disconnect();
    // Waits, loop lock held and not on the loop thread, until done() holds or timeout passes;
    // returns done(). Callbacks that change what done() reads call signal().
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    void signal();
    // Waits as waitFor does for a query the caller started (loop lock held) whose answer goes to
    // the caller's stack: when the bound passes first, the query is cancelled, so that no late
    // answer can reach what is gone. False without an operation or when the bound passed.
    bool awaitQuery(const OperationPtr& operation, const std::function<bool()>& done,
                    std::chrono::milliseconds timeout);

    // Timers on the monotonic clock (libpulse's rtclock): a calendar clock that is stepped or
    // runs fast neither fires them early nor holds them back. They work with or without a
    // connected context. Loop lock held; start returns null when the loop has none to give.
    pa_time_event* startTimer(pa_usec_t delay, pa_time_event_cb_t callback, void* userdata);
    void restartTimer(pa_time_event* timer, pa_usec_t delay);

    // Asks the server for sink, source and server events (the context must be ready) and hands
    // each to every handler added. Loop lock held for all of these.
    void subscribe();
    int addSinkEventHandler(SinkEventHandler handler);
    void removeSinkEventHandler(int id);
    void removeSinkEventHandlers();
    // Watchers of the context's state (a stream waiting for the connection). Loop lock held.
    int addStateWatcher(StateWatcher watcher);
    void removeStateWatcher(int id);

    // Takes a stream the owner has finished with: it is flushed (the server drops what it holds)
    // and disconnected, and kept here until the server has removed it. A stream the server has
    // not answered for yet cannot be disconnected: it is kept until the answer comes, then
    // disconnected, so that none is left behind on the server.
    void retire(StreamPtr stream);
    // As retire, but the stream goes on playing what it holds for delay first (a fade written
    // to it plays out; nobody feeds it any more).
    void retireAfter(StreamPtr stream, pa_usec_t delay);
    // Takes a stream whose last write needs the server's word on where it is (a stop's fade):
    // asks for a timing report and, once it has come or wait has passed, runs last on the loop
    // thread, which writes and says how long the stream plays on; then retires it as retireAfter
    // does. Nobody waits for any of it.
    using LastWrite = std::function<pa_usec_t(pa_stream*)>;
    void retireAfterLastWrite(StreamPtr stream, std::chrono::milliseconds wait, LastWrite last);
    // Waits (bounded) until the server has removed every retired stream and at least linger has
    // passed since: the server may still use a stream's audio blocks for a moment after it has
    // gone (a monitor recording holds them), and a PulseAudio 16 server aborts when the client
    // that shared those blocks disconnects meanwhile.
    void settle(std::chrono::milliseconds linger, std::chrono::milliseconds timeout);

private:
    struct PendingWrite;
    static void onRetiredState(pa_stream* stream, void* self);
    static void onLastWriteTiming(pa_stream* stream, int success, void* pending);
    static void onLastWriteDue(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                               void* pending);
    void finishLastWrite(PendingWrite* pending);
    static void onRetireDue(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                            void* self);
    void flushAndDisconnect(pa_stream* stream);
    void stopLoop();

    struct LoopDeleter {
        void operator()(pa_threaded_mainloop* loop) const { pa_threaded_mainloop_free(loop); }
    };
    std::unique_ptr<pa_threaded_mainloop, LoopDeleter> m_loop;
    ContextPtr m_context;
    // Never connected: it only lends its loop's monotonic timers (a real context comes and goes).
    ContextPtr m_clock;
    StateHandler m_onState;
    std::vector<std::pair<int, SinkEventHandler>> m_sinkHandlers;  // under the loop lock
    std::vector<std::pair<int, StateWatcher>> m_stateWatchers;     // under the loop lock
    int m_nextHandlerId = 1;
    std::vector<StreamPtr> m_retired;  // under the loop lock
    struct DueRetirement {
        pa_time_event* event;
        pa_stream* stream;  // one of m_retired, while it is there
    };
    std::vector<DueRetirement> m_due;  // under the loop lock
    struct PendingWrite {
        PulseConnection* connection;
        StreamPtr stream;
        OperationPtr timing;
        pa_time_event* timer = nullptr;
        LastWrite last;
    };
    std::vector<std::unique_ptr<PendingWrite>> m_pendingWrites;  // under the loop lock
    std::chrono::steady_clock::time_point m_lastRemoval;
    bool m_running = false;
};

}  // namespace quilbo
