// A sweep recorder run on libpulse: both streams, their callbacks, and the fade. Pairs of the
// two streams' timing reports are taken every 50 ms while the sweep plays, and StreamAlignment
// works out from them where the sweep lands in the recording.
//
// Every chosen channel plays in the one stream, so their offsets from one another are exact.
// Where the server converts a stream's rate, its converter's delay is part of neither index, and
// neither server reports it apart from the devices' own (PulseAudio folds part of it into the
// record stream's source delay, PipeWire none, and the graph's cycles no longer divide the
// indices): the start is then known only to a converter's length, and the recording says so.
#include "audio/PulseRecordRun.h"

#include <pulse/error.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "audio/Logging.h"
#include "audio/PulseFormat.h"
#include "audio/ThreadPriority.h"

namespace quilbo {

namespace {

// The input is taken in fragments this long. A longer fragment would give a busy machine more
// slack, but PulseAudio's capture timing then places the recording tens of milliseconds late.
constexpr pa_usec_t kRecordFragment = 20000;
constexpr pa_usec_t kPlaybackBuffer = 500000;
constexpr std::chrono::milliseconds kPoll{20};
constexpr std::chrono::milliseconds kTimingEvery{50};
// How long a cancel's fade falls.
constexpr pa_usec_t kFadeLength = 10000;
// A step in where the playback lands that counts as sound lost or repeated between the streams:
// half PipeWire's shortest graph cycle.
constexpr double kSlipFrames = 16;
// Pairs of timing reports the alignment wants at least.
constexpr std::size_t kFewestReports = 6;
// Where the server converts a rate, the start is taken this many milliseconds early, so that a
// converter's unreported delay, of either sign, never puts the sweep before its segment.
constexpr std::int64_t kConverterMargin = 50;

std::uint32_t speakerMask(unsigned channels) {
    switch (channels) {
        case 2:
            return 0x3;
        case 4:
            return 0x33;
        case 6:
            return 0x3F;
        default:
            return channels >= 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << channels) - 1;
    }
}

RecordResult openFailure(int error, RecordResult missing) {
    switch (error) {
        case PA_ERR_NOENTITY:
            return missing;
        case PA_ERR_NOTSUPPORTED:
        case PA_ERR_INVALID:
        case PA_ERR_TOOLARGE:
            return RecordResult::BadFormat;
        case PA_ERR_CONNECTIONTERMINATED:
        case PA_ERR_CONNECTIONREFUSED:
            return RecordResult::NoServer;
        default:
            return RecordResult::Failed;
    }
}

// True when the server converts the playback or the recording to or from the devices' rates.
bool serverConverts(const RecordTarget& target, unsigned rate) {
    return target.sinkRate != rate || target.sourceRate != rate;
}

}  // namespace

PulseRecordRun::PulseRecordRun(PulseConnection& connection, const SweepPlan& plan,
                               const RecordRequest& request, RecordTarget target,
                               std::chrono::milliseconds serverTimeout)
    : m_connection(connection),
      m_plan(plan),
      m_target(std::move(target)),
      m_rate(request.rate),
      m_startMargin(serverConverts(m_target, request.rate) ? request.rate * kConverterMargin / 1000
                                                           : 0),
      m_tailFrames(static_cast<std::uint64_t>(std::llround(request.tailSeconds * request.rate))),
      m_serverTimeout(serverTimeout),
      m_frameBytes(plan.outputChannels() * sizeof(float)),
      m_keepLoopback(request.referenceChannel > 0 && m_target.sourceMap.channels >= 2),
      m_alignment({.rate = request.rate,
                   .recordFrameBytes = sizeof(float) * m_target.sourceMap.channels,
                   .playbackFrameBytes = m_frameBytes,
                   .monitor = m_target.sourceIsMonitor,
                   .pipeWire = m_target.pipeWire}),
      m_playbackTimingInfo(
          {PA_SAMPLE_FLOAT32LE, request.rate, static_cast<std::uint8_t>(plan.outputChannels())},
          m_frameBytes) {}

