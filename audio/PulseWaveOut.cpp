// The PulseAudio playback back end: a threaded libpulse main loop, one context and one playback
// stream per open device, and a completion thread that returns played pieces to the player.
//
// Why a completion thread of its own: the player refills from inside its completion routine and
// takes its own lock there, while its window thread holds that lock when it queues pieces (which
// needs the libpulse loop lock). Calling the routine from a libpulse callback (loop lock held)
// would let the two threads take the two locks in opposite orders. So libpulse callbacks only
// move finished pieces into a queue; the completion thread calls the routine with no lock held.
#include "audio/PulseWaveOut.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/PulseFormat.h"

namespace quilbo {

namespace {

using namespace std::chrono_literals;

struct MainloopDeleter {
    void operator()(pa_threaded_mainloop* loop) const { pa_threaded_mainloop_free(loop); }
};
struct ContextDeleter {
    void operator()(pa_context* context) const { pa_context_unref(context); }
};
struct StreamDeleter {
    void operator()(pa_stream* stream) const { pa_stream_unref(stream); }
};
struct OperationDeleter {
    void operator()(pa_operation* op) const { pa_operation_unref(op); }
};
using MainloopPtr = std::unique_ptr<pa_threaded_mainloop, MainloopDeleter>;
using ContextPtr = std::unique_ptr<pa_context, ContextDeleter>;
using StreamPtr = std::unique_ptr<pa_stream, StreamDeleter>;
using OperationPtr = std::unique_ptr<pa_operation, OperationDeleter>;

// The loop lock, except on the loop thread itself, which holds it already inside callbacks.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop)
        : m_loop(loop), m_locked(!pa_threaded_mainloop_in_thread(loop)) {
        if (m_locked) {
            pa_threaded_mainloop_lock(m_loop);
        }
    }
    ~LoopLock() {
        if (m_locked) {
            pa_threaded_mainloop_unlock(m_loop);
        }
    }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
    bool m_locked;
};

bool isGood(pa_context_state_t state) {
    return PA_CONTEXT_IS_GOOD(state);
}

bool isGood(pa_stream_state_t state) {
    return PA_STREAM_IS_GOOD(state);
}

pa_usec_t toUsec(std::chrono::microseconds d) {
    return d.count() > 0 ? static_cast<pa_usec_t>(d.count()) : 0;
}

class PulseWaveOutDevice : public WaveOutDevice {
public:
    PulseWaveOutDevice(const PulseFormat& format, WaveOutRoutine routine, void* instance,
                       const PulseWaveOut::Options& options,
                       std::shared_ptr<std::atomic<std::uint64_t>> underflows)
        : m_format(format),
          m_frameBytes(pa_frame_size(&format.spec)),
          m_routine(routine),
          m_instance(instance),
          m_options(options),
          m_underflows(std::move(underflows)) {}

    ~PulseWaveOutDevice() override { close(); }

    WaveResult connect();

    WaveResult prepare(WaveHeader* header) override {
        return header != nullptr ? WaveResult::Ok : WaveResult::Failed;
    }
    WaveResult unprepare(WaveHeader* header) override {
        return header != nullptr ? WaveResult::Ok : WaveResult::Failed;
    }
    WaveResult write(WaveHeader* header) override;
    WaveResult reset() override;
    WaveResult close() override;

private:
    struct Piece {
        WaveHeader* header;
        std::uint64_t begin;  // position of its first byte in the byte stream of this stream
        std::uint64_t end;
    };

    // All of these run on the loop thread or with the loop lock held.
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    bool createStream();
    void dropStream();
    void pump();
    void armTimer(pa_usec_t delay);
    void requestTiming();
    void onTiming();
    void fail();
    std::vector<WaveHeader*> takeAllPieces();
    void finish(std::vector<WaveHeader*> headers);

    static void contextStateCallback(pa_context* context, void* self);
    static void streamStateCallback(pa_stream* stream, void* self);
    static void streamWriteCallback(pa_stream* stream, size_t bytes, void* self);
    static void streamUnderflowCallback(pa_stream* stream, void* self);
    static void timingCallback(pa_stream* stream, int success, void* self);
    static void timerCallback(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                              void* self);
    static void waitTimerCallback(pa_mainloop_api* api, pa_time_event* event,
                                  const struct timeval* tv, void* self);

