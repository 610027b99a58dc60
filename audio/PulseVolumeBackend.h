// The PulseAudio side of the system volume: the default sink's volume and mute switch as the
// sound server's device model holds them, and the requests that change them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QObject;

namespace quilbo {

class PulseServer;

// What is known of the default sink. Server volumes, 0..PA_VOLUME_NORM (and above when boosted).
struct SinkReading {
    bool connected = false;  // the server answers
    bool hasSink = false;    // a default sink exists and has been read
    bool muted = false;
    std::uint32_t sinkIndex = 0;
    std::uint8_t channels = 0;  // 0: the sink has no usable volume
    std::array<std::uint32_t, 32> volumes{};

    bool sameVolumes(const SinkReading& other) const;
    bool operator==(const SinkReading& other) const = default;
};

// Threads: the model's change notice arrives on the thread that created the backend (a queued
// signal); that thread reads the model and decides whether to tell anyone. The setters send a
// request and never wait for its answer, so a server that has died or hangs cannot hang them.
class PulseVolumeBackend {
public:
    // onVolumeChange runs on the creating thread when the channel volumes differ from the ones
    // last handed out; mute or port changes alone do not call it. Construction never waits: what
    // the model holds then is the reference, and a sink the model first reports later is told.
    PulseVolumeBackend(std::shared_ptr<PulseServer> server, std::function<void()> onVolumeChange);
    ~PulseVolumeBackend();

    PulseVolumeBackend(const PulseVolumeBackend&) = delete;
    PulseVolumeBackend& operator=(const PulseVolumeBackend&) = delete;

    SinkReading reading() const;
    // Every channel of the current default sink to one server volume; ignored without a sink.
    void setVolume(std::uint32_t serverVolume);
    // While the model knows no sink, the wish is kept and sent to the first one it reports.
    void setMute(bool muted);

private:
    void deliverChange();
    SinkReading modelReading() const;

    std::shared_ptr<PulseServer> m_server;
    std::function<void()> m_onVolumeChange;
    std::unique_ptr<QObject> m_notifier;  // lives on the owner thread

    // A value this program set, answered at once until the server reports it (or the sink goes).
    struct Pending {
        std::uint32_t sinkIndex;
        std::optional<std::uint32_t> volume;
        std::optional<bool> muted;
    };
    mutable std::mutex m_mutex;
    std::optional<Pending> m_pending;

    // Owner thread: the volumes last handed out, and a mute asked for while no sink was known.
    SinkReading m_delivered;
    std::optional<bool> m_muteForFirstSink;
};

}  // namespace quilbo