PulseRecordRun::~PulseRecordRun() {
    LoopLock lock(m_connection.loop());
    release();
}

void PulseRecordRun::release() {
    // Nothing may call back into this run once it has gone.
    for (OperationPtr* op : {&m_recordTiming, &m_playbackTiming, &m_cork}) {
        if (*op) {
            pa_operation_cancel(op->get());
            op->reset();
        }
    }
    for (StreamPtr* stream : {&m_record, &m_playback}) {
        if (*stream) {
            pa_stream_set_state_callback(stream->get(), nullptr, nullptr);
            pa_stream_set_read_callback(stream->get(), nullptr, nullptr);
            pa_stream_set_write_callback(stream->get(), nullptr, nullptr);
            pa_stream_set_underflow_callback(stream->get(), nullptr, nullptr);
            pa_stream_set_overflow_callback(stream->get(), nullptr, nullptr);
        }
    }
    m_connection.retire(std::move(m_record));
    m_connection.retireAfter(std::move(m_playback), m_fadePlaysFor);
    m_fadePlaysFor = 0;
}

bool PulseRecordRun::fail(Recording& out, RecordResult result, RecordProblem problem,
                          std::string detail) {
    out.result = result;
    out.problem = problem;
    out.detail = std::move(detail);
    return false;
}

bool PulseRecordRun::waitReady(pa_stream* stream) {
    return m_connection.waitFor(
               [stream] { return pa_stream_get_state(stream) != PA_STREAM_CREATING; },
               m_serverTimeout) &&
           pa_stream_get_state(stream) == PA_STREAM_READY;
}

bool PulseRecordRun::openRecord(Recording& out) {
    // The input's own channels, so nothing is mixed on the way: a microphone on an interface's
    // first input is heard alone, whatever the others pick up.
    const pa_channel_map& map = m_target.sourceMap;
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, m_rate, map.channels};
    m_record.reset(pa_stream_new(m_connection.context(), "Measurement input", &spec, &map));
    if (!m_record) {
        return fail(out, RecordResult::Failed, RecordProblem::NoStream);
    }
    // Room for the longest the run may last, taken now: the loop thread never allocates, and
    // a recording too long for the memory is refused here rather than failing midway.
    try {
        m_samples.reserve(m_plan.frames() + m_tailFrames + 2 * m_rate +
                          m_rate * static_cast<std::uint64_t>(2 * m_serverTimeout.count()) / 1000);
        m_loopback.reserve(m_keepLoopback ? m_samples.capacity() : 0);
    } catch (const std::bad_alloc&) {
        return fail(out, RecordResult::Failed, RecordProblem::NoMemory);
    }
    pa_stream_set_state_callback(m_record.get(), &onRecordState, this);
    pa_stream_set_read_callback(m_record.get(), &onReadable, this);
    pa_stream_set_overflow_callback(m_record.get(), &onOverflow, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(pa_usec_to_bytes(kRecordFragment, &spec));
    attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    // A source that goes away ends the recording rather than moving it to another input.
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
    if (pa_stream_connect_record(m_record.get(), m_target.source.c_str(), &attr, flags) < 0 ||
        !waitReady(m_record.get())) {
        const int error = pa_context_errno(m_connection.context());
        const RecordResult result = openFailure(error, RecordResult::NoSource);
        return fail(out, result, RecordProblem::None,
                    result == RecordResult::NoSource ? m_target.source : pa_strerror(error));
    }
    // The recording must be running before the first sweep plays.
    if (!m_connection.waitFor([this] { return !m_samples.empty() || m_sourceLost; },
                              m_serverTimeout) ||
        m_sourceLost) {
        return fail(out, RecordResult::Failed, RecordProblem::InputSilent, m_target.source);
    }
    return true;
}