    void completionThread();
    void waitCompletionsDelivered();

    const PulseFormat m_format;
    const std::size_t m_frameBytes;
    const WaveOutRoutine m_routine;
    void* const m_instance;
    const PulseWaveOut::Options m_options;
    std::shared_ptr<std::atomic<std::uint64_t>> m_underflows;

    // libpulse objects; the stream and what follows are guarded by the loop lock.
    MainloopPtr m_loop;
    ContextPtr m_context;
    StreamPtr m_stream;
    pa_time_event* m_timer = nullptr;
    bool m_timerArmed = false;
    bool m_timingPending = false;
    bool m_failed = false;
    bool m_closed = false;
    std::deque<Piece> m_pieces;    // written and not yet returned, in order
    std::uint64_t m_accepted = 0;  // end of the last piece written on this stream
    std::uint64_t m_sent = 0;      // bytes handed to the stream: whole frames only
    // An underrun leaves the last bytes in the sink's own buffer for sink latency more; they
    // count as played once that time has passed.
    std::uint64_t m_drainIndex = 0;
    pa_usec_t m_drainDue = 0;
    bool m_drainArmed = false;

    // Completion queue, shared with the completion thread (a leaf lock: nothing is called while
    // it is held).
    std::mutex m_doneMutex;
    std::condition_variable m_doneChanged;
    std::deque<WaveHeader*> m_done;
    bool m_delivering = false;
    bool m_quit = false;
    std::thread m_completions;
};

bool PulseWaveOutDevice::waitFor(const std::function<bool()>& done,
                                 std::chrono::milliseconds timeout) {
    // pa_threaded_mainloop_wait has no timeout; a timer event on the loop wakes the wait instead.
    pa_time_event* timer = pa_context_rttime_new(
        m_context.get(), pa_rtclock_now() + toUsec(timeout), &waitTimerCallback, this);
    const pa_usec_t deadline = pa_rtclock_now() + toUsec(timeout);
    bool ok = true;
    while (!done()) {
        if (pa_rtclock_now() >= deadline) {
            ok = false;
            break;
        }
        pa_threaded_mainloop_wait(m_loop.get());
    }
    if (timer != nullptr) {
        pa_threaded_mainloop_get_api(m_loop.get())->time_free(timer);
    }
    return ok;
}

void PulseWaveOutDevice::waitTimerCallback(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                           void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseWaveOutDevice*>(self)->m_loop.get(), 0);
}

WaveResult PulseWaveOutDevice::connect() {
    m_loop.reset(pa_threaded_mainloop_new());
    if (!m_loop) {
        return WaveResult::Failed;
    }
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, m_options.applicationName);
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    m_context.reset(pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop.get()),
                                                 m_options.applicationName, props));
    pa_proplist_free(props);
    if (!m_context) {
        return WaveResult::Failed;
    }
    pa_context_set_state_callback(m_context.get(), &contextStateCallback, this);
    // Never start a server of our own: no server is an open failure the user must see.
    if (pa_context_connect(m_context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return WaveResult::NoDevice;
    }
    if (pa_threaded_mainloop_start(m_loop.get()) < 0) {
        return WaveResult::Failed;
    }
    m_completions = std::thread([this] { completionThread(); });

    LoopLock lock(m_loop.get());
    const bool settled = waitFor(
        [this] {
            const pa_context_state_t state = pa_context_get_state(m_context.get());
            return state == PA_CONTEXT_READY || !isGood(state);
        },
        m_options.serverTimeout);
    if (!settled || pa_context_get_state(m_context.get()) != PA_CONTEXT_READY) {
        return WaveResult::NoDevice;
    }
    return createStream() ? WaveResult::Ok : WaveResult::Failed;
}

