// Streaming capture: the record stream's callback copies what arrived into the ring's slots
// (never waiting: a full ring drops the audio and counts it), the consumer thread hands the
// slots on. A hole the server reports (input it dropped before we read it) advances the frame
// count, so that a consumer sees the gap.
#include "audio/PulseCapture.h"

#include <pulse/error.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cstring>

#include "audio/Logging.h"
#include "audio/PulseServer.h"
#include "audio/StreamTiming.h"

namespace quilbo {

namespace {

// How often the consumer looks for blocks: a fraction of the shortest block worth handing on.
constexpr std::chrono::milliseconds kConsumerPoll{5};

}  // namespace

PulseCapture::PulseCapture(std::shared_ptr<PulseServer> server) : m_server(std::move(server)) {}

PulseCapture::~PulseCapture() {
    stop();
}

CaptureResult PulseCapture::start(const CaptureRequest& request, BlockHandler onBlock) {
    stop();
    if (request.rate == 0 || request.rate > PA_RATE_MAX || request.channels > PA_CHANNELS_MAX ||
        request.blockLength.count() <= 0 || request.blocksHeld == 0 || !onBlock) {
        return CaptureResult::BadFormat;
    }
    if (!m_server->sync()) {
        return CaptureResult::NoServer;
    }
    const Devices devices = m_server->devices().devices();
    const DeviceInfo* source = devices.input(request.source);
    if (source == nullptr) {
        return CaptureResult::NoSource;
    }
    m_connection = m_server->connection();
    if (!m_connection) {
        return CaptureResult::NoServer;
    }
    pa_channel_map map;
    pa_channel_map_init(&map);
    if (request.channels == 0) {
        for (const int position : source->channels) {
            map.map[map.channels++] = static_cast<pa_channel_position_t>(position);
        }
    } else {
        pa_channel_map_init_extend(&map, request.channels, PA_CHANNEL_MAP_DEFAULT);
    }
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, request.rate, map.channels};
    if (pa_sample_spec_valid(&spec) == 0 || pa_channel_map_valid(&map) == 0) {
        return CaptureResult::BadFormat;
    }
    m_channels = spec.channels;
    m_blockFrames = std::max<std::size_t>(1, request.rate * request.blockLength.count() / 1000);
    // Every slot is made here, so that the loop thread never allocates.
    m_ring = std::make_unique<SpscRing<Slot>>(
        request.blocksHeld, Slot{{}, std::vector<float>(m_blockFrames * m_channels)});
    m_nextFrame = 0;
    m_overruns = 0;
    m_dropped = 0;
    m_lost = false;
    m_stopping = false;
    m_onBlock = std::move(onBlock);

