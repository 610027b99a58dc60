// The private PulseAudio daemon harness and the monitor capture.
#include "tests/support/PulseServer.h"

#include <signal.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace quilbo::test {

using namespace std::chrono_literals;

namespace {

std::filesystem::path makeTempDir(const char* prefix) {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) {
        fields.push_back(field);
    }
    return fields;
}

}  // namespace

PulseServer::PulseServer() : PulseServer(Options{}) {}

PulseServer::PulseServer(Options options) : m_options(std::move(options)) {
    m_dir = makeTempDir("quilbo-pulse-");
    std::filesystem::create_directories(m_dir / "home");
    std::filesystem::create_directories(m_dir / "runtime");
}

PulseServer::~PulseServer() {
    stop();
    if (m_exported) {
        if (m_previousServer) {
            setenv("PULSE_SERVER", m_previousServer->c_str(), 1);
        } else {
            unsetenv("PULSE_SERVER");
        }
    }
    std::error_code ignored;
    if (!m_dir.empty()) {
        std::filesystem::remove_all(m_dir, ignored);
    }
}

std::string PulseServer::address() const {
    return "unix:" + (m_dir / "runtime" / "native").string();
}

std::string PulseServer::log() const {
    std::ifstream in(m_dir / "daemon.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool PulseServer::start(std::chrono::milliseconds timeout) {
    if (m_dir.empty()) {
        return false;
    }
    stop();
    std::error_code ignored;
    std::filesystem::remove(m_dir / "runtime" / "native", ignored);
    const std::string sink = "module-null-sink sink_name=" + m_options.sinkName +
                             " format=" + m_options.sampleFormat +
                             " rate=" + std::to_string(m_options.rate) +
                             " channels=" + std::to_string(m_options.channels) +
                             (m_options.noRewinds ? " norewinds=1" : "");
    // -n: no default.pa, so nothing but these modules (no hardware, no D-Bus, no autoloading).
    const std::vector<std::string> argv = {
        "pulseaudio",
        "-n",
        "--daemonize=no",
        "--exit-idle-time=-1",
        "--system=false",
        "--use-pid-file=no",
        "--realtime=no",
        "--high-priority=no",
        "--log-target=stderr",
        "--log-level=notice",
        "--load=module-native-protocol-unix auth-anonymous=1 socket=" +
            (m_dir / "runtime" / "native").string(),
        "--load=" + sink};
    const std::map<std::string, std::string> env = {
        {"XDG_RUNTIME_DIR", (m_dir / "runtime").string()},
        {"HOME", (m_dir / "home").string()},
        {"XDG_CONFIG_HOME", (m_dir / "home" / ".config").string()},
        {"DBUS_SESSION_BUS_ADDRESS", "disabled:"},
        {"PULSE_SERVER", address()},
    };
    if (!m_daemon.start(argv, (m_dir / "daemon.log").string(), env)) {
        return false;
    }
    if (m_options.exportServer && !m_exported) {
        if (const char* previous = getenv("PULSE_SERVER")) {
            m_previousServer = previous;
        }
        m_exported = true;
    }
    if (m_options.exportServer) {
        setenv("PULSE_SERVER", address().c_str(), 1);
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!m_daemon.running()) {
            return false;
        }
        if (std::filesystem::exists(m_dir / "runtime" / "native") && pactl({"info"}, 2s).ok()) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

void PulseServer::stop() {
    m_daemon.terminate(3s);
}

void PulseServer::kill() {
    if (m_daemon.signal(SIGKILL)) {
        m_daemon.wait(5s);
    }
    m_daemon.terminate();
}

bool PulseServer::restart(std::chrono::milliseconds timeout) {
    stop();
    return start(timeout);
}

void PulseServer::pause() {
    m_daemon.signal(SIGSTOP);
}

void PulseServer::resume() {
    m_daemon.signal(SIGCONT);
}

bool PulseServer::running() {
    return m_daemon.running();
}

CommandResult PulseServer::pactl(const std::vector<std::string>& args,
                                 std::chrono::milliseconds timeout) const {
    std::vector<std::string> argv = {"pactl", "--server=" + address()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, timeout, {{"HOME", (m_dir / "home").string()}});
}

std::vector<std::string> PulseServer::listShort(const std::string& what) const {
    const CommandResult result = pactl({"list", "short", what});
    return result.ok() ? splitLines(result.output) : std::vector<std::string>{};
}

std::vector<std::string> PulseServer::clientNames() const {
    std::vector<std::string> names;
    for (const std::string& line : listShort("clients")) {
        const auto fields = splitTabs(line);
        // index, driver, application name; pactl's own connection is left out.
        if (fields.size() >= 3 && fields[2] != "pactl") {
            names.push_back(fields[2]);
        }
    }
    return names;
}

std::optional<int> PulseServer::loadNullSink(const std::string& name,
                                             const std::string& extraArgs) {
    std::vector<std::string> args = {"load-module", "module-null-sink", "sink_name=" + name};
    if (!extraArgs.empty()) {
        args.push_back(extraArgs);
    }
    const CommandResult result = pactl(args);
    if (!result.ok()) {
        return std::nullopt;
    }
    try {
        return std::stoi(result.output);
    } catch (...) {
        return std::nullopt;
    }
}

bool PulseServer::setDefaultSink(const std::string& name) {
    return pactl({"set-default-sink", name}).ok();
}

std::string PulseServer::defaultSink() const {
    const CommandResult result = pactl({"get-default-sink"});
    std::string name = result.output;
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) {
        name.pop_back();
    }
    return result.ok() ? name : std::string{};
}

PulseCapture::PulseCapture(const PulseServer& server, std::string format, int rate, int channels,
                           std::string source)
    : m_server(server),
      m_format(std::move(format)),
      m_rate(rate),
      m_channels(channels),
      m_source(source.empty() ? server.monitorSource() : std::move(source)) {
    static int counter = 0;
    m_file = server.directory() / ("capture-" + std::to_string(++counter) + ".raw");
}

PulseCapture::~PulseCapture() {
    m_parec.terminate(1s);
}

bool PulseCapture::start(std::chrono::milliseconds timeout) {
    const std::size_t before = m_server.listShort("source-outputs").size();
    const std::vector<std::string> argv = {"parec",
                                           "--server=" + m_server.address(),
                                           "--device=" + m_source,
                                           "--raw",
                                           "--format=" + m_format,
                                           "--rate=" + std::to_string(m_rate),
                                           "--channels=" + std::to_string(m_channels),
                                           "--latency-msec=20",
                                           "--client-name=quilbo-test-capture",
                                           m_file.string()};
    if (!m_parec.start(argv, (m_file.string() + ".log"),
                       {{"HOME", (m_server.directory() / "home").string()}})) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!m_parec.running()) {
            return false;
        }
        if (m_server.listShort("source-outputs").size() > before) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

std::size_t PulseCapture::bytesSoFar() const {
    std::error_code ignored;
    const auto size = std::filesystem::file_size(m_file, ignored);
    return ignored ? 0 : static_cast<std::size_t>(size);
}

std::vector<std::uint8_t> PulseCapture::stop() {
    if (m_parec.signal(SIGINT) && !m_parec.wait(3s)) {
        m_parec.terminate(1s);
    }
    m_parec.terminate();
    std::ifstream in(m_file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace quilbo::test
