// A private PulseAudio daemon for tests: its own runtime directory and socket, a null sink as the
// default output, pactl helpers, and capture of what the sink plays through its monitor source.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Process.h"

namespace quilbo::test {

class PulseServer {
public:
    struct Options {
        std::string sinkName = "quilbo_null";
        std::string sampleFormat = "s16le";  // the null sink's own format
        int rate = 44100;
        int channels = 2;
        // Without rewinds the monitor holds exactly what the sink played: a rewinding sink
        // drops the start of every new stream from its monitor.
        bool noRewinds = true;
        // Point this process's libpulse clients (PULSE_SERVER) at the daemon while it lives.
        bool exportServer = true;
    };

    PulseServer();
    explicit PulseServer(Options options);
    ~PulseServer();  // stops the daemon (its own PID only) and removes its directory
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Starts the daemon and waits (bounded) until it answers. False, with the reason in log(),
    // when it does not come up.
    bool start(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void stop();
    // SIGKILL: the server vanishes without saying goodbye to its clients.
    void kill();
    bool restart(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    void pause();   // SIGSTOP: the server still exists but answers nothing
    void resume();  // SIGCONT
    bool running();
    pid_t pid() const { return m_daemon.pid(); }

    // "unix:<socket>", as PULSE_SERVER takes it.
    std::string address() const;
    const std::string& sinkName() const { return m_options.sinkName; }
    std::string monitorSource() const { return m_options.sinkName + ".monitor"; }
    const std::filesystem::path& directory() const { return m_dir; }
    std::string log() const;

    // pactl against this daemon.
    CommandResult pactl(const std::vector<std::string>& args,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Lines of "pactl list short <what>" (clients, sink-inputs, source-outputs, sinks...).
    std::vector<std::string> listShort(const std::string& what) const;
    // Client names other than pactl's own connection.
    std::vector<std::string> clientNames() const;
    std::size_t clientCount() const { return clientNames().size(); }
    // Loads another null sink; returns the module index.
    std::optional<int> loadNullSink(const std::string& name, const std::string& extraArgs = {});
    bool setDefaultSink(const std::string& name);
    std::string defaultSink() const;

private:
    Options m_options;
    std::filesystem::path m_dir;
    ChildProcess m_daemon;
    std::optional<std::string> m_previousServer;
    bool m_exported = false;
};

// Records from a source (by default the server's sink monitor) with parec, low latency, raw
// samples. stop() ends parec with SIGINT so that it writes out what it still holds.
class PulseCapture {
public:
    PulseCapture(const PulseServer& server, std::string format = "s16le", int rate = 44100,
                 int channels = 2, std::string source = {});
    ~PulseCapture();
    PulseCapture(const PulseCapture&) = delete;
    PulseCapture& operator=(const PulseCapture&) = delete;

    // Starts parec and waits (bounded) until its stream records.
    bool start(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Bytes recorded so far (parec flushes as it goes; a little may still be in flight).
    std::size_t bytesSoFar() const;
    std::vector<std::uint8_t> stop();

private:
    const PulseServer& m_server;
    std::string m_format;
    int m_rate;
    int m_channels;
    std::string m_source;
    std::filesystem::path m_file;
    ChildProcess m_parec;
};

}  // namespace quilbo::test
