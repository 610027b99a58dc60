// The private sound server harness (PulseAudio, or PipeWire with wireplumber and pipewire-pulse on
// a private session bus) and the monitor capture.
#include "tests/support/SoundServer.h"

#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace quilbo::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::filesystem::path makeTempDir(const char* prefix) {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? std::filesystem::path(pattern)
                                              : std::filesystem::path();
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// Polls until done() holds or the deadline passes; a loaded machine may take seconds.
bool waitUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

void killNow(ChildProcess& process) {
    if (process.signal(SIGKILL)) {
        process.wait(5s);
    }
    process.terminate();
}

}  // namespace

const char* serverKindName(ServerKind kind) {
    return kind == ServerKind::PipeWire ? "PipeWire" : "PulseAudio";
}

SoundServer::SoundServer(ServerKind kind) : SoundServer(kind, Options{}) {}

SoundServer::SoundServer(ServerKind kind, Options options)
    : m_kind(kind), m_options(std::move(options)), m_dir(makeTempDir("quilbo-sound-")) {
    if (const char* previous = getenv("PULSE_SERVER")) {
        m_previousServer = previous;
    }
    if (m_dir.empty()) {
        return;
    }
    std::filesystem::create_directories(m_dir / "runtime");
    std::filesystem::permissions(m_dir / "runtime", std::filesystem::perms::owner_all);
    // wireplumber as on a desktop, less the hardware monitors (ALSA, cameras, Bluetooth): the
    // files replace the packaged ones of the same name.
    const auto wp = m_dir / "home" / ".config" / "wireplumber";
    writeFile(wp / "main.lua.d" / "90-enable-all.lua",
              "load_module(\"metadata\")\ndefault_access.enable()\ndevice_defaults.enable()\n"
              "stream_defaults.enable()\nload_script(\"intended-roles.lua\")\n"
              "load_script(\"suspend-node.lua\")\n");
    writeFile(wp / "bluetooth.lua.d" / "90-enable-all.lua", "\n");
}

SoundServer::~SoundServer() {
    stop();
    m_bus.terminate(1s);
    if (m_options.exportServer) {
        m_previousServer ? setenv("PULSE_SERVER", m_previousServer->c_str(), 1)
                         : unsetenv("PULSE_SERVER");
    }
    std::error_code ignored;
    if (!m_dir.empty()) {
        std::filesystem::remove_all(m_dir, ignored);
    }
}

std::string SoundServer::address() const {
    return "unix:" +
           (m_dir / "runtime" / (m_kind == ServerKind::PipeWire ? "pulse" : "") / "native")
               .string();
}

std::string SoundServer::log() const {
    std::ostringstream text;
    for (const char* name : {"bus", "pipewire", "wireplumber", "pulse"}) {
        std::ifstream in(m_dir / (std::string(name) + ".log"));
        if (in) {
            text << "--- " << name << "\n" << in.rdbuf();
        }
    }
    return text.str();
}

std::string SoundServer::sinkFormat() const {
    return "format=" + m_options.sampleFormat + " rate=" + std::to_string(m_options.rate) +
           " channels=" + std::to_string(m_options.channels) +
           (m_options.channelMap.empty() ? "" : " channel_map=" + m_options.channelMap);
}

std::map<std::string, std::string> SoundServer::environment() const {
    const std::string home = (m_dir / "home").string();
    return {
        {"XDG_RUNTIME_DIR", (m_dir / "runtime").string()},
        {"PIPEWIRE_RUNTIME_DIR", (m_dir / "runtime").string()},
        {"PIPEWIRE_REMOTE", "pipewire-0"},
        {"HOME", home},
        {"XDG_CONFIG_HOME", home + "/.config"},
        {"XDG_STATE_HOME", home + "/.local/state"},
        {"XDG_DATA_HOME", home + "/.local/share"},
        {"DBUS_SESSION_BUS_ADDRESS",
         m_kind == ServerKind::PipeWire ? "unix:path=" + (m_dir / "bus").string() : "disabled:"},
        // Nothing reaches the machine's own system bus or display.
        {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (m_dir / "no-system-bus").string()},
        {"DISPLAY", ""},
        {"WAYLAND_DISPLAY", ""},
        {"PULSE_SERVER", address()}};
}