bool PulseWaveOutDevice::createStream() {
    pa_stream* stream = pa_stream_new(m_context.get(), "Playback", &m_format.spec, &m_format.map);
    if (stream == nullptr) {
        return false;
    }
    m_stream.reset(stream);
    pa_stream_set_state_callback(stream, &streamStateCallback, this);
    pa_stream_set_write_callback(stream, &streamWriteCallback, this);
    pa_stream_set_underflow_callback(stream, &streamUnderflowCallback, this);

    // The server takes up to serverBuffer of audio (as pacat does by default); playback starts
    // as soon as one frame is there (the default would wait for a full buffer, which a short
    // block never fills).
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(
        pa_usec_to_bytes(toUsec(m_options.serverBuffer), &m_format.spec));
    attr.prebuf = static_cast<std::uint32_t>(m_frameBytes);
    // The client never needs the server's requests for more (it writes each piece as it comes
    // and the buffer has room for all of them), so they are asked for rarely: each one wakes
    // the process.
    attr.minreq = attr.tlength / 2;
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_NOFLAGS);
    if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        dropStream();
        return false;
    }
    const bool settled = waitFor(
        [this] {
            if (!m_stream) {
                return true;
            }
            const pa_stream_state_t state = pa_stream_get_state(m_stream.get());
            return state == PA_STREAM_READY || !isGood(state);
        },
        m_options.serverTimeout);
    if (!settled || !m_stream || pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        dropStream();
        return false;
    }
    m_accepted = 0;
    m_sent = 0;
    m_drainArmed = false;
    return true;
}

void PulseWaveOutDevice::dropStream() {
    if (!m_stream) {
        return;
    }
    pa_stream* stream = m_stream.get();
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) == PA_STREAM_READY) {
        // Flush first so the server throws away what it holds at once, then leave. Neither is
        // waited for: a server that does not answer must not hold up a stop.
        OperationPtr flush(pa_stream_flush(stream, nullptr, nullptr));
    }
    if (isGood(pa_stream_get_state(stream))) {
        pa_stream_disconnect(stream);
    }
    m_stream.reset();
    m_timingPending = false;
    m_timerArmed = false;  // a timer still set finds no stream and does nothing
}

WaveResult PulseWaveOutDevice::write(WaveHeader* header) {
    if (header == nullptr || !m_loop) {
        return WaveResult::Failed;
    }
    LoopLock lock(m_loop.get());
    if (m_failed || m_closed) {
        return WaveResult::Failed;
    }
    if (!m_stream && !createStream()) {
        return WaveResult::Failed;
    }
    const std::uint64_t begin = m_accepted;
    m_accepted += header->dwBufferLength;
    m_pieces.push_back({header, begin, m_accepted});
    pump();
    if (!m_timerArmed) {
        requestTiming();  // otherwise the armed timer looks at the pieces when one should be done
    }
    return WaveResult::Ok;
}

void PulseWaveOutDevice::pump() {
    if (!m_stream || pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        return;
    }
    std::size_t writable = pa_stream_writable_size(m_stream.get());
    if (writable == static_cast<std::size_t>(-1)) {
        return;
    }
    // Whole frames only: a frame that straddles two pieces goes out once both are here.
    std::uint64_t available = m_accepted - m_sent;
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(writable, available));
    want -= want % m_frameBytes;
    while (want > 0) {
        void* buffer = nullptr;
        std::size_t bytes = want;
        if (pa_stream_begin_write(m_stream.get(), &buffer, &bytes) < 0 || buffer == nullptr) {
            return;
        }
        bytes = std::min(bytes, want);
        bytes -= bytes % m_frameBytes;
        if (bytes == 0) {
            pa_stream_cancel_write(m_stream.get());
            return;
        }
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::uint64_t position = m_sent;
        const std::uint64_t stop = m_sent + bytes;
        for (const Piece& piece : m_pieces) {
            if (piece.end <= position) {
                continue;
            }
            if (position >= stop) {
                break;
            }
            const std::uint64_t take = std::min(piece.end, stop) - position;
            std::memcpy(out, piece.header->lpData + (position - piece.begin),
                        static_cast<std::size_t>(take));
            out += take;
            position += take;
        }
        if (pa_stream_write(m_stream.get(), buffer, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            return;
        }
        m_sent += bytes;
        want -= bytes;
    }
}

