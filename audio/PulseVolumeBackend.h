// The PulseAudio side of the system volume: a connection that watches the default sink and keeps
// a copy of its volume and mute switch, reconnecting when the server goes away and comes back.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

struct pa_context;
struct pa_time_event;
struct pa_server_info;
struct pa_sink_info;

class QObject;

namespace quilbo {

class PulseConnection;

// What is known of the default sink. Server volumes, 0..PA_VOLUME_NORM (and above when boosted).
struct SinkReading {
    bool connected = false;  // the context is ready
    bool hasSink = false;    // a default sink exists and has been read
    bool muted = false;
    std::uint32_t sinkIndex = 0;
    std::uint8_t channels = 0;  // 0: the sink has no usable volume
    std::array<std::uint32_t, 32> volumes{};

    bool sameVolumes(const SinkReading& other) const;
    bool operator==(const SinkReading& other) const = default;
};

// Threads: libpulse runs its own loop thread. Its callbacks only update the copy (under a mutex of
// ours, never waiting on anything) and post a "something changed" call to a QObject living on the
// thread that created the backend; that thread reads the copy and decides whether to tell anyone.
// The owner-thread operations take the loop lock briefly to issue a request and never wait for
// its answer, so a server that has died or hangs cannot hang them.
class PulseVolumeBackend {
public:
    // onVolumeChange runs on the creating thread when the channel volumes differ from the ones
    // last handed out (the first reading included); mute or port changes alone do not call it.
    PulseVolumeBackend(const std::string& server, std::function<void()> onVolumeChange);
    ~PulseVolumeBackend();

    PulseVolumeBackend(const PulseVolumeBackend&) = delete;
    PulseVolumeBackend& operator=(const PulseVolumeBackend&) = delete;

    SinkReading reading() const;
    // Every channel of the current default sink to one server volume; ignored without a sink.
    void setVolume(std::uint32_t serverVolume);
    void setMute(bool muted);

private:
    // Loop thread (or owner thread with the loop lock held).
    void connectContext();
    void dropContext();
    void scheduleReconnect();
    void requestServerInfo(pa_context* context);
    void onContextState(pa_context* context);
    void onServerInfo(pa_context* context, const pa_server_info* info);
    void onSinkInfo(pa_context* context, const pa_sink_info* info, int eol, bool isDefaultLookup);
    void onSinkEvent(pa_context* context, unsigned type, std::uint32_t index);
    void storeReading(const SinkReading& reading);
    void markSettled();
    void postChange();

    // Owner thread.
    void deliverChange();

    std::string m_server;
    std::function<void()> m_onVolumeChange;
    std::unique_ptr<QObject> m_notifier;  // lives on the owner thread
    std::atomic<bool> m_changePosted{false};

    std::unique_ptr<PulseConnection> m_connection;  // its context under the loop lock
    pa_time_event* m_reconnectEvent = nullptr;      // under the loop lock
    std::string m_defaultSinkName;                  // under the loop lock
    bool m_closing = false;                         // under the loop lock

    mutable std::mutex m_mutex;
    std::condition_variable m_settledCondition;
    bool m_settled = false;  // the first connection attempt has an answer
    SinkReading m_reading;

    SinkReading m_delivered;  // owner thread: the volumes last handed out
};

}  // namespace quilbo
