// The private sound server harness (PulseAudio, or PipeWire with wireplumber and pipewire-pulse
// on a private session bus), its helper processes, the monitor capture and loop matching.
#include "tests/support/SoundServer.h"

#include <dlfcn.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <functional>

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
// QProcess starts a helper with a clone that shares the parent's memory until the child execs, as
// vfork does. ThreadSanitizer's clone (clang 14) lets that child take back the thread state it
// shares with its parent, and the parent's own taking back then fails a check of the runtime: no
// helper could start. Such a clone goes straight to the C library: the parent waits until the
// child has exec'd, so nothing runs beside the child for the checker to watch. Every other clone
// goes through the checker. This definition takes the place of the runtime's weak one.
extern "C" int __interceptor_clone(int (*fn)(void*), void* stack, int flags, void* arg, ...);

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) noexcept {
    va_list rest;
    va_start(rest, arg);
    auto* parentTid = va_arg(rest, pid_t*);
    auto* tls = va_arg(rest, void*);
    auto* childTid = va_arg(rest, pid_t*);
    va_end(rest);
    if ((flags & CLONE_VM) != 0 && (flags & CLONE_VFORK) != 0) {
        using Clone = int (*)(int (*)(void*), void*, int, void*, ...);
        static const auto library = reinterpret_cast<Clone>(dlsym(RTLD_NEXT, "clone"));
        return library(fn, stack, flags, arg, parentTid, tls, childTid);
    }
    return __interceptor_clone(fn, stack, flags, arg, parentTid, tls, childTid);
}
#endif
#endif

namespace quilbo::test {

bool startHelper(QProcess& process, const QStringList& argv, const QString& logFile,
                 const QProcessEnvironment& env) {
    process.setChildProcessModifier([parent = getpid()] {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);  // the test ended before the line above
        }
    });
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!logFile.isEmpty()) {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(logFile);
    }
    process.start(argv.first(), argv.mid(1));
    return process.waitForStarted();
}

bool running(QProcess& process) {
    return process.state() != QProcess::NotRunning && !process.waitForFinished(0);
}

CommandResult runCommand(const QStringList& argv, const QProcessEnvironment& env, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!startHelper(process, argv, {}, env)) {
        return {};
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    const bool exited = process.exitStatus() == QProcess::NormalExit;
    return {exited ? process.exitCode() : -1, QString::fromUtf8(process.readAll())};
}

void stopHelper(QProcess& process, bool kill) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    ::kill(static_cast<pid_t>(process.processId()), SIGCONT);  // in case it was stopped
    kill ? process.kill() : process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

bool writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

namespace {

bool waitUntil(const std::function<bool()>& done, int ms = 30000) {
    return QTest::qWaitFor(done, ms);
}

}  // namespace

