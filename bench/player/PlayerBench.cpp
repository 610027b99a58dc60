// Looped playback on a private PulseAudio and a private PipeWire, at 192000 Hz x 6 x 32 bits
// and at 44100 Hz x 2 x 16 bits, with two busy loops on the cores: dropouts counted in a capture
// of the sink's monitor against the block (not only the server's underflow notices), and the
// player's CPU time against pacat playing the same bytes the same way.
//
// Run: build/<dir>/bench/quilbo_player_bench [seconds per run, default 60] [pulseaudio|pipewire]
#include <sys/resource.h>

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "audio/PulseWaveOut.h"
#include "audio/WavePlayer.h"
#include "synth/Synthesis.h"
#include "tests/audio/TestPlayer.h"
#include "tests/support/SoundServer.h"

namespace {

using namespace quilbo;
using namespace quilbo::test;

struct Format {
    int rate, channels, bits;
    const char* sample;
    const char* map;
    std::size_t frame() const { return static_cast<std::size_t>(channels) * (bits / 8); }
};

class BenchPlayer : public CWavePlayer {
public:
    using CWavePlayer::CWavePlayer;
    void loop(const std::vector<std::uint8_t>& bytes) {
        m_pBlock = SampleBlock::allocate(bytes.size());
        std::memcpy(m_pBlock.data(), bytes.data(), bytes.size());
        m_nBlockSize = static_cast<std::int32_t>(bytes.size());
        m_bRepeat = true;
    }
};

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Figures {
    LoopMatch heard;
    std::uint64_t underflows = 0;
    double cpu = 0;
};

// One second of white noise from the renderer: it never repeats within itself, so every frame of
// a capture can be placed in the loop.
std::vector<std::uint8_t> block(const Format& f) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(f.rate) * f.frame());
    SynthesizeNoiseSeeded(1, bytes.data(), static_cast<std::uint32_t>(bytes.size()), f.rate,
                          f.channels, f.bits, 3, 0.5, nullptr);
    return bytes;
}

Figures playWithPlayer(const SoundServer& server, const Format& f,
                       const std::vector<std::uint8_t>& bytes, int seconds) {
    Figures figures;
    PulseWaveOut backend;
    WindowThread window;
    BenchPlayer player(&backend, window.poster());
    player.loop(bytes);
    SoundCapture capture(server);
    if (!capture.start()) {
        return figures;
    }
    const double before = cpuSeconds(RUSAGE_SELF);
    if (player.startPlayer(buildWaveFormat(f.channels, f.rate, f.bits)) ==
        CWavePlayer::StartResult::Started) {
        // A looping block posts nothing: the window thread waits, as an idle one does.
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        window.runPending();
        player.OnStop();
    }
    figures.cpu = cpuSeconds(RUSAGE_SELF) - before;
    figures.underflows = backend.underflowCount();
    figures.heard = matchLoop(capture.stop(), bytes, f.frame());
    return figures;
}

Figures playWithPacat(const SoundServer& server, const Format& f,
                      const std::vector<std::uint8_t>& bytes, int seconds) {
    Figures figures;
    const QString file = server.directory() + "/loop.raw";
    {
        std::ofstream out(file.toStdString(), std::ios::binary);
        for (int i = 0; i < seconds; ++i) {
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        }
    }
    SoundCapture capture(server);
    if (!capture.start()) {
        return figures;
    }
    // Only pacat ends meanwhile: the busy loops and parec are reaped later.
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    runCommand({"pacat", "--server=" + server.address(), "--raw", QString("--format=") + f.sample,
                "--rate=" + QString::number(f.rate), "--channels=" + QString::number(f.channels),
                QString("--channel-map=") + f.map, file},
               QProcessEnvironment::systemEnvironment(), (seconds + 60) * 1000);
    figures.cpu = cpuSeconds(RUSAGE_CHILDREN) - before;
    figures.heard = matchLoop(capture.stop(), bytes, f.frame());
    QFile::remove(file);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // the helper processes' and the player's event queue
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const Format formats[] = {{192000, 6, 32, "float32le",
                               "front-left,front-right,rear-left,rear-right,front-center,lfe"},
                              {44100, 2, 16, "s16le", "front-left,front-right"}};
    const std::string only = argc > 2 ? argv[2] : "";
    int dropouts = 0;
    std::printf("%-10s %-17s %8s %8s %10s %8s %9s %9s %6s\n", "server", "format", "seconds",
                "dropouts", "underflows", "pacat", "CPU ours", "CPU pacat", "ratio");
    for (ServerKind kind : {ServerKind::PulseAudio, ServerKind::PipeWire}) {
        std::string name = serverKindName(kind);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        if (!only.empty() && only != name) {
            continue;
        }
        for (const Format& f : formats) {
            SoundServer server(kind, SoundServer::Options{.sampleFormat = f.sample,
                                                          .rate = f.rate,
                                                          .channels = f.channels,
                                                          .channelMap = f.map});
            if (!server.start()) {
                std::fprintf(stderr, "%s did not start:\n%s\n", serverKindName(kind),
                             server.log().c_str());
                return 1;
            }
            QProcess busy[2];
            for (auto& loop : busy) {
                startHelper(loop, {"sh", "-c", "while :; do :; done"});
            }
            const auto bytes = block(f);
            const Figures ours = playWithPlayer(server, f, bytes, seconds);
            const Figures pacat = playWithPacat(server, f, bytes, seconds);
            const bool alive = server.running();
            for (auto& loop : busy) {
                loop.kill();
                loop.waitForFinished();
            }
            char format[32];
            std::snprintf(format, sizeof format, "%d Hz %d x %d", f.rate, f.channels, f.bits);
            std::printf("%-10s %-17s %8.1f %8d %10llu %8d %9.2f %9.2f %6.2f%s\n",
                        serverKindName(kind), format, double(ours.heard.frames) / f.rate,
                        ours.heard.breaks + ours.heard.silences,
                        static_cast<unsigned long long>(ours.underflows),
                        pacat.heard.breaks + pacat.heard.silences, ours.cpu, pacat.cpu,
                        pacat.cpu > 0 ? ours.cpu / pacat.cpu : 0.0, alive ? "" : "  SERVER DIED");
            std::fflush(stdout);
            const bool wholeRun = ours.heard.frames + ours.heard.silencedFrames + f.rate / 2 >=
                                  std::size_t(seconds) * f.rate;
            dropouts += ours.heard.breaks + ours.heard.silences + (wholeRun && alive ? 0 : 1);
        }
    }
    std::printf(
        "seconds: frames heard in loop order; dropouts: gaps and breaks in the loop (skips)\n"
        "in the monitor capture; pacat: its gaps and breaks playing the same bytes\n");
    return dropouts == 0 ? 0 : 2;
}
