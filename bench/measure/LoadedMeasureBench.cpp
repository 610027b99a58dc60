// Measurements of an emulated loudspeaker whose response is known exactly, made while every core
// is kept busy by processes at the desktop's usual priority (as a compiler or a browser would):
// how many come back measured (with their tries), how many are refused, and whether any that
// came back is wrong. A right one matches the filter within 0.3 dB from 40 Hz to 16 kHz and the
// delay measured on the idle machine within 0.05 ms.
//
// Run: build/<dir>/bench/quilbo_loaded_measure_bench [runs, default 20] [pulseaudio|pipewire]
//      [busy processes, default one per core] [user]
// "user": the measurement's threads get no more priority than a desktop user's process would
// (root gives up the right to raise it once the server is up), as on a system without real-time
// limits for audio. Name one server with it: the second would start without that right too.
#include "audio/MeasurementRun.h"
#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "measure/Biquad.h"
#include "tests/support/EmulatedSpeaker.h"

#include <QCoreApplication>

#include <strings.h>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace quilbo;
using namespace quilbo::test;

constexpr int kRate = 48000;

// Processes that spin until they are killed; killed (only these) when it goes.
class BusyCores {
public:
    explicit BusyCores(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long n = 0;
                for (;;) {
                    n = n + 1;
                }
            }
            if (pid > 0) {
                m_pids.push_back(pid);
            }
        }
    }
    ~BusyCores() {
        for (const pid_t pid : m_pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    BusyCores(const BusyCores&) = delete;
    BusyCores& operator=(const BusyCores&) = delete;

private:
    std::vector<pid_t> m_pids;
};

// Root's right to raise a thread's priority, given up for good, and no limits that would grant it.
bool giveUpPriority() {
    const rlimit none{0, 0};
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (setrlimit(RLIMIT_RTPRIO, &none) != 0 || setrlimit(RLIMIT_NICE, &none) != 0 ||
        syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    for (auto& set : data) {
        set.effective &= ~(1u << CAP_SYS_NICE);
        set.permitted &= ~(1u << CAP_SYS_NICE);
    }
    return syscall(SYS_capset, &header, data) == 0;
}

struct Tally {
    int right = 0, wrong = 0, refused = 0, measuredAgain = 0;
    std::map<std::string, int> reasons;
};

bool runOn(ServerKind kind, int runs, int busy, bool asUser) {
    SoundServer server(kind, SinkOptions{"float32le", kRate, 2, {}});
    if (!server.start()) {
        std::fprintf(stderr, "%s did not start:\n%s\n", serverKindName(kind), server.log().c_str());
        return false;
    }
    const bool pipeWire = kind == ServerKind::PipeWire;
    EmulatedSpeaker speaker(server);
    if (!(pipeWire ? speaker.startPaths({{0, 1, {{"bq_peaking", 1000, 1.4, 6}}, {}}})
                   : speaker.startPerfect())) {
        std::fprintf(stderr, "no emulated loudspeaker:\n%s\n", speaker.log().c_str());
        return false;
    }
    if (asUser && !giveUpPriority()) {
        std::perror("cannot give up the right to raise priority");
        return false;
    }
    const Biquad peak = Biquad::peaking(kRate, 1000, pipeWire ? 6 : 0, 1.4);
    MeasureSettings settings;
    settings.sweep.rate = kRate;
    settings.sweep.seconds = 2;
    settings.sweep.levelDbfs = -20;
    const auto measure = [&] {
        PulseSweepRecorder recorder(std::make_shared<PulseServer>());
        return runMeasurement(recorder, settings);
    };
    const MeasureResult idle = measure();
    if (!idle.ok()) {
        std::fprintf(stderr, "the idle measurement failed: %s\n",
                     describeMeasureResult(idle).c_str());
        return false;
    }
    const double idleDelay = idle.channels[0].analysis.delaySeconds;

    Tally tally;
    {
        const BusyCores load(busy);
        for (int run = 0; run < runs; ++run) {
            const MeasureResult result = measure();
            tally.measuredAgain += result.disturbedRuns.empty() ? 0 : 1;
            if (!result.ok()) {
                ++tally.refused;
                ++tally.reasons[describeMeasureResult(result)];
                continue;
            }
            const Analysis& a = result.channels[0].analysis;
            double worst = 0;
            for (std::size_t i = 0; i < a.response.frequency.size(); ++i) {
                const double f = a.response.frequency[i];
                if (f >= 40 && f <= 16000) {
                    const double exact = 20 * std::log10(std::abs(peak.response(f)));
                    worst = std::max(worst, std::abs(a.response.db[i] - exact));
                }
            }
            const bool right = worst < 0.3 && std::abs(a.delaySeconds - idleDelay) < 5e-5;
            (right ? tally.right : tally.wrong) += 1;
            if (!right) {
                std::printf("  wrong: %.2f dB off, delay %.3f ms against %.3f ms\n", worst,
                            a.delaySeconds * 1e3, idleDelay * 1e3);
            }
        }
    }
    std::printf(
        "%s%s, %d runs with %d busy processes: %d measured (%d right, %d wrong), %d refused; "
        "%d measured again after a disturbed sweep\n",
        serverKindName(kind), asUser ? " (a user's priority)" : "", runs, busy,
        tally.right + tally.wrong, tally.right, tally.wrong, tally.refused, tally.measuredAgain);
    for (const auto& [reason, count] : tally.reasons) {
        std::printf("  refused %d x: %s\n", count, reason.c_str());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int busy = argc > 3 ? std::max(0, std::atoi(argv[3]))
                              : static_cast<int>(std::thread::hardware_concurrency());
    const bool asUser = argc > 4 && std::strcmp(argv[4], "user") == 0;
    bool ok = true;
    for (const ServerKind kind : {ServerKind::PulseAudio, ServerKind::PipeWire}) {
        if (argc > 2 && strcasecmp(argv[2], serverKindName(kind)) != 0) {
            continue;
        }
        ok = runOn(kind, runs, busy, asUser) && ok;
    }
    return ok ? 0 : 1;
}