SoundServer::SoundServer(ServerKind kind, Options options)
    : m_kind(kind), m_options(std::move(options)), m_env(QProcessEnvironment::systemEnvironment()) {
    const QString home = m_dir.filePath("home"), runtime = m_dir.filePath("runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const std::pair<const char*, QString> env[] = {
        {"XDG_RUNTIME_DIR", runtime},
        {"PIPEWIRE_RUNTIME_DIR", runtime},
        {"PIPEWIRE_REMOTE", "pipewire-0"},
        {"HOME", home},
        {"XDG_CONFIG_HOME", home + "/.config"},
        {"XDG_STATE_HOME", home + "/.local/state"},
        {"XDG_DATA_HOME", home + "/.local/share"},
        {"DBUS_SESSION_BUS_ADDRESS",
         kind == ServerKind::PipeWire ? "unix:path=" + m_dir.filePath("bus") : "disabled:"},
        // Nothing reaches the machine's own system bus or display.
        {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-system-bus")},
        {"DISPLAY", ""},
        {"WAYLAND_DISPLAY", ""},
        {"PULSE_SERVER", address()}};
    for (const auto& [name, value] : env) {
        m_env.insert(name, value);
    }
    // wireplumber as on a desktop, less the hardware monitors (ALSA, cameras, Bluetooth): the
    // files replace the packaged ones of the same name.
    const QString wp = home + "/.config/wireplumber/";
    writeFile(wp + "main.lua.d/90-enable-all.lua",
              "load_module(\"metadata\")\ndefault_access.enable()\ndevice_defaults.enable()\n"
              "stream_defaults.enable()\nload_script(\"intended-roles.lua\")\n"
              "load_script(\"suspend-node.lua\")\n");
    writeFile(wp + "bluetooth.lua.d/90-enable-all.lua", "\n");
}

SoundServer::~SoundServer() {
    stop();
    stopHelper(m_bus);
    qunsetenv("PULSE_SERVER");
}

QString SoundServer::address() const {
    return "unix:" + m_dir.filePath(m_kind == ServerKind::PipeWire ? "runtime/pulse/native"
                                                                   : "runtime/native");
}

std::string SoundServer::log() const {
    QString text;
    for (const char* name : {"bus", "pipewire", "wireplumber", "pulse"}) {
        QFile file(m_dir.filePath(QString(name) + ".log"));
        if (file.open(QIODevice::ReadOnly)) {
            text += QString("--- %1\n").arg(name) + QString::fromUtf8(file.readAll());
        }
    }
    return text.toStdString();
}

QString SoundServer::sinkFormat() const {
    return QString("format=%1 rate=%2 channels=%3")
               .arg(m_options.sampleFormat)
               .arg(m_options.rate)
               .arg(m_options.channels) +
           (m_options.channelMap.isEmpty() ? "" : " channel_map=" + m_options.channelMap);
}

bool SoundServer::start() {
    if (!m_dir.isValid()) {
        return false;
    }
    stop();
    const QString log = m_dir.filePath("pulse.log");
    if (m_kind == ServerKind::PulseAudio) {
        // -n: no default.pa, so nothing but these modules (no hardware, no D-Bus). Without
        // rewinds the monitor holds exactly what the sink played: a rewinding sink drops the
        // start of every new stream from its monitor.
        const QString socket = m_dir.filePath("runtime/native");
        QFile::remove(socket);
        const QStringList argv =
            QString(
                "pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no "
                "--realtime=no --high-priority=no --log-target=stderr")
                .split(' ') +
            QStringList{"--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket,
                        "--load=module-null-sink norewinds=1 sink_name=" + QString(kSink) + " " +
                            sinkFormat()};
        if (!startHelper(m_pulse, argv, log, m_env)) {
            return false;
        }
    } else {
        const QString bus = m_dir.filePath("bus"), graph = m_dir.filePath("runtime/pipewire-0");
        if (!::quilbo::test::running(m_bus) &&
            (!startHelper(m_bus,
                          {"dbus-daemon", "--session", "--nofork", "--nopidfile",
                           "--address=unix:path=" + bus},
                          m_dir.filePath("bus.log"), m_env) ||
             !waitUntil([&] { return QFile::exists(bus); }))) {
            return false;
        }
        QFile::remove(graph);
        QDir(m_dir.filePath("runtime/pulse")).removeRecursively();
        if (!startHelper(m_graph, {"pipewire"}, m_dir.filePath("pipewire.log"), m_env) ||
            !waitUntil([&] { return QFile::exists(graph); }) ||
            !startHelper(m_session, {"wireplumber"}, m_dir.filePath("wireplumber.log"), m_env) ||
            !startHelper(m_pulse, {"pipewire-pulse"}, log, m_env)) {
            return false;
        }
    }
    qputenv("PULSE_SERVER", address().toUtf8());
    if (!waitUntil([this] { return !::quilbo::test::running(m_pulse) || pactl({"info"}).ok(); }) ||
        !::quilbo::test::running(m_pulse)) {
        return false;
    }
    // PipeWire: the null sink comes from pipewire-pulse as on a desktop. The graph is held at
    // the sink's rate, so integer samples pass unconverted (PipeWire mixes in 32-bit float).
    return m_kind == ServerKind::PulseAudio ||
           (runCommand({"pw-metadata", "-n", "settings", "0", "clock.force-rate",
                        QString::number(m_options.rate)},
                       m_env)
                .ok() &&
            pactl(QStringList{"load-module", "module-null-sink", "sink_name=" + QString(kSink)} +
                  sinkFormat().split(' '))
                .ok() &&
            waitUntil([this] {
                return setDefaultSink(kSink) &&
                       pactl({"get-default-sink"}).output.trimmed() == kSink;
            }));
}

void SoundServer::stop() {
    for (QProcess* process : {&m_pulse, &m_session, &m_graph}) {
        stopHelper(*process);
    }
}

void SoundServer::killGraph() {
    stopHelper(m_kind == ServerKind::PipeWire ? m_graph : m_pulse, true);
}

bool SoundServer::unloadSink(const QString& name) {
    for (const QString& line : listShort("modules")) {
        const QStringList fields = line.split('\t');
        if (fields.size() >= 3 && fields[1] == "module-null-sink" &&
            fields[2].contains("sink_name=" + name)) {
            return pactl({"unload-module", fields[0]}).ok();
        }
    }
    return false;
}

bool SoundServer::loadSink(const QString& name, const QString& description) {
    QStringList args = QStringList{"load-module", "module-null-sink", "sink_name=" + name} +
                       sinkFormat().split(' ');
    if (m_kind == ServerKind::PulseAudio) {
        args << "norewinds=1";  // as at the start: the monitor then holds every stream's start
    }
    if (!description.isEmpty()) {
        args << "sink_properties=device.description=" + description;
    }
    return pactl(args).ok() &&
           waitUntil([&] { return listShort("sinks").join('\n').contains(name); });
}

void SoundServer::pause() {
    ::kill(static_cast<pid_t>(m_pulse.processId()), SIGSTOP);
}

void SoundServer::resume() {
    ::kill(static_cast<pid_t>(m_pulse.processId()), SIGCONT);
}

void SoundServer::pauseGraph(bool paused) {
    ::kill(static_cast<pid_t>((m_kind == ServerKind::PipeWire ? m_graph : m_pulse).processId()),
           paused ? SIGSTOP : SIGCONT);
}

bool SoundServer::running() {
    return ::quilbo::test::running(m_pulse) &&
           (m_kind == ServerKind::PulseAudio || ::quilbo::test::running(m_graph));
}

CommandResult SoundServer::pactl(const QStringList& args) const {
    return runCommand(QStringList{"pactl", "--server=" + address()} + args, m_env);
}

QStringList SoundServer::listShort(const QString& what) const {
    return pactl({"list", "short", what}).output.split('\n', Qt::SkipEmptyParts);
}

int SoundServer::sinkInputs() const {
    return listShort("sink-inputs").size();
}

int SoundServer::clientCount() const {
    // index, driver, application name: pactl's own connection and PipeWire's own parts are
    // left out.
    const QStringList own = {"pactl", "pipewire", "wireplumber"};
    const QStringList lines = listShort("clients");
    return std::count_if(lines.begin(), lines.end(), [&](const QString& line) {
        const QStringList fields = line.split('\t');
        return fields.size() >= 3 && !own.contains(fields[2]);
    });
}

bool SoundServer::setDefaultSink(const QString& name) {
    return pactl({"set-default-sink", name}).ok();
}

bool playTone(const SoundServer& server, QProcess& player, const QString& folder, double peak) {
    constexpr int kToneRate = 48000;
    std::vector<float> tone(2 * kToneRate * 60);
    for (std::size_t n = 0; n < tone.size(); ++n) {
        const double seconds = static_cast<double>(n / 2) / kToneRate;  // the frame's time
        tone[n] = static_cast<float>(peak * std::sin(2 * M_PI * 1000 * seconds));
    }
    const QString file = folder + "/tone.raw";
    return writeFile(file, QByteArray(reinterpret_cast<const char*>(tone.data()),
                                      static_cast<qsizetype>(tone.size() * sizeof(float)))) &&
           startHelper(
               player,
               {"pacat", "--raw", "--format=float32le", "--rate=48000", "--channels=2",
                "--device=" + QString(SoundServer::kSink), "--server=" + server.address(), file},
               folder + "/pacat.log");
}

SoundCapture::SoundCapture(const SoundServer& server) : m_server(server) {
    static int counter = 0;
    m_file = server.directory() + QString("/capture-%1.raw").arg(++counter);
}

bool SoundCapture::start() {
    const SoundServer::Options& sink = m_server.options();
    QStringList argv = {"parec",
                        "--raw",
                        "--latency-msec=100",
                        "--client-name=quilbo-test-capture",
                        "--device=" + QString(SoundServer::kSink) + ".monitor",
                        "--format=" + sink.sampleFormat,
                        "--rate=" + QString::number(sink.rate),
                        "--channels=" + QString::number(sink.channels),
                        "--server=" + m_server.address()};
    if (!sink.channelMap.isEmpty()) {
        argv << "--channel-map=" + sink.channelMap;
    }
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", m_server.directory() + "/home");
    // Recording has begun once the monitor's (silent) samples reach the file.
    return startHelper(m_parec, argv << m_file, m_file + ".log", env) &&
           waitUntil([this] { return bytesSoFar() > 0 || !running(m_parec); }, 15000) &&
           running(m_parec);
}

std::size_t SoundCapture::bytesSoFar() const {
    return static_cast<std::size_t>(QFileInfo(m_file).size());
}

std::vector<std::uint8_t> SoundCapture::stop() {
    if (running(m_parec)) {
        ::kill(static_cast<pid_t>(m_parec.processId()), SIGINT);
        stopHelper(m_parec, !m_parec.waitForFinished(5000));
    }
    return heardSoFar();
}

std::vector<std::uint8_t> SoundCapture::heardSoFar() const {
    QFile file(m_file);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return {bytes.begin(), bytes.end()};
}

LoopMatch matchLoop(const std::vector<std::uint8_t>& heard, const std::vector<std::uint8_t>& block,
                    std::size_t frameBytes) {
    LoopMatch match;
    const std::size_t size = block.size() - block.size() % frameBytes;
    const std::size_t probe = std::min<std::size_t>(size, 64 * frameBytes);
    if (size == 0) {
        return match;
    }
    // The loop twice over, so that a probe found anywhere in it may run over the seam.
    std::vector<std::uint8_t> loop(block.begin(), block.begin() + size);
    loop.insert(loop.end(), block.begin(), block.begin() + size);
    const auto loopEnd = loop.begin() + size + probe - 1;
    // Where in the loop the frames from `at` on belong. Silence (a gap) belongs nowhere, and
    // sound that fits nowhere for long is not the block: the search gives up.
    const auto resync = [&](std::size_t& at) {
        for (int misses = 0; at + probe <= heard.size() && misses < 4096; at += frameBytes) {
            const auto frame = heard.begin() + at;
            if (std::any_of(frame, frame + frameBytes, [](std::uint8_t b) { return b != 0; })) {
                const auto found =
                    std::search(loop.begin(), loopEnd,
                                std::boyer_moore_horspool_searcher(frame, frame + probe));
                if (found != loopEnd) {
                    return found - loop.begin();
                }
                ++misses;
            }
        }
        return std::ptrdiff_t(-1);
    };
    std::size_t at = 0;
    std::ptrdiff_t phase = resync(at);
    match.start = phase < 0 ? -1 : static_cast<std::ptrdiff_t>(at);
    while (phase >= 0 && at + frameBytes <= heard.size()) {
        if (std::equal(heard.begin() + at, heard.begin() + at + frameBytes, loop.begin() + phase)) {
            ++match.frames;
            at += frameBytes;
            match.end = at;
            phase = static_cast<std::ptrdiff_t>((phase + frameBytes) % size);
        } else {
            const std::size_t from = at;
            const std::ptrdiff_t expected = phase;
            if ((phase = resync(at)) < 0) {
                break;  // a break at the end of the capture is its end
            }
            const bool silent = std::all_of(heard.begin() + from, heard.begin() + at,
                                            [](std::uint8_t b) { return b == 0; });
            const std::size_t skipped = (phase + size - expected) % size;
            if (silent && skipped <= at - from) {
                ++match.silences;
                match.silencedFrames += skipped / frameBytes;
            } else {
                ++match.breaks;
            }
        }
    }
    return match;
}

}  // namespace quilbo::test
