// The playback device: stream set-up, writes, the drain at the end of what was written, the
// played-position timer, reset and close.
#include "audio/PulseWaveOutDevice.h"

#include <pulse/rtclock.h>

#include <algorithm>

namespace quilbo {

namespace {

constexpr std::size_t kLargestBuffer = 2 * 1024 * 1024;

pa_usec_t toUsec(std::chrono::microseconds d) {
    return d.count() > 0 ? static_cast<pa_usec_t>(d.count()) : 0;
}

}  // namespace

PulseWaveOutDevice::PulseWaveOutDevice(std::shared_ptr<PulseConnection> connection,
                                       const PulseFormat& format, WaveOutRoutine routine,
                                       void* instance, const PulseWaveOut::Options& options,
                                       std::shared_ptr<std::atomic<std::uint64_t>> underflows)
    : m_connection(std::move(connection)),
      m_format(format),
      m_options(options),
      m_underflows(std::move(underflows)),
      m_pieces(pa_frame_size(&format.spec)),
      m_position(format.spec),
      m_completions([this, routine, instance](WaveHeader* header) {
          routine(this, WaveOutMessage::Done, instance, header);
      }) {}

PulseWaveOutDevice::~PulseWaveOutDevice() {
    close();
}

bool PulseWaveOutDevice::start() {
    LoopLock lock(m_connection->loop());
    return createStream();
}

WaveResult PulseWaveOutDevice::prepare(WaveHeader* header) {
    return header != nullptr ? WaveResult::Ok : WaveResult::Failed;
}

WaveResult PulseWaveOutDevice::unprepare(WaveHeader* header) {
    return header != nullptr ? WaveResult::Ok : WaveResult::Failed;
}

bool PulseWaveOutDevice::createStream() {
    pa_context* context = m_connection->context();
    if (context == nullptr || !m_connection->ready()) {
        return false;
    }
    m_stream.reset(pa_stream_new(context, "Playback", &m_format.spec, &m_format.map));
    if (!m_stream) {
        return false;
    }
    pa_stream_set_state_callback(m_stream.get(), &onStreamState, this);
    pa_stream_set_write_callback(m_stream.get(), &onWritable, this);
    pa_stream_set_underflow_callback(m_stream.get(), &onUnderflow, this);

    // The server may hold up to serverBuffer of audio, so every queued piece goes to it at once,
    // but no more than half of the 4 MiB most servers cap a stream's buffer at: past that cap a
    // PulseAudio server asks for more only once the stream has run dry (one dropout every 4 MiB
    // at 192000 Hz x 6 x 32 bits). It asks for more each time a quarter of it has played.
    // Playback starts with the first frame: the default would wait for a full buffer, which a
    // short block never fills.
    const std::size_t frame = pa_frame_size(&m_format.spec);
    const std::size_t buffer = std::min<std::size_t>(
        pa_usec_to_bytes(toUsec(m_options.serverBuffer), &m_format.spec), kLargestBuffer);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(buffer - buffer % frame);
    attr.prebuf = static_cast<std::uint32_t>(frame);
    attr.minreq = static_cast<std::uint32_t>(attr.tlength / 4 - attr.tlength / 4 % frame);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    if (pa_stream_connect_playback(m_stream.get(), nullptr, &attr, PA_STREAM_NOFLAGS, nullptr,
                                   nullptr) < 0) {
        dropStream();
        return false;
    }
    const bool settled = m_connection->waitFor(
        [this] { return !m_stream || pa_stream_get_state(m_stream.get()) != PA_STREAM_CREATING; },
        m_options.serverTimeout);
    if (!settled || !m_stream || pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        dropStream();
        return false;
    }
    m_position.restart();
    return true;
}

void PulseWaveOutDevice::dropStream() {
    if (!m_stream) {
        return;
    }
    // Answers still on their way would find this device gone or the stream replaced.
    for (OperationPtr* op : {&m_timing, &m_drain}) {
        if (*op) {
            pa_operation_cancel(op->get());
            op->reset();
        }
    }
    m_timerArmed = false;  // a timer still set finds no pieces and does nothing
    m_connection->retire(std::move(m_stream));
}

WaveResult PulseWaveOutDevice::write(WaveHeader* header) {
    if (header == nullptr) {
        return WaveResult::Failed;
    }
    LoopLock lock(m_connection->loop());
    if (m_failed || m_closed || (!m_stream && !createStream())) {
        return WaveResult::Failed;
    }
    m_pieces.add(header);
    feed();
    if (!m_timerArmed) {
        requestTiming();  // otherwise the armed timer looks at the pieces when one should be done
    }
    return WaveResult::Ok;
}

void PulseWaveOutDevice::feed() {
    if (!m_stream || pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        return;
    }
    m_pieces.pump(m_stream.get());
    requestDrain();
}

void PulseWaveOutDevice::requestDrain() {
    // Once everything written is at the server, a drain is kept asked for. PipeWire's pulse
    // service plays only whole graph cycles and holds back a last part shorter than one until
    // the stream drains (as pacat does at its end); without the drain the end of a block would
    // never be heard nor come back. While more follows in time a pending drain changes nothing
    // on either server: it only acts once the stream runs dry.
    if (m_drain || m_pieces.empty() || !m_pieces.allSent()) {
        return;
    }
    m_drain.reset(pa_stream_drain(m_stream.get(), &onDrained, this));
}

void PulseWaveOutDevice::onDrained(pa_stream*, int, void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    device->m_drain.reset();
    device->requestTiming();
}

void PulseWaveOutDevice::requestTiming() {
    if (!m_stream || m_timing || m_pieces.empty() ||
        pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        return;
    }
    m_timing.reset(pa_stream_update_timing_info(m_stream.get(), &onTimingInfo, this));
}

void PulseWaveOutDevice::onTimingInfo(pa_stream*, int success, void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    device->m_timing.reset();
    if (success) {
        device->onTiming();
    } else if (!device->m_pieces.empty()) {
        device->armTimer(20000);
    }
}

void PulseWaveOutDevice::onTiming() {
    const pa_timing_info* timing = pa_stream_get_timing_info(m_stream.get());
    if (timing == nullptr || timing->read_index_corrupt) {
        armTimer(20000);
        return;
    }
    const pa_usec_t now = pa_rtclock_now();
    const std::uint64_t played =
        m_position.update(timing->read_index, timing->sink_usec, m_pieces.sent(), now);
    m_completions.push(m_pieces.takeUpTo(played));
    if (!m_pieces.empty()) {
        armTimer(m_position.nextLook(played, m_pieces.firstEnd(), now));
    }
}

void PulseWaveOutDevice::armTimer(pa_usec_t delay) {
    const pa_usec_t when = pa_rtclock_now() + delay;
    m_timerArmed = true;
    if (m_timer == nullptr) {
        m_timer = pa_context_rttime_new(m_connection->context(), when, &onTimer, this);
    } else {
        pa_context_rttime_restart(m_connection->context(), m_timer, when);
    }
}

void PulseWaveOutDevice::onTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                 void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    device->m_timerArmed = false;
    device->requestTiming();
}