bool PulseRecordRun::openPlayback(Recording& out) {
    const unsigned channels = m_plan.outputChannels();
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, m_rate, static_cast<std::uint8_t>(channels)};
    // The output's own layout when the counts agree, so nothing is remixed on the way.
    const pa_channel_map map = m_target.sinkMap.channels == channels
                                   ? m_target.sinkMap
                                   : channelMapFromMask(channels, speakerMask(channels));
    m_playback.reset(pa_stream_new(m_connection.context(), "Measurement sweep", &spec, &map));
    if (!m_playback) {
        return fail(out, RecordResult::BadFormat, RecordProblem::NoStream);
    }
    pa_stream_set_state_callback(m_playback.get(), &onPlaybackState, this);
    pa_stream_set_write_callback(m_playback.get(), &onWritable, this);
    pa_stream_set_underflow_callback(m_playback.get(), &onUnderflow, this);
    // No prebuffering: should the stream run dry, the server plays silence and drops what comes
    // late, so every later frame keeps its place in time and the offsets stay exact.
    const std::size_t buffer = pa_usec_to_bytes(kPlaybackBuffer, &spec);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(buffer - buffer % m_frameBytes);
    attr.prebuf = 0;
    attr.minreq = static_cast<std::uint32_t>(attr.tlength / 4 - attr.tlength / 4 % m_frameBytes);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_DONT_MOVE);
    if (pa_stream_connect_playback(m_playback.get(), m_target.sink.c_str(), &attr, flags, nullptr,
                                   nullptr) < 0 ||
        !waitReady(m_playback.get())) {
        const int error = pa_context_errno(m_connection.context());
        const RecordResult result = openFailure(error, RecordResult::NoSink);
        return fail(out, result, RecordProblem::None,
                    result == RecordResult::NoSink ? m_target.sink : pa_strerror(error));
    }
    const std::size_t writable = pa_stream_writable_size(m_playback.get());
    if (writable != static_cast<std::size_t>(-1)) {
        feed(writable);
    }
    m_recordedAtStart = static_cast<std::int64_t>(m_samples.size());
    if (!uncork()) {
        return m_sinkLost ? fail(out, RecordResult::SinkLost, RecordProblem::None, m_target.sink)
                          : fail(out, RecordResult::Failed, RecordProblem::OutputNotStarted,
                                 m_target.sink);
    }
    return true;
}

bool PulseRecordRun::uncork() {
    m_corkDone = false;
    m_cork.reset(pa_stream_cork(
        m_playback.get(), 0,
        [](pa_stream*, int success, void* self) {
            auto* run = static_cast<PulseRecordRun*>(self);
            run->m_corkDone = success != 0;
            run->m_connection.signal();
        },
        this));
    const bool done =
        m_cork && m_connection.waitFor([this] { return m_corkDone; }, m_serverTimeout);
    if (m_cork && !done) {
        pa_operation_cancel(m_cork.get());
    }
    m_cork.reset();
    return done;
}

void PulseRecordRun::feed(std::size_t bytes) {
    // Past the plan the stream goes on with silence, so an underflow is only ever a real one.
    // libpulse lends at most one memory block at a time, often less than the server asks for:
    // the rest follows in further blocks, or the stream would fall behind and run dry.
    std::size_t frames = bytes / m_frameBytes;
    while (frames > 0 && m_playback) {
        void* buffer = nullptr;
        std::size_t size = frames * m_frameBytes;
        if (pa_stream_begin_write(m_playback.get(), &buffer, &size) < 0 || buffer == nullptr ||
            size < m_frameBytes) {
            if (buffer != nullptr) {
                pa_stream_cancel_write(m_playback.get());
            }
            return;
        }
        const std::size_t count = std::min(size / m_frameBytes, frames);
        m_plan.fill(static_cast<float*>(buffer), m_written, count);
        if (pa_stream_write(m_playback.get(), buffer, count * m_frameBytes, nullptr, 0,
                            PA_SEEK_RELATIVE) != 0) {
            return;
        }
        m_written += count;
        frames -= count;
    }
}

void PulseRecordRun::requestTiming() {
    if (m_recordTiming || m_playbackTiming) {
        return;  // the last pair is still on its way
    }
    m_timingAnswers = 0;
    m_recordTiming.reset(pa_stream_update_timing_info(m_record.get(), &onTimingAnswer, this));
    m_playbackTiming.reset(pa_stream_update_timing_info(m_playback.get(), &onTimingAnswer, this));
    if (!m_recordTiming || !m_playbackTiming) {
        for (OperationPtr* op : {&m_recordTiming, &m_playbackTiming}) {
            if (*op) {
                pa_operation_cancel(op->get());
                op->reset();
            }
        }
    }
}