bool SoundServer::start(std::chrono::milliseconds timeout) {
    if (m_dir.empty()) {
        return false;
    }
    stop();
    const auto deadline = Clock::now() + timeout;
    const bool launched =
        m_kind == ServerKind::PipeWire ? startPipeWire(deadline) : startPulseAudio();
    if (!launched) {
        return false;
    }
    if (m_options.exportServer) {
        setenv("PULSE_SERVER", address().c_str(), 1);
    }
    const auto answers = [this] { return pactl({"info"}, 5s).ok(); };
    if (!waitUntil([&] { return !m_pulse.running() || answers(); }, deadline) ||
        !m_pulse.running()) {
        return false;
    }
    if (m_kind == ServerKind::PulseAudio) {
        return true;
    }
    // PipeWire: the null sink comes from pipewire-pulse as on a desktop. The graph is held at
    // the sink's rate, so integer samples pass unconverted (PipeWire mixes in 32-bit float).
    const CommandResult rate = runCommand(
        {"pw-metadata", "-n", "settings", "0", "clock.force-rate", std::to_string(m_options.rate)},
        10s, environment());
    return rate.ok() && loadNullSink(m_options.sinkName, sinkFormat()) &&
           waitUntil(
               [this] {
                   return setDefaultSink(m_options.sinkName) && defaultSink() == m_options.sinkName;
               },
               deadline);
}

bool SoundServer::startPulseAudio() {
    const std::string socket = (m_dir / "runtime" / "native").string();
    std::error_code ignored;
    std::filesystem::remove(socket, ignored);
    // -n: no default.pa, so nothing but these modules (no hardware, no D-Bus, no autoloading).
    // Without rewinds the monitor holds exactly what the sink played: a rewinding sink drops the
    // start of every new stream from its monitor.
    const std::string sink =
        "module-null-sink norewinds=1 sink_name=" + m_options.sinkName + " " + sinkFormat();
    return m_pulse.start(
        {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=false",
         "--use-pid-file=no", "--realtime=no", "--high-priority=no", "--log-target=stderr",
         "--log-level=notice",
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket, "--load=" + sink},
        (m_dir / "pulse.log").string(), environment());
}

bool SoundServer::startPipeWire(Clock::time_point deadline) {
    const auto env = environment();
    const auto bus = m_dir / "bus";
    if (!m_bus.running()) {
        std::error_code ignored;
        std::filesystem::remove(bus, ignored);
        if (!m_bus.start({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                          "--address=unix:path=" + bus.string()},
                         (m_dir / "bus.log").string(), env) ||
            !waitUntil([&] { return std::filesystem::exists(bus) || !m_bus.running(); },
                       deadline)) {
            return false;
        }
    }
    const auto graphSocket = m_dir / "runtime" / "pipewire-0";
    std::error_code ignored;
    std::filesystem::remove(graphSocket, ignored);
    std::filesystem::remove_all(m_dir / "runtime" / "pulse", ignored);
    if (!m_graph.start({"pipewire"}, (m_dir / "pipewire.log").string(), env) ||
        !waitUntil([&] { return std::filesystem::exists(graphSocket) || !m_graph.running(); },
                   deadline)) {
        return false;
    }
    return m_session.start({"wireplumber"}, (m_dir / "wireplumber.log").string(), env) &&
           m_pulse.start({"pipewire-pulse"}, (m_dir / "pulse.log").string(), env);
}

void SoundServer::stop() {
    m_pulse.terminate(3s);
    m_session.terminate(3s);
    m_graph.terminate(3s);
}

void SoundServer::kill() {
    killNow(m_pulse);
    killNow(m_session);
    killNow(m_graph);
}

void SoundServer::killPulseService() {
    m_kind == ServerKind::PipeWire ? killNow(m_pulse) : kill();
}

void SoundServer::killGraph() {
    m_kind == ServerKind::PipeWire ? killNow(m_graph) : kill();
}

