// Plays the Frequency page's default block (1000 Hz sine, 16 bits, 44100 Hz, stereo, 5 s) looped
// into a private null sink for a while, counts the stream's underflow notices and compares the
// process CPU time with pacat playing the same audio into the same sink.
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "audio/PulseWaveOut.h"
#include "audio/WavePlayer.h"
#include "tests/support/Process.h"
#include "tests/support/SoundServer.h"
#include "tests/support/WindowQueue.h"

namespace {

using namespace std::chrono_literals;
using quilbo::test::WindowQueue;

constexpr int kRate = 44100;
constexpr std::size_t kBlockBytes = 882000;

class BenchPlayer : public quilbo::CWavePlayer {
public:
    using CWavePlayer::CWavePlayer;
    void setBlock(const std::vector<std::uint8_t>& bytes) {
        m_pBlock = quilbo::SampleBlock::allocate(bytes.size());
        std::memcpy(m_pBlock.data(), bytes.data(), bytes.size());
        m_nBlockSize = static_cast<std::int32_t>(bytes.size());
        m_bRepeat = true;
    }
};

std::vector<std::uint8_t> defaultBlock() {
    std::vector<std::uint8_t> bytes(kBlockBytes);
    const double pi = std::acos(-1.0);
    for (std::size_t frame = 0; frame < kBlockBytes / 4; ++frame) {
        const auto v = static_cast<std::int16_t>(
            std::sin(2 * pi * 1000.0 * static_cast<double>(frame) / kRate) * 32767 * 5 / 48);
        std::memcpy(&bytes[frame * 4], &v, 2);
        std::memcpy(&bytes[frame * 4 + 2], &v, 2);
    }
    return bytes;
}

double seconds(const timeval& tv) {
    return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    const int duration = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    quilbo::test::SoundServer server;
    if (!server.start()) {
        std::fprintf(stderr, "private PulseAudio daemon did not start:\n%s\n",
                     server.log().c_str());
        return 1;
    }
    const auto block = defaultBlock();

    quilbo::PulseWaveOut backend;
    WindowQueue window;
    BenchPlayer player(&backend, window.poster());
    player.setBlock(block);
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const auto started = std::chrono::steady_clock::now();
    if (player.StartPlayer(quilbo::buildWaveFormat(2, kRate, 16)) !=
        quilbo::CWavePlayer::StartResult::Started) {
        std::fprintf(stderr, "the player did not start\n");
        return 1;
    }
    // Nothing is posted while a block loops: the window thread just waits, as an idle one does.
    std::this_thread::sleep_for(std::chrono::seconds(duration));
    window.runPending();
    player.OnStop();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double ours = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    const auto underflows = backend.underflowCount();

    // The same audio for pacat: the block repeated for the same time.
    const auto file = server.directory() / "loop.raw";
    {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i * 5 < duration; ++i) {
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(block.size()));
        }
    }
    const double childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
    const auto pacat =
        quilbo::test::runCommand({"pacat", "--server=" + server.address(), "--raw",
                                  "--format=s16le", "--rate=44100", "--channels=2", file.string()},
                                 std::chrono::seconds(duration + 30));
    const double theirs = cpuSeconds(RUSAGE_CHILDREN) - childrenBefore;
    if (!pacat.ok()) {
        std::fprintf(stderr, "pacat failed: %s\n", pacat.output.c_str());
        return 1;
    }

    std::printf("looped playback: %.1f s, underflows %llu\n", wall,
                static_cast<unsigned long long>(underflows));
    std::printf("CPU time: player %.3f s, pacat %.3f s, ratio %.2f\n", ours, theirs,
                theirs > 0 ? ours / theirs : 0.0);
    return underflows == 0 ? 0 : 2;
}
