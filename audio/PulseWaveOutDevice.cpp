// The playback device: stream set-up, writes, the drain at the end of what was written, the
// played-position timer, reset and close.
#include "audio/PulseWaveOutDevice.h"

#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <vector>

#include "audio/Logging.h"

namespace quilbo {

namespace {

constexpr std::size_t kLargestBuffer = 2 * 1024 * 1024;
// A sink holding more than this behind what the server has read is asked to take it back.
constexpr pa_usec_t kRewindBeyond = 100000;

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
      m_completions([this](WaveHeader* header) {
          m_routine(this, header != nullptr ? WaveOutMessage::Done : WaveOutMessage::Lost,
                    m_instance, header);
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
    return createStream();
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
    const bool settled = m_connection->waitFor(
        [this] { return !m_stream || pa_stream_get_state(m_stream.get()) != PA_STREAM_CREATING; },
        m_options.serverTimeout);
    if (!settled || !m_stream || pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        qCWarning(lcAudio) << "cannot open the output" << m_sink.c_str() << ":"
                           << (settled ? pa_strerror(pa_context_errno(context))
                                       : "the server did not answer in time");
        dropStream();
        return false;
    }
    qCDebug(lcAudio) << "stream open on sink" << pa_stream_get_device_name(m_stream.get()) << "rate"
                     << m_wireSpec.rate << "channels" << m_wireSpec.channels;
    m_streamTiming.restart();
    return true;
}

void PulseWaveOutDevice::dropStream(pa_usec_t playFor) {
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
    m_connection->retireAfter(std::move(m_stream), playFor);
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
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && !device->m_failed) {
        device->fail(pa_strerror(pa_context_errno(pa_stream_get_context(stream))));
    }
    device->m_connection->signal();
}

void PulseWaveOutDevice::fail(const char* why) {
    // The server has gone, or dropped our stream, or its sink went: the routine hears Lost, then
    // every piece comes back unplayed and every later write is refused.
    qCWarning(lcAudio) << "the output stream broke:" << why;
    m_failed = true;
    m_completions.pushLost();
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
        dropStream(writeFade());
        m_completions.push(m_pieces.takeAll());
    }
    m_completions.waitDelivered(m_options.serverTimeout);
    return WaveResult::Ok;
}

pa_usec_t PulseWaveOutDevice::writeFade() {
    const std::size_t frame = pa_frame_size(&m_format.spec);
    if (!m_fadeLayout.valid() || !m_stream || m_pieces.empty() ||
        pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        return 0;
    }
    if (m_timing) {
        pa_operation_cancel(m_timing.get());  // its answer would return pieces meanwhile
        m_timing.reset();
    }
    // Without a fresh report in time, or with one the server marks corrupt, the last good one
    // serves, carried on by its age: a fade from a moment's estimate beats a cut. Only a stream
    // that has never had a report is cut.
    if (!m_streamTiming.refresh(*m_connection, m_stream.get(), StreamTiming::kFadeTimingWait)) {
        return 0;
    }
    const PlaybackPoint point = m_streamTiming.now();
    const std::uint64_t heard = point.heard * frame;
    const std::uint64_t sent = m_pieces.sent();
    if (heard >= sent) {
        return 0;  // all of it has played
    }
    // The fade begins a little ahead of the sound, and runs on with silence to the end of all
    // that was sent. Audio the server has already handed to its sink is not written over: a
    // PipeWire graph never takes it back, nor does a null sink's monitor. Only a sink that
    // holds much more than a fade (a PulseAudio sound card with a long buffer) is asked to
    // take back what it holds, as PulseAudio does when a stream is written over behind its
    // read index; waiting for it would leave the sound on for that long. A graph takes a
    // cycle's worth at a time, and the write takes a moment to get there.
    const bool shortSink =
        point.read < point.heard + pa_usec_to_bytes(kRewindBeyond, &m_format.spec) / frame;
    const std::uint64_t from = m_streamTiming.fadeStart(point, shortSink) * frame;
    if (from >= sent) {
        // All that was sent plays before a fade could begin (the end of a block played once,
        // which has a fade of its own): it plays out.
        return pa_bytes_to_usec(sent - heard, &m_format.spec) + StreamTiming::kFadeLead +
               StreamTiming::kLateServerMargin;
    }
    const std::size_t fadeBytes = fadeFrames(m_format.spec.rate) * frame;
    const std::size_t bytes =
        static_cast<std::size_t>(std::max<std::uint64_t>(sent - from, fadeBytes));
    std::vector<std::uint8_t> fade(bytes);
    m_pieces.copyOut(from, fade.data(), bytes);
    applyFade(fade.data(), bytes, m_fadeLayout, 0, 0, fadeBytes / frame, false);
    const std::vector<std::uint8_t> wire = PieceQueue::toWire(fade.data(), bytes, m_widen);
    if (pa_stream_write(m_stream.get(), wire.data(), wire.size(), nullptr,
                        static_cast<std::int64_t>(from * m_widen), PA_SEEK_ABSOLUTE) < 0) {
        qCWarning(lcAudio) << "cannot write the stop's fade:"
                           << pa_strerror(pa_context_errno(m_connection->context()));
        return 0;
    }
    return pa_bytes_to_usec(from + fadeBytes - heard, &m_format.spec) + StreamTiming::kFadeLead +
           StreamTiming::kLateServerMargin;
}

WaveResult PulseWaveOutDevice::close() {
    {
        LoopLock lock(m_connection->loop());
        if (m_closed) {
            return WaveResult::Ok;
        }
        m_closed = true;  // read by write() on the completion thread, under the loop lock
        m_connection->removeSinkEventHandler(m_sinkHandler);
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
