// How long a start, a stop and a resume keep the calling (window) thread while the sound server
// answers nothing (SIGSTOP): each is timed on a private PulseAudio and a private PipeWire server.
// Nothing here waits for the server, so each should take a few milliseconds at most.
//
// Run: build/<dir>/bench/quilbo_stopped_server_bench [rounds, default 5] [pulseaudio|pipewire]
#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/PulseServer.h"
#include "audio/PulseWaveOut.h"
#include "synth/Synthesis.h"
#include "tests/audio/TestPlayer.h"
#include "tests/support/SoundServer.h"

namespace {

using namespace quilbo;
using namespace quilbo::test;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Worst {
    double start = 0, stopPlaying = 0, stopOpening = 0, resume = 0;
};

bool runOn(ServerKind kind, int rounds) {
    SoundServer server(kind);
    if (!server.start()) {
        std::fprintf(stderr, "%s did not start:\n%s\n", serverKindName(kind), server.log().c_str());
        return false;
    }
    const auto sound = std::make_shared<PulseServer>();
    PulseWaveOut backend(sound);
    WindowThread window;
    TestPlayer player(&backend, window.poster());
    player.m_fade = true;  // a stop then fades from where the stream is heard
    if (!sound->sync()) {
        return false;
    }
    std::vector<std::uint8_t> block(44100 * 4 * 2);
    SynthesizeNoiseSeeded(3, block.data(), block.size(), 44100, 2, 16, 3, 0.5, nullptr);
    const auto format = buildWaveFormat(2, 44100, 16);
    Worst worst;
    for (int i = 0; i < rounds; ++i) {
        // Stops while the server is stopped, of a stream playing and of one still being made,
        // and a start between them.
        player.setBlock(block, true);
        player.startPlayer(format);
        QTest::qWait(300);
        server.pause();
        auto t = Clock::now();
        player.OnStop();
        worst.stopPlaying = std::max(worst.stopPlaying, msSince(t));
        player.setBlock(block, true);
        t = Clock::now();
        player.startPlayer(format);
        worst.start = std::max(worst.start, msSince(t));
        t = Clock::now();
        player.OnStop();
        worst.stopOpening = std::max(worst.stopOpening, msSince(t));
        server.resume();
        // A resume after a lost output, the server stopped meanwhile.
        player.setBlock(block, true);
        player.startPlayer(format);
        server.unloadSink(SoundServer::kSink);
        (void)QTest::qWaitFor([&] { return window.runPending(), player.canResume(); }, 10000);
        server.loadSink(SoundServer::kSink);
        server.setDefaultSink(SoundServer::kSink);
        (void)QTest::qWaitFor([&] { return !sound->devices().devices().outputs.empty(); }, 10000);
        server.pause();
        t = Clock::now();
        player.resumePlayer();
        worst.resume = std::max(worst.resume, msSince(t));
        player.OnStop();
        server.resume();
        window.runPending();
    }
    std::printf(
        "%-10s worst of %d: stop (playing) %.2f ms, start %.2f ms, stop (opening) %.2f ms, "
        "resume %.2f ms\n",
        serverKindName(kind), rounds, worst.stopPlaying, worst.start, worst.stopOpening,
        worst.resume);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    bool ok = true;
    for (ServerKind kind : {ServerKind::PulseAudio, ServerKind::PipeWire}) {
        if (argc > 2 &&
            std::strcmp(argv[2], kind == ServerKind::PipeWire ? "pipewire" : "pulseaudio") != 0) {
            continue;
        }
        ok = runOn(kind, rounds) && ok;
    }
    return ok ? 0 : 1;
}