bool SoundServer::restart(std::chrono::milliseconds timeout) {
    stop();
    return start(timeout);
}

void SoundServer::pause() {
    m_pulse.signal(SIGSTOP);
}

void SoundServer::resume() {
    m_pulse.signal(SIGCONT);
}

bool SoundServer::running() {
    return m_pulse.running() && (m_kind == ServerKind::PulseAudio || m_graph.running());
}

CommandResult SoundServer::pactl(const std::vector<std::string>& args,
                                 std::chrono::milliseconds timeout) const {
    std::vector<std::string> argv = {"pactl", "--server=" + address()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, timeout, environment());
}

std::vector<std::string> SoundServer::listShort(const std::string& what) const {
    const CommandResult result = pactl({"list", "short", what});
    return result.ok() && !result.output.empty() ? split(result.output, '\n')
                                                 : std::vector<std::string>{};
}

std::vector<std::string> SoundServer::clientNames() const {
    std::vector<std::string> names;
    for (const std::string& line : listShort("clients")) {
        // index, driver, application name; pactl's own connection and PipeWire's own parts
        // (the daemon, its pulse service, wireplumber) are left out.
        const auto fields = split(line, '\t');
        if (fields.size() >= 3 && fields[2] != "pactl" && fields[2] != "pipewire" &&
            fields[2] != "wireplumber") {
            names.push_back(fields[2]);
        }
    }
    return names;
}

std::optional<int> SoundServer::loadNullSink(const std::string& name,
                                             const std::string& extraArgs) {
    std::vector<std::string> args = {"load-module", "module-null-sink", "sink_name=" + name};
    for (const std::string& arg : split(extraArgs, ' ')) {
        args.push_back(arg);
    }
    const CommandResult result = pactl(args);
    return result.ok() ? std::optional<int>(std::atoi(result.output.c_str())) : std::nullopt;
}

bool SoundServer::setDefaultSink(const std::string& name) {
    return pactl({"set-default-sink", name}).ok();
}

std::string SoundServer::defaultSink() const {
    const CommandResult result = pactl({"get-default-sink"});
    std::string name = result.ok() ? result.output : std::string{};
    return name.erase(name.find_last_not_of("\r\n") + 1);
}

SoundCapture::SoundCapture(const SoundServer& server, std::string source) : m_server(server) {
    static int counter = 0;
    m_file = server.directory() / ("capture-" + std::to_string(++counter) + ".raw");
    const SoundServer::Options& sink = server.options();
    m_argv = split("parec --raw --latency-msec=100 --client-name=quilbo-test-capture", ' ');
    for (const std::string& arg :
         {"--server=" + server.address(),
          "--device=" + (source.empty() ? server.monitorSource() : source),
          "--format=" + sink.sampleFormat, "--rate=" + std::to_string(sink.rate),
          "--channels=" + std::to_string(sink.channels), m_file.string()}) {
        m_argv.push_back(arg);
    }
    if (!sink.channelMap.empty()) {
        m_argv.insert(m_argv.end() - 1, "--channel-map=" + sink.channelMap);
    }
}

SoundCapture::~SoundCapture() {
    m_parec.terminate(1s);
}

bool SoundCapture::start(std::chrono::milliseconds timeout) {
    if (!m_parec.start(m_argv, m_file.string() + ".log",
                       {{"HOME", (m_server.directory() / "home").string()}})) {
        return false;
    }
    // Recording has begun once the monitor's (silent) samples reach the file.
    return waitUntil([this] { return bytesSoFar() > 0 || !m_parec.running(); },
                     Clock::now() + timeout) &&
           m_parec.running();
}

std::size_t SoundCapture::bytesSoFar() const {
    std::error_code ignored;
    const auto size = std::filesystem::file_size(m_file, ignored);
    return ignored ? 0 : static_cast<std::size_t>(size);
}

std::vector<std::uint8_t> SoundCapture::stop() {
    if (m_parec.signal(SIGINT) && !m_parec.wait(5s)) {
        m_parec.terminate(1s);
    }
    m_parec.terminate();
    std::ifstream in(m_file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace quilbo::test