void PulseWaveOutDevice::armTimer(pa_usec_t delay) {
    const pa_usec_t when = pa_rtclock_now() + delay;
    m_timerArmed = true;
    if (m_timer == nullptr) {
        m_timer = pa_context_rttime_new(m_context.get(), when, &timerCallback, this);
    } else {
        pa_context_rttime_restart(m_context.get(), m_timer, when);
    }
}

void PulseWaveOutDevice::timerCallback(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                       void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    device->m_timerArmed = false;
    device->requestTiming();
}

void PulseWaveOutDevice::requestTiming() {
    if (!m_stream || m_timingPending || m_pieces.empty() ||
        pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        return;
    }
    OperationPtr op(pa_stream_update_timing_info(m_stream.get(), &timingCallback, this));
    m_timingPending = op != nullptr;
}

void PulseWaveOutDevice::timingCallback(pa_stream* stream, int success, void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    if (stream != device->m_stream.get()) {
        return;  // an answer for a stream that has since been dropped
    }
    device->m_timingPending = false;
    if (success) {
        device->onTiming();
    } else if (!device->m_pieces.empty()) {
        device->armTimer(20000);
    }
}

void PulseWaveOutDevice::onTiming() {
    const pa_timing_info* timing = pa_stream_get_timing_info(m_stream.get());
    if (timing == nullptr || timing->read_index_corrupt || timing->read_index < 0) {
        armTimer(20000);
        return;
    }
    // A piece is done once it has been played, not merely handed over: what the sink has read
    // minus what still sits in the sink's own buffer.
    const auto readIndex = static_cast<std::uint64_t>(timing->read_index);
    const std::uint64_t inSink = pa_usec_to_bytes(timing->sink_usec, &m_format.spec);
    std::uint64_t played = readIndex > inSink ? readIndex - inSink : 0;
    const pa_usec_t now = pa_rtclock_now();
    if (!timing->playing && readIndex >= m_sent) {
        // Ran dry: everything read is in the sink, which plays it out within its latency.
        if (!m_drainArmed || m_drainIndex != readIndex) {
            m_drainArmed = true;
            m_drainIndex = readIndex;
            m_drainDue = now + timing->sink_usec;
        }
    }
    if (m_drainArmed && now >= m_drainDue) {
        played = std::max(played, m_drainIndex);
    }
    played = std::min(played, m_sent);

    std::vector<WaveHeader*> finished;
    while (!m_pieces.empty() && m_pieces.front().end <= played) {
        finished.push_back(m_pieces.front().header);
        m_pieces.pop_front();
    }
    finish(std::move(finished));
    if (m_pieces.empty()) {
        return;
    }
    // Look again when the next piece should have played out, or, while much more is queued,
    // when half of the queue has: pieces then come back two or three at a time, with plenty
    // still queued, and the process wakes less often.
    auto untilPlayed = [&](std::uint64_t end) {
        return pa_bytes_to_usec(end - std::min(played, end), &m_format.spec);
    };
    pa_usec_t delay =
        std::max(untilPlayed(m_pieces.front().end), untilPlayed(m_pieces.back().end) / 2);
    if (m_drainArmed && m_drainDue > now) {
        delay = std::min(delay, m_drainDue - now);
    }
    armTimer(std::clamp<pa_usec_t>(delay + 2000, 4000, 1000000));
}

void PulseWaveOutDevice::streamWriteCallback(pa_stream*, size_t, void* self) {
    static_cast<PulseWaveOutDevice*>(self)->pump();
}

void PulseWaveOutDevice::streamUnderflowCallback(pa_stream*, void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    device->m_underflows->fetch_add(1);
    device->requestTiming();
}

void PulseWaveOutDevice::contextStateCallback(pa_context* context, void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    if (!isGood(pa_context_get_state(context))) {
        device->fail();
    }
    pa_threaded_mainloop_signal(device->m_loop.get(), 0);
}

void PulseWaveOutDevice::streamStateCallback(pa_stream* stream, void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    if (!isGood(pa_stream_get_state(stream))) {
        device->fail();
    }
    pa_threaded_mainloop_signal(device->m_loop.get(), 0);
}

void PulseWaveOutDevice::fail() {
    // The server has gone (or dropped our stream): every piece comes back unplayed and every
    // later write is refused, so the player runs out of pieces and stops.
    m_failed = true;
    finish(takeAllPieces());
}

