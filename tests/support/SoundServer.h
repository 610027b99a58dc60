// A private sound server for tests, either a PulseAudio daemon or PipeWire with its PulseAudio
// service, each in its own runtime directory with a null sink as the default output; pactl
// helpers, and capture of what the sink plays through its monitor source.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Process.h"

namespace quilbo::test {

enum class ServerKind { PulseAudio, PipeWire };

// "PulseAudio" or "PipeWire": the suffix of a parameterised test's name, which the CTest entries
// of quilbo_add_server_tests (tests/CMakeLists.txt) select on.
const char* serverKindName(ServerKind kind);

class SoundServer {
public:
    struct Options {
        std::string sinkName = "quilbo_null";
        std::string sampleFormat = "s16le";  // the null sink's own format
        int rate = 44100;                    // also the rate PipeWire's graph is held at
        int channels = 2;
        std::string channelMap;  // pactl's channel_map; empty: the server's default
        // Point this process's libpulse clients (PULSE_SERVER) at the server while it lives.
        bool exportServer = true;
    };

    explicit SoundServer(ServerKind kind = ServerKind::PulseAudio);
    SoundServer(ServerKind kind, Options options);
    ~SoundServer();  // stops the server (its own PIDs only) and removes its directory
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Starts the server and waits (bounded) until it answers with the null sink as the default.
    // False, with the reason in log(), when it does not come up.
    bool start(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    void stop();
    // SIGKILL to every process of the server: it vanishes without saying goodbye to its clients.
    void kill();
    // PipeWire only (on PulseAudio both are kill()): SIGKILL to pipewire-pulse alone, or to the
    // pipewire daemon alone, the other processes left as they are.
    void killPulseService();
    void killGraph();
    bool restart(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    void pause();   // SIGSTOP to the process clients talk to: it still exists but answers nothing
    void resume();  // SIGCONT
    bool running();
    pid_t pid() const { return m_pulse.pid(); }  // the process libpulse clients talk to

    // "unix:<socket>", as PULSE_SERVER takes it.
    std::string address() const;
    const std::string& sinkName() const { return m_options.sinkName; }
    const Options& options() const { return m_options; }
    std::string monitorSource() const { return m_options.sinkName + ".monitor"; }
    const std::filesystem::path& directory() const { return m_dir; }
    std::string log() const;

    // pactl against this server.
    CommandResult pactl(const std::vector<std::string>& args,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Lines of "pactl list short <what>" (clients, sink-inputs, source-outputs, sinks...).
    std::vector<std::string> listShort(const std::string& what) const;
    // Client names other than pactl's own connection and the server's own parts.
    std::vector<std::string> clientNames() const;
    std::size_t clientCount() const { return clientNames().size(); }
    // Loads another null sink; returns the module index.
    std::optional<int> loadNullSink(const std::string& name, const std::string& extraArgs = {});
    bool setDefaultSink(const std::string& name);
    std::string defaultSink() const;

private:
    bool startPulseAudio();
    bool startPipeWire(std::chrono::steady_clock::time_point deadline);
    std::string sinkFormat() const;  // module-null-sink's format, rate, channels and map
    std::map<std::string, std::string> environment() const;

    ServerKind m_kind;
    Options m_options;
    std::filesystem::path m_dir;
    ChildProcess m_bus;      // PipeWire: the private session bus
    ChildProcess m_graph;    // PipeWire: the pipewire daemon
    ChildProcess m_session;  // PipeWire: wireplumber
    ChildProcess m_pulse;    // pulseaudio, or pipewire-pulse
    std::optional<std::string> m_previousServer;
};

// Records from a source (by default the server's sink monitor) with parec, low latency, raw
// samples in the sink's own format. stop() ends parec with SIGINT so that it writes out what it
// still holds.
class SoundCapture {
public:
    explicit SoundCapture(const SoundServer& server, std::string source = {});
    ~SoundCapture();
    SoundCapture(const SoundCapture&) = delete;
    SoundCapture& operator=(const SoundCapture&) = delete;

    // Starts parec and waits (bounded) until recorded bytes arrive.
    bool start(std::chrono::milliseconds timeout = std::chrono::seconds(15));
    // Bytes recorded so far (parec writes as it goes; a little may still be in flight).
    std::size_t bytesSoFar() const;
    std::vector<std::uint8_t> stop();

private:
    const SoundServer& m_server;
    std::vector<std::string> m_argv;
    std::filesystem::path m_file;
    ChildProcess m_parec;
};

}  // namespace quilbo::test