void PulseWaveOutDevice::onWritable(pa_stream*, size_t, void* self) {
    static_cast<PulseWaveOutDevice*>(self)->feed();
}

void PulseWaveOutDevice::onUnderflow(pa_stream*, void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    device->m_underflows->fetch_add(1);
    device->requestTiming();
}

void PulseWaveOutDevice::onStreamState(pa_stream* stream, void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        device->fail();
    }
    device->m_connection->signal();
}

void PulseWaveOutDevice::fail() {
    // The server has gone (or dropped our stream): every piece comes back unplayed and every
    // later write is refused, so the player runs out of pieces and stops.
    m_failed = true;
    m_completions.push(m_pieces.takeAll());
}

WaveResult PulseWaveOutDevice::reset() {
    {
        LoopLock lock(m_connection->loop());
        if (m_closed) {
            return WaveResult::Failed;
        }
        // A new stream is made at the next write: a flushed stream's indices no longer match
        // the pieces' positions.
        dropStream();
        m_completions.push(m_pieces.takeAll());
    }
    m_completions.waitDelivered(m_options.serverTimeout);
    return WaveResult::Ok;
}

WaveResult PulseWaveOutDevice::close() {
    {
        LoopLock lock(m_connection->loop());
        if (m_closed) {
            return WaveResult::Ok;
        }
        m_closed = true;  // read by write() on the completion thread, under the loop lock
        dropStream();
        m_completions.push(m_pieces.takeAll());
        if (m_timer != nullptr) {
            m_connection->api()->time_free(m_timer);
            m_timer = nullptr;
        }
    }
    // After this the routine is never called again.
    m_completions.stop();
    return WaveResult::Ok;
}

}  // namespace quilbo
