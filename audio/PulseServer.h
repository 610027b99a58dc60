// The program's one sound server object (PulseAudio, or PipeWire's pulse service): one libpulse
// connection on one loop thread, made again when the server comes back, and the device model that
// its events keep current. Playback, recording, capture and the volume all work on it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "audio/DeviceModel.h"

struct pa_context;
struct pa_mainloop_api;
struct pa_operation;
struct pa_time_event;

namespace quilbo {

class PulseConnection;

class PulseServer {
public:
    struct Options {
        // Bound on every wait for the server (connect, stream set-up, a model brought up to date).
        std::chrono::milliseconds serverTimeout{3000};
        // How long the connection outlives the last stream when the object goes (see
        // PulseConnection::settle).
        std::chrono::milliseconds linger{500};
        // How often a lost server is looked for again, so that the model comes back with it.
        std::chrono::milliseconds retry{2000};
        // Server address; empty: the default (PULSE_SERVER, client.conf, the user's socket).
        std::string server;
        // Application name shown by the server for our connection.
        const char* applicationName = "Quilbo";
    };

    PulseServer();
    // Starts connecting and returns at once: the model fills when the server answers.
    explicit PulseServer(Options options);
    // Closes the connection once the server is done with the last stream (bounded).
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    const Options& options() const { return m_options; }
    DeviceModel& devices() { return m_devices; }

    // The connection when the server answers, connecting again (bounded wait) when it had been
    // lost; null when no server answers. It waits: never call it on the window thread.
    std::shared_ptr<PulseConnection> connection();
    // The same without waiting, for streams made from the window thread: the connection, ready
    // or still being made (a stream made on it waits on the loop thread for the attempt under
    // way, which is started now when the server had been lost). Null when no attempt could even
    // be started.
    std::shared_ptr<PulseConnection> connectionWithoutWaiting();
    // Waits (bounded) until the model holds what the server says now; false when no server
    // answered. It waits: never call it on the window thread.
    bool sync();
    // Makes the named output the system's default and waits (bounded) until the server says it
    // is. False when no server answered or it kept another. It waits: never on the window thread.
    bool setDefaultOutput(const std::string& name);
    // Sends a request that wants no answer (a volume set), when the server answers now; takes
    // the loop lock briefly and never waits. False when there was no server to send it to.
    bool send(const std::function<pa_operation*(pa_context*)>& start);

private:
    // All below: loop thread, or loop lock held.
    void connectContext();
    void onState(pa_context* context);
    void refresh();
    void finishRefresh();
    void scheduleRetry();
    static void onRetry(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                        void* self);

    Options m_options;
    DeviceModel m_devices;
    std::shared_ptr<PulseConnection> m_connection;

    // Under the loop lock.
    Devices m_reading;  // being gathered by the refresh under way
    int m_answersDue = 0;
    bool m_refreshing = false;
    bool m_refreshAgain = false;
    std::uint64_t m_refreshStarted = 0;
    std::uint64_t m_refreshDone = 0;
    pa_time_event* m_retryTimer = nullptr;
    bool m_closing = false;
    bool m_serverMissing = false;
    bool m_everConnected = false;

    std::mutex m_connectMutex;  // one caller connects at a time
};

}  // namespace quilbo
