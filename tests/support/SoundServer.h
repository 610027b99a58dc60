// A private sound server for tests, either a PulseAudio daemon or PipeWire with its PulseAudio
// service, each in its own runtime folder with a null sink as the default output; pactl, and a
// capture of what the sink plays through its monitor. Its helper processes die with the test.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

namespace quilbo::test {

// Starts a helper that gets SIGKILL when the test's thread ends, even in a crash. Its output goes
// to logFile, or stays readable from the process when logFile is empty.
bool startHelper(QProcess& process, const QStringList& argv, const QString& logFile = {},
                 const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());
bool running(QProcess& process);
// Ends a helper (SIGTERM, or SIGKILL when kill holds, and SIGKILL after a bounded wait).
void stopHelper(QProcess& process, bool kill = false);
// Writes text to path, making its folder; false when it cannot.
bool writeFile(const QString& path, const QByteArray& text);

struct CommandResult {
    int exitCode = -1;  // -1: not started, or killed at the timeout
    QString output;
    bool ok() const { return exitCode == 0; }
};
CommandResult runCommand(const QStringList& argv, const QProcessEnvironment& env,
                         int timeoutMs = 10000);

enum class ServerKind { PulseAudio, PipeWire };

// The null sink's own format; PipeWire's graph is held at its rate.
struct SinkOptions {
    QString sampleFormat = "s16le";
    int rate = 44100;
    int channels = 2;
    QString channelMap;  // pactl's channel_map; empty: the server's default
};

class SoundServer {
public:
    using Options = SinkOptions;
    static constexpr const char* kSink = "quilbo_null";

    explicit SoundServer(ServerKind kind = ServerKind::PulseAudio, Options options = {});
    ~SoundServer();

    // Starts the server, waiting (bounded) until it answers with the null sink as the default,
    // and points this process's libpulse clients at it. False, with the reason in log(), if not.
    bool start();
    void stop();
    // SIGKILL, no goodbye to the clients: PipeWire's graph alone (PulseAudio: the daemon).
    void killGraph();
    void pause();  // SIGSTOP to the process clients talk to: it answers nothing
    void resume();
    void pauseGraph(bool paused);  // SIGSTOP or SIGCONT to the graph's process: a starved server
    bool running();

    ServerKind kind() const { return m_kind; }
    QString address() const;
    QString directory() const { return m_dir.path(); }
    // What the server's own helpers run with: a client of the private server runs with it too.
    const QProcessEnvironment& environment() const { return m_env; }
    const Options& options() const { return m_options; }
    std::string log() const;

    CommandResult pactl(const QStringList& args) const;
    int sinkInputs() const;
    int clientCount() const;  // less pactl's own connection and the server's own parts
    bool setDefaultSink(const QString& name);
    // Unloads the named null sink, or loads one in the options' format and waits until it is in.
    bool unloadSink(const QString& name);
    bool loadSink(const QString& name, const QString& description = {});

private:
    QStringList listShort(const QString& what) const;
    QString sinkFormat() const;

    ServerKind m_kind;
    Options m_options;
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    QProcess m_bus, m_graph, m_session, m_pulse;  // PipeWire's bus, pipewire, wireplumber
};

// Plays a 1 kHz sine of the given peak on both channels of the null sink for a minute with pacat
// (a float32 stereo sink at 48 kHz), its file in folder; ended by stopHelper(player).
bool playTone(const SoundServer& server, QProcess& player, const QString& folder, double peak);

// Records the sink's monitor with parec, raw samples in the sink's own format.
class SoundCapture {
public:
    explicit SoundCapture(const SoundServer& server);
    bool start();  // waits (bounded) until recorded bytes arrive
    std::size_t bytesSoFar() const;
    std::vector<std::uint8_t> heardSoFar() const;  // and the recording goes on
    std::vector<std::uint8_t> stop();  // SIGINT first, so that parec writes out what it holds

private:
    const SoundServer& m_server;
    QString m_file;
    QProcess m_parec;
};

// How a capture holds a block played in a loop (same format; the block must not repeat within
// itself): where the block first begins, where the last frame in loop order ends, how many
// frames follow in loop order, and how often the loop breaks (a skip, a repeat, a wrong byte).
// Silence after which the loop goes on no further than the silence is long is a gap, counted
// apart (silencedFrames: the frames it stands in for). A client that falls behind causes one and
// is told so (an underflow); so does PipeWire's graph missing cycles on a loaded machine, untold.
struct LoopMatch {
    std::ptrdiff_t start = -1;
    std::size_t end = 0;
    std::size_t frames = 0;
    int breaks = 0;
    int silences = 0;
    std::size_t silencedFrames = 0;
};
LoopMatch matchLoop(const std::vector<std::uint8_t>& heard, const std::vector<std::uint8_t>& block,
                    std::size_t frameBytes);

inline const char* serverKindName(ServerKind kind) {
    return kind == ServerKind::PipeWire ? "PipeWire" : "PulseAudio";
}
inline void PrintTo(ServerKind kind, std::ostream* out) {
    *out << serverKindName(kind);
}

}  // namespace quilbo::test

// Runs a TestWithParam<ServerKind> suite once per server, named so that quilbo_add_test(...
// SERVERS) gives each server its own CTest entry.
#define QUILBO_ON_BOTH_SERVERS(Fixture)                                                            \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Servers, Fixture,                                                                          \
        testing::Values(quilbo::test::ServerKind::PulseAudio, quilbo::test::ServerKind::PipeWire), \
        [](const auto& info) { return quilbo::test::serverKindName(info.param); })
