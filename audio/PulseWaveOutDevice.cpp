// The playback device: stream set-up, writes, the drain at the end of what was written, the
// played-position timer, reset and close.
#include "audio/PulseWaveOutDevice.h"

#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <vector>

#include "audio/Logging.h"
#include "audio/StopFade.h"

namespace quilbo {

namespace {

constexpr std::size_t kLargestBuffer = 2 * 1024 * 1024;

pa_usec_t toUsec(std::chrono::microseconds d) {
    return d.count() > 0 ? static_cast<pa_usec_t>(d.count()) : 0;
}

// PipeWire's pulse service fills the end of an unsigned 8-bit stream with zero bytes, full
// negative scale, for a graph cycle after the last piece; a 16-bit stream's zero is silence. The
// widening is exact both ways: (b - 128) << 8 narrows back to b at an 8-bit sink.
pa_sample_spec wireSpecOf(const pa_sample_spec& spec) {
    pa_sample_spec wire = spec;
    if (spec.format == PA_SAMPLE_U8) {
        wire.format = PA_SAMPLE_S16LE;
    }
    return wire;
}

}  // namespace

PulseWaveOutDevice::PulseWaveOutDevice(std::shared_ptr<PulseConnection> connection,
                                       const PulseFormat& format, const FadeLayout& fadeLayout,
                                       std::string sink, WaveOutRoutine routine, void* instance,
                                       const PulseWaveOut::Options& options,
                                       std::shared_ptr<std::atomic<std::uint64_t>> underflows)
    : m_connection(std::move(connection)),
      m_format(format),
      m_wireSpec(wireSpecOf(format.spec)),
      m_widen(pa_sample_size(&m_wireSpec) / pa_sample_size(&format.spec)),
      m_sink(std::move(sink)),
      m_options(options),
      m_fadeLayout(fadeLayout),
      m_routine(routine),
      m_instance(instance),
      m_underflows(std::move(underflows)),
      m_pieces(pa_frame_size(&format.spec), m_widen),
      m_streamTiming(format.spec, pa_frame_size(&format.spec) * m_widen),
      m_completions([this](WaveOutMessage message, WaveHeader* header) {
          m_routine(this, message, m_instance, header);
      }) {}

PulseWaveOutDevice::~PulseWaveOutDevice() {
    close();
}

bool PulseWaveOutDevice::start() {
    LoopLock lock(m_connection->loop());
    m_sinkHandler = m_connection->addSinkEventHandler(
        [this](pa_subscription_event_type_t type, std::uint32_t index) {
            onSinkEvent(type, index);
        });
    m_stateWatcher = m_connection->addStateWatcher(
        [this](pa_context_state_t state) { onConnectionState(state); });
    return openStream();
}

bool PulseWaveOutDevice::openStream() {
    if (m_connection->ready()) {
        if (!createStream()) {
            return false;
        }
    } else {
        m_awaitingServer = true;  // onConnectionState asks for the stream
    }
    m_opening = true;
    const auto bound =
        std::chrono::duration_cast<std::chrono::microseconds>(m_options.serverTimeout);
    m_openDeadline = m_connection->startTimer(toUsec(bound), &onOpenDeadline, this);
    return true;
}

void PulseWaveOutDevice::onConnectionState(pa_context_state_t state) {
    if (!m_awaitingServer) {
        return;
    }
    if (state == PA_CONTEXT_READY) {
        m_awaitingServer = false;
        if (!createStream()) {
            openFailed("the server refused a stream");
        }
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        openFailed("no sound server answered");
    }
}

void PulseWaveOutDevice::onOpenDeadline(pa_mainloop_api* api, pa_time_event* event,
                                        const struct timeval*, void* self) {
    auto* device = static_cast<PulseWaveOutDevice*>(self);
    api->time_free(event);
    device->m_openDeadline = nullptr;
    if (device->m_opening) {
        device->openFailed("the server did not answer in time");
    }
}

void PulseWaveOutDevice::streamReady() {
    m_opening = false;
    if (m_openDeadline != nullptr) {
        m_connection->api()->time_free(m_openDeadline);
        m_openDeadline = nullptr;
    }
    qCDebug(lcAudio) << "stream open on sink" << pa_stream_get_device_name(m_stream.get()) << "rate"
                     << m_wireSpec.rate << "channels" << m_wireSpec.channels;
    m_streamTiming.restart();
    m_completions.pushNotice(WaveOutMessage::Open);
    feed();
    if (!m_timerArmed) {
        requestTiming();
    }
}

void PulseWaveOutDevice::openFailed(const char* why) {
    // Nothing was heard: the routine hears OpenFailed, then every piece comes back unplayed and
    // every later write is refused, as after a loss.
    qCWarning(lcAudio) << "cannot open the output" << m_sink.c_str() << ":" << why;
    dropStream();
    m_failed = true;
    m_completions.pushNotice(WaveOutMessage::OpenFailed);
    m_completions.push(m_pieces.takeAll());
}

void PulseWaveOutDevice::onSinkEvent(pa_subscription_event_type_t type, std::uint32_t index) {
    // A stream whose sink goes is not always failed by the server: PipeWire's pulse service
    // leaves it unlinked and playing into nothing. Either way the output is lost.
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SINK ||
        (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_REMOVE || !m_stream ||
        m_failed || pa_stream_get_state(m_stream.get()) != PA_STREAM_READY ||
        pa_stream_get_device_index(m_stream.get()) != index) {
        return;
    }
    fail("its sink was removed");
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
    m_stream.reset(pa_stream_new(context, "Playback", &m_wireSpec, &m_format.map));
    if (!m_stream) {
        qCWarning(lcAudio) << "the server refused a stream:"
                           << pa_strerror(pa_context_errno(context));
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
    const std::size_t frame = pa_frame_size(&m_wireSpec);
    const std::size_t buffer = std::min<std::size_t>(
        pa_usec_to_bytes(toUsec(m_options.serverBuffer), &m_wireSpec), kLargestBuffer);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(buffer - buffer % frame);
    attr.prebuf = static_cast<std::uint32_t>(frame);
    attr.minreq = static_cast<std::uint32_t>(attr.tlength / 4 - attr.tlength / 4 % frame);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    // A named sink, and no move elsewhere: the stream plays where it was asked to or fails.
    const pa_stream_flags_t flags = m_sink.empty() ? PA_STREAM_NOFLAGS : PA_STREAM_DONT_MOVE;
    if (pa_stream_connect_playback(m_stream.get(), m_sink.empty() ? nullptr : m_sink.c_str(), &attr,
                                   flags, nullptr, nullptr) < 0) {
        qCWarning(lcAudio) << "cannot open the output" << m_sink.c_str() << ":"
                           << pa_strerror(pa_context_errno(context));
        dropStream();
        return false;
    }
    return true;  // onStreamState hears whether the server makes it
}

void PulseWaveOutDevice::dropStream() {
    m_opening = false;
    m_awaitingServer = false;
    if (m_openDeadline != nullptr) {
        m_connection->api()->time_free(m_openDeadline);
        m_openDeadline = nullptr;
    }
    // Answers still on their way would find this device gone or the stream replaced.
    for (OperationPtr* op : {&m_timing, &m_drain}) {
        if (*op) {
            pa_operation_cancel(op->get());
            op->reset();
        }
    }
    m_timerArmed = false;  // a timer still set finds no pieces and does nothing
    if (m_stream) {
        m_connection->retire(std::move(m_stream));
    }
}

WaveResult PulseWaveOutDevice::write(WaveHeader* header) {
    if (header == nullptr) {
        return WaveResult::Failed;
    }
    LoopLock lock(m_connection->loop());
    if (m_failed || m_closed || (!m_stream && !m_awaitingServer && !openStream())) {
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
    if (!m_streamTiming.take(pa_stream_get_timing_info(m_stream.get()))) {
        armTimer(20000);
        return;
    }
    const std::size_t frame = pa_frame_size(&m_format.spec);
    const pa_usec_t now = pa_rtclock_now();
    const std::uint64_t played = m_streamTiming.played(m_pieces.sent() / frame, now);
    m_completions.push(m_pieces.takeUpTo(played * frame));
    if (!m_pieces.empty()) {
        armTimer(m_streamTiming.nextLook(played, m_pieces.firstEnd(), now));
    }
}

void PulseWaveOutDevice::armTimer(pa_usec_t delay) {
    m_timerArmed = true;
    if (m_timer == nullptr) {
        m_timer = m_connection->startTimer(delay, &onTimer, this);
    } else {
        m_connection->restartTimer(m_timer, delay);
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
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY && device->m_opening) {
        device->streamReady();
    } else if (!PA_STREAM_IS_GOOD(state) && !device->m_failed) {
        const char* why = pa_strerror(pa_context_errno(pa_stream_get_context(stream)));
        if (device->m_opening) {
            device->openFailed(why);
        } else {
            device->fail(why);
        }
    }
    device->m_connection->signal();
}

void PulseWaveOutDevice::fail(const char* why) {
    // The server has gone, or dropped our stream, or its sink went: the routine hears Lost, then
    // every piece comes back unplayed and every later write is refused.
    qCWarning(lcAudio) << "the output stream broke:" << why;
    m_failed = true;
    m_completions.pushNotice(WaveOutMessage::Lost);
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

WaveResult PulseWaveOutDevice::fadeOut() {
    {
        LoopLock lock(m_connection->loop());
        if (m_closed) {
            return WaveResult::Failed;
        }
        handOverFade();
        m_completions.push(m_pieces.takeAll());
    }
    m_completions.waitDelivered(m_options.serverTimeout);
    return WaveResult::Ok;
}

void PulseWaveOutDevice::handOverFade() {
    if (!m_fadeLayout.valid() || !m_stream || m_pieces.empty() ||
        pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        dropStream();
        return;
    }
    // Where the fade begins is worked out from a fresh report, which nobody waits for: the
    // connection writes it when the report comes, from a copy of what is queued now.
    const std::uint64_t base = m_pieces.firstBegin();
    std::vector<std::uint8_t> queued(static_cast<std::size_t>(m_pieces.accepted() - base));
    m_pieces.copyOut(base, queued.data(), queued.size());
    auto fade = std::make_shared<StopFade>(m_format.spec, m_fadeLayout, m_widen, m_streamTiming,
                                           base, m_pieces.sent(), std::move(queued));
    StreamPtr stream = std::move(m_stream);
    dropStream();  // what was on its way for the stream
    m_connection->retireAfterLastWrite(std::move(stream), StreamTiming::kFadeTimingWait,
                                       [fade](pa_stream* s) { return fade->write(s); });
}

WaveResult PulseWaveOutDevice::close() {
    {
        LoopLock lock(m_connection->loop());
        if (m_closed) {
            return WaveResult::Ok;
        }
        m_closed = true;  // read by write() on the completion thread, under the loop lock
        m_connection->removeSinkEventHandler(m_sinkHandler);
        m_connection->removeStateWatcher(m_stateWatcher);
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