    LoopLock lock(m_connection->loop());
    m_stream.reset(pa_stream_new(m_connection->context(), "Capture", &spec, &map));
    if (!m_stream) {
        return CaptureResult::Failed;
    }
    pa_stream_set_state_callback(
        m_stream.get(),
        [](pa_stream* stream, void* self) {
            auto* capture = static_cast<PulseCapture*>(self);
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
                qCWarning(lcAudio) << "the capture stream broke:"
                                   << pa_strerror(pa_context_errno(pa_stream_get_context(stream)));
                capture->m_lost = true;
            }
            capture->m_connection->signal();
        },
        this);
    pa_stream_set_read_callback(
        m_stream.get(),
        [](pa_stream*, size_t, void* self) { static_cast<PulseCapture*>(self)->onReadable(); },
        this);
    // PipeWire's pulse service may leave a stream whose input has gone unlinked, not failed.
    m_eventHandler = m_connection->addSinkEventHandler(
        [this](pa_subscription_event_type_t type, std::uint32_t index) {
            if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SOURCE &&
                (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE &&
                m_stream && pa_stream_get_state(m_stream.get()) == PA_STREAM_READY &&
                pa_stream_get_device_index(m_stream.get()) == index) {
                qCWarning(lcAudio) << "the capture's input was removed";
                m_lost = true;
            }
        });
    pa_buffer_attr attr;
    std::memset(&attr, 0xff, sizeof attr);  // the server's own choice for everything else
    attr.fragsize = static_cast<std::uint32_t>(m_blockFrames * pa_frame_size(&spec));
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
    if (pa_stream_connect_record(m_stream.get(), source->name.c_str(), &attr, flags) < 0 ||
        !m_connection->waitFor(
            [this] { return pa_stream_get_state(m_stream.get()) != PA_STREAM_CREATING; },
            m_server->options().serverTimeout) ||
        pa_stream_get_state(m_stream.get()) != PA_STREAM_READY) {
        qCWarning(lcAudio) << "cannot open the capture stream:"
                           << pa_strerror(pa_context_errno(m_connection->context()));
        m_connection->removeSinkEventHandler(m_eventHandler);
        pa_stream_set_read_callback(m_stream.get(), nullptr, nullptr);
        pa_stream_set_state_callback(m_stream.get(), nullptr, nullptr);
        m_connection->retire(std::move(m_stream));
        return m_connection->ready() ? CaptureResult::Failed : CaptureResult::NoServer;
    }
    m_consumer = std::thread([this] { consume(); });
    return CaptureResult::Ok;
}

void PulseCapture::stop() {
    if (!m_connection) {
        return;
    }
    {
        LoopLock lock(m_connection->loop());
        if (m_stream) {
            m_connection->removeSinkEventHandler(m_eventHandler);
            pa_stream_set_read_callback(m_stream.get(), nullptr, nullptr);
            pa_stream_set_state_callback(m_stream.get(), nullptr, nullptr);
            m_connection->retire(std::move(m_stream));
        }
    }
    // No block is added from here on: the consumer hands on what is left and ends.
    m_stopping = true;
    if (m_consumer.joinable()) {
        m_consumer.join();
    }
    m_connection.reset();
}

void PulseCapture::onReadable() {
    pa_stream* stream = m_stream.get();
    while (stream != nullptr && pa_stream_readable_size(stream) > 0) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) {
            return;
        }
        const std::size_t frames = bytes / (sizeof(float) * m_channels);
        if (data == nullptr) {
            ++m_overruns;  // a hole: the server had to drop input we had not read
            m_nextFrame += frames;
        } else {
            deliver(static_cast<const float*>(data), frames);
        }
        pa_stream_drop(stream);
    }
}

void PulseCapture::deliver(const float* data, std::size_t frames) {
    const StreamReport report = captureReport(pa_stream_get_timing_info(m_stream.get()));
    while (frames > 0) {
        const std::size_t count = std::min(frames, m_blockFrames);
        Slot* slot = m_ring->claim();
        if (slot == nullptr) {
            m_dropped += count;  // the consumer is behind: this audio is lost, and counted
        } else {
            std::copy_n(data, count * m_channels, slot->samples.begin());
            CaptureBlock& block = slot->block;
            block.firstFrame = m_nextFrame;
            block.frames = count;
            block.channels = m_channels;
            block.overruns = m_overruns;
            block.droppedFrames = m_dropped;
            block.sourceDelayUsec = report.delayUsec;
            block.reportedAtUsec = report.atUsec;
            m_ring->push();
        }
        m_nextFrame += count;
        data += count * m_channels;
        frames -= count;
    }
}

void PulseCapture::consume() {
    for (;;) {
        // Read before the ring: a stop seen here means the last block is in already.
        const bool stopping = m_stopping.load();
        while (const Slot* slot = m_ring->front()) {
            CaptureBlock block = slot->block;
            block.samples = slot->samples.data();
            m_onBlock(block);
            m_ring->pop();
        }
        if (stopping) {
            return;
        }
        std::this_thread::sleep_for(kConsumerPoll);
    }
}

}  // namespace quilbo
