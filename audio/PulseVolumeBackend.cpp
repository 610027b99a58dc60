// The PulseAudio side of the system volume: the default sink read from the device model.
#include "audio/PulseVolumeBackend.h"

#include "audio/PulseServer.h"

#include <pulse/introspect.h>
#include <pulse/volume.h>

#include <QObject>
#include <algorithm>

namespace quilbo {

bool SinkReading::sameVolumes(const SinkReading& other) const {
    return channels == other.channels &&
           std::equal(volumes.begin(), volumes.begin() + channels, other.volumes.begin());
}

PulseVolumeBackend::PulseVolumeBackend(std::shared_ptr<PulseServer> server,
                                       std::function<void()> onVolumeChange)
    : m_server(std::move(server)),
      m_onVolumeChange(std::move(onVolumeChange)),
      m_notifier(std::make_unique<QObject>()) {
    QObject::connect(&m_server->devices(), &DeviceModel::changed, m_notifier.get(),
                     [this] { deliverChange(); });
    // What the model holds now is the reference for later notices, not a change of its own.
    // The window thread never waits for the server: a model still empty fills in later, and
    // its first sink is then a change like any other.
    m_delivered = reading();
}

// Deleting the notifier ends the connection to the model's notices.
PulseVolumeBackend::~PulseVolumeBackend() = default;

SinkReading PulseVolumeBackend::modelReading() const {
    const Devices devices = m_server->devices().devices();
    SinkReading reading;
    reading.connected = devices.connected;
    const DeviceInfo* sink = devices.output({});
    if (sink == nullptr) {
        return reading;
    }
    reading.hasSink = true;
    reading.muted = sink->muted;
    reading.sinkIndex = sink->index;
    reading.channels =
        static_cast<std::uint8_t>(std::min(sink->volumes.size(), reading.volumes.size()));
    std::copy_n(sink->volumes.begin(), reading.channels, reading.volumes.begin());
    return reading;
}

SinkReading PulseVolumeBackend::reading() const {
    SinkReading reading = modelReading();
    std::lock_guard lock(m_mutex);
    if (m_pending && reading.hasSink && reading.sinkIndex == m_pending->sinkIndex) {
        if (m_pending->volume) {
            std::fill_n(reading.volumes.begin(), reading.channels, *m_pending->volume);
        }
        if (m_pending->muted) {
            reading.muted = *m_pending->muted;
        }
    }
    return reading;
}

void PulseVolumeBackend::setVolume(std::uint32_t serverVolume) {
    const SinkReading now = reading();
    if (!now.hasSink || now.channels == 0) {
        return;
    }
    pa_cvolume volume;
    pa_cvolume_set(&volume, now.channels, serverVolume);
    const bool sent = m_server->send([&](pa_context* context) {
        return pa_context_set_sink_volume_by_index(context, now.sinkIndex, &volume, nullptr,
                                                   nullptr);
    });
    if (!sent) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        const std::optional<bool> muted = m_pending ? m_pending->muted : std::nullopt;
        m_pending = Pending{now.sinkIndex, serverVolume, muted};
    }
    // The value the program set itself is not a change to tell anyone about.
    m_delivered = reading();
}

void PulseVolumeBackend::setMute(bool muted) {
    const SinkReading now = reading();
    if (!now.hasSink) {
        if (!m_delivered.hasSink) {
            m_muteForFirstSink = muted;
        }
        return;
    }
    m_muteForFirstSink.reset();
    const bool sent = m_server->send([&](pa_context* context) {
        return pa_context_set_sink_mute_by_index(context, now.sinkIndex, muted ? 1 : 0, nullptr,
                                                 nullptr);
    });
    if (sent) {
        std::lock_guard lock(m_mutex);
        const std::optional<std::uint32_t> volume = m_pending ? m_pending->volume : std::nullopt;
        m_pending = Pending{now.sinkIndex, volume, muted};
    }
}

void PulseVolumeBackend::deliverChange() {
    const SinkReading model = modelReading();
    {
        // The server has reported what was set, or the sink it was set on has gone.
        std::lock_guard lock(m_mutex);
        if (m_pending && (!model.hasSink || model.sinkIndex != m_pending->sinkIndex ||
                          ((!m_pending->volume ||
                            (model.channels > 0 && model.volumes[0] == *m_pending->volume)) &&
                           (!m_pending->muted || *m_pending->muted == model.muted)))) {
            m_pending.reset();
        }
    }
    if (m_muteForFirstSink && model.hasSink) {
        setMute(*m_muteForFirstSink);
    }
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