void PulseRecordRun::takeTiming() {
    m_recordTiming.reset();
    m_playbackTiming.reset();
    const pa_timing_info* play = pa_stream_get_timing_info(m_playback.get());
    m_playbackTimingInfo.take(play);
    m_alignment.add(pa_stream_get_timing_info(m_record.get()), play);
}

std::int64_t PulseRecordRun::alignment() const {
    // No pair of reports came: where the playback was started.
    return m_alignment.offset().value_or(m_recordedAtStart);
}

void PulseRecordRun::fadeOut() {
    for (OperationPtr* op : {&m_recordTiming, &m_playbackTiming}) {
        if (*op) {
            pa_operation_cancel(op->get());
            op->reset();
        }
    }
    // Without word of where the playback is in time, the last good report serves; a playback
    // never reported on is cut instead.
    if (!m_playbackTimingInfo.refresh(m_connection, m_playback.get(),
                                      StreamTiming::kFadeTimingWait)) {
        return;
    }
    const pa_sample_spec* spec = pa_stream_get_sample_spec(m_playback.get());
    // As the playback device's stop: from a little ahead of what is heard, and never over what
    // the server has already handed on, the sound falls, then silence to the end of what was sent.
    const PlaybackPoint point = m_playbackTimingInfo.now();
    const std::uint64_t heard = point.heard;
    const std::uint64_t from = m_playbackTimingInfo.fadeStart(point, true);
    if (from >= m_written) {
        return;
    }
    const std::size_t fadeFrames = pa_usec_to_bytes(kFadeLength, spec) / m_frameBytes;
    const std::size_t frames = std::max<std::size_t>(m_written - from, fadeFrames);
    std::vector<float> fade(frames * m_plan.outputChannels());
    m_plan.fill(fade.data(), from, frames, from, fadeFrames);
    if (pa_stream_write(m_playback.get(), fade.data(), fade.size() * sizeof(float), nullptr,
                        static_cast<std::int64_t>(from * m_frameBytes), PA_SEEK_ABSOLUTE) == 0) {
        pa_stream_set_write_callback(m_playback.get(), nullptr, nullptr);
        m_fadePlaysFor = pa_bytes_to_usec((from + fadeFrames - heard) * m_frameBytes, spec) +
                         StreamTiming::kLateServerMargin;
    }
}

Recording PulseRecordRun::run(const SweepRecorder::Progress& progress,
                              const std::atomic<bool>& cancelled) {
    Recording out;
    out.rate = m_rate;
    std::uint64_t end = 0;
    {
        LoopLock lock(m_connection.loop());
        if (!openRecord(out) || !openPlayback(out)) {
            release();
            return out;
        }
        // However the servers behave, the run ends: the whole playback and tail, and a
        // server's bound twice over.
        end = m_plan.frames() + m_tailFrames;
    }
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::microseconds(end * 1000000 / m_rate) + 2 * m_serverTimeout;
    auto nextTiming = std::chrono::steady_clock::now();
    for (;;) {
        double played = 0;
        {
            LoopLock lock(m_connection.loop());
            const auto now = std::chrono::steady_clock::now();
            const auto recorded = static_cast<std::int64_t>(m_samples.size());
            const std::int64_t start = alignment() - m_startMargin;
            out.result = RecordResult::Ok;
            if (cancelled) {
                fadeOut();
                fail(out, RecordResult::Cancelled);
            } else if (!m_connection.ready()) {
                fail(out, RecordResult::NoServer);
            } else if (m_sourceLost) {
                fail(out, RecordResult::SourceLost, RecordProblem::None, m_target.source);
            } else if (m_sinkLost) {
                fail(out, RecordResult::SinkLost, RecordProblem::None, m_target.sink);
            } else if (recorded >= start + static_cast<std::int64_t>(end) &&
                       (m_alignment.pairs() >= kFewestReports || now >= deadline)) {
                out.samples = std::move(m_samples);
                out.loopback = std::move(m_loopback);
                out.playbackStart = start;
                out.startExact = m_startMargin == 0;
                for (std::uint64_t s : m_plan.starts()) {
                    out.channelStarts.push_back(start + static_cast<std::int64_t>(s));
                }
                out.underflows = m_underflows;
                out.overflows = m_overflows;
                if (const auto slip = m_alignment.step(kSlipFrames)) {
                    qCInfo(lcAudio) << "the streams' reports moved the playback by" << slip->frames
                                    << "frames at recorded frame" << slip->at;
                    out.slippedAt = slip->at;
                }
                release();
                return out;
            } else if (now >= deadline) {
                fail(out, RecordResult::Failed, RecordProblem::NotAnswering);
            }
            if (out.result != RecordResult::Ok) {
                out.samples = std::move(m_samples);
                out.underflows = m_underflows;
                release();
                return out;
            }
            if (now >= nextTiming && m_written < m_plan.frames() + m_rate) {
                requestTiming();
                nextTiming = now + kTimingEvery;
            }
            played = std::clamp(static_cast<double>(recorded - start) / m_plan.frames(), 0.0, 1.0);
            m_connection.waitFor([] { return false; }, kPoll);
        }
        if (progress) {
            progress(played);
        }
    }
}