std::vector<WaveHeader*> PulseWaveOutDevice::takeAllPieces() {
    std::vector<WaveHeader*> headers;
    for (const Piece& piece : m_pieces) {
        headers.push_back(piece.header);
    }
    m_pieces.clear();
    return headers;
}

void PulseWaveOutDevice::finish(std::vector<WaveHeader*> headers) {
    if (headers.empty()) {
        return;
    }
    {
        std::lock_guard lock(m_doneMutex);
        m_done.insert(m_done.end(), headers.begin(), headers.end());
    }
    m_doneChanged.notify_all();
}

void PulseWaveOutDevice::completionThread() {
    std::unique_lock lock(m_doneMutex);
    for (;;) {
        m_doneChanged.wait(lock, [this] { return m_quit || !m_done.empty(); });
        if (m_done.empty()) {
            return;  // quitting, and everything has been handed back
        }
        WaveHeader* header = m_done.front();
        m_done.pop_front();
        m_delivering = true;
        lock.unlock();
        m_routine(this, WaveOutMessage::Done, m_instance, header);
        lock.lock();
        m_delivering = false;
        m_doneChanged.notify_all();
    }
}

void PulseWaveOutDevice::waitCompletionsDelivered() {
    if (std::this_thread::get_id() == m_completions.get_id()) {
        return;  // called from the routine: what is queued follows once it returns
    }
    std::unique_lock lock(m_doneMutex);
    m_doneChanged.wait_for(lock, m_options.serverTimeout,
                           [this] { return m_done.empty() && !m_delivering; });
}

WaveResult PulseWaveOutDevice::reset() {
    if (!m_loop) {
        return WaveResult::Failed;
    }
    {
        LoopLock lock(m_loop.get());
        if (m_closed) {
            return WaveResult::Failed;
        }
        // A new stream is made at the next write: a flushed stream's indices no longer match
        // the pieces' positions.
        dropStream();
        finish(takeAllPieces());
        m_accepted = 0;
        m_sent = 0;
        m_drainArmed = false;
    }
    waitCompletionsDelivered();
    return WaveResult::Ok;
}

WaveResult PulseWaveOutDevice::close() {
    if (!m_loop) {
        return WaveResult::Ok;  // never connected, or closed already
    }
    {
        LoopLock lock(m_loop.get());
        m_closed = true;  // read by write() on the completion thread, under the loop lock
        dropStream();
        finish(takeAllPieces());
        if (m_timer != nullptr) {
            pa_threaded_mainloop_get_api(m_loop.get())->time_free(m_timer);
            m_timer = nullptr;
        }
        if (m_context) {
            pa_context_set_state_callback(m_context.get(), nullptr, nullptr);
            pa_context_disconnect(m_context.get());
        }
    }
    if (m_completions.joinable()) {
        {
            std::lock_guard lock(m_doneMutex);
            m_quit = true;
        }
        m_doneChanged.notify_all();
        if (std::this_thread::get_id() == m_completions.get_id()) {
            m_completions.detach();  // misuse (close from the routine); never joins itself
        } else {
            m_completions.join();
        }
    }
    pa_threaded_mainloop_stop(m_loop.get());
    m_stream.reset();
    m_context.reset();
    m_loop.reset();
    return WaveResult::Ok;
}

}  // namespace

PulseWaveOut::PulseWaveOut() : PulseWaveOut(Options{}) {}

PulseWaveOut::PulseWaveOut(Options options)
    : m_options(options), m_underflows(std::make_shared<std::atomic<std::uint64_t>>(0)) {}

PulseWaveOut::~PulseWaveOut() = default;

WaveResult PulseWaveOut::queryFormat(const WaveFormatExtensible& format) {
    return toPulseFormat(format) ? WaveResult::Ok : WaveResult::BadFormat;
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
    auto device = std::make_unique<PulseWaveOutDevice>(*pulseFormat, routine, instance, m_options,
                                                       m_underflows);
    const WaveResult connected = device->connect();
    report(connected);
    if (connected != WaveResult::Ok) {
        return nullptr;  // the device closes itself, bounded, as it goes
    }
    return device;
}

}  // namespace quilbo