void PulseRecordRun::onRecordState(pa_stream* stream, void* self) {
    auto* run = static_cast<PulseRecordRun*>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        run->m_sourceLost = true;
    }
    run->m_connection.signal();
}

void PulseRecordRun::onPlaybackState(pa_stream* stream, void* self) {
    auto* run = static_cast<PulseRecordRun*>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        run->m_sinkLost = true;
    }
    run->m_connection.signal();
}

void PulseRecordRun::onReadable(pa_stream* stream, size_t, void* self) {
    auto* run = static_cast<PulseRecordRun*>(self);
    // On the loop thread, which carries both streams' sound: once, as a measurement begins.
    if (!std::exchange(run->m_priorityAsked, true)) {
        run->m_priorityRequest = raiseAudioThreadPriority();
    }
    const void* data = nullptr;
    std::size_t bytes = 0;
    const std::size_t channels = run->m_target.sourceMap.channels;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0 &&
           bytes > 0) {
        // Past the room taken at the start the run is beyond its deadline: the rest is dropped.
        const std::size_t count = std::min(bytes / sizeof(float) / channels,
                                           run->m_samples.capacity() - run->m_samples.size());
        if (data == nullptr) {
            run->m_samples.insert(run->m_samples.end(), count, 0.0f);  // a hole: lost samples
            if (run->m_keepLoopback) {
                run->m_loopback.insert(run->m_loopback.end(), count, 0.0f);
            }
        } else {
            const auto* samples = static_cast<const float*>(data);
            for (std::size_t i = 0; i < count; ++i) {
                run->m_samples.push_back(samples[i * channels]);
                if (run->m_keepLoopback) {
                    run->m_loopback.push_back(samples[i * channels + 1]);
                }
            }
        }
        pa_stream_drop(stream);
    }
    run->m_connection.signal();
}

void PulseRecordRun::onWritable(pa_stream*, size_t bytes, void* self) {
    static_cast<PulseRecordRun*>(self)->feed(bytes);
}

void PulseRecordRun::onUnderflow(pa_stream*, void* self) {
    ++static_cast<PulseRecordRun*>(self)->m_underflows;
}

void PulseRecordRun::onOverflow(pa_stream*, void* self) {
    ++static_cast<PulseRecordRun*>(self)->m_overflows;
}

void PulseRecordRun::onTimingAnswer(pa_stream*, int, void* self) {
    auto* run = static_cast<PulseRecordRun*>(self);
    if (++run->m_timingAnswers == 2 && run->m_recordTiming && run->m_playbackTiming) {
        run->takeTiming();
    }
    run->m_connection.signal();
}

}  // namespace quilbo
