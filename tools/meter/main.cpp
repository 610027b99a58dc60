// quilbo-meter: a sound level meter for scripts. Records an input for a while through the
// streaming capture and prints its equivalent level, the highest time-weighted level, the
// C-weighted peak and, if asked, the fractional-octave band levels, in dB SPL when calibrated.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/PulseCapture.h"
#include "audio/PulseServer.h"
#include "measure/Calibration.h"
#include "measure/LiveAnalysis.h"
#include "tools/meter/CommandLine.h"

namespace {

using namespace quilbo;
using namespace quilbo::metercli;

constexpr int kMeasured = 0, kBadArguments = 2, kNotMeasured = 3;
constexpr int kRate = 48000;
// Heard before the run starts: the weighting filters settle and the time weighting takes the
// level, as a meter already running would have (see LevelMeter::startRun).
constexpr std::uint64_t kWarmUpFrames = kRate / 2;

int fail(int status, const std::string& message) {
    std::fprintf(stderr, "quilbo-meter: %s\n", message.c_str());
    if (status == kBadArguments) {
        std::fputs(kUsage, stderr);
    }
    return status;
}

std::string describeCapture(CaptureResult result, const std::string& input) {
    switch (result) {
        case CaptureResult::NoServer:
            return "no sound server answered";
        case CaptureResult::NoSource:
            return input.empty() ? "there is no default input" : "no input named " + input;
        case CaptureResult::BadFormat:
            return "the input cannot be recorded as 48000 Hz floats";
        case CaptureResult::Failed:
        case CaptureResult::Ok:
            break;
    }
    return "the input could not be recorded";
}

int measure(const MeterRequest& request, const std::optional<Calibration>& calibration) {
    LiveSettings settings;
    settings.rate = kRate;
    settings.weighting = request.weighting;
    settings.time = request.time;
    settings.bands.rate = kRate;
    settings.bands.bandsPerOctave = request.bandsPerOctave;
    settings.bands.frameLength = defaultFrameLength(kRate);
    settings.bands.lowestHz = 20.0;
    settings.averaging = {Averaging::Forever, 1};  // the run's average in each band
    if (request.sensitivityDb) {
        settings.scale = LevelScale::fromSensitivity(
            *request.sensitivityDb, calibration ? calibration->sensitivityDb : 0.0);
    }
    LiveAnalysis analysis(settings);

    PulseServer::Options options;
    options.applicationName = "quilbo-meter";
    PulseCapture capture(std::make_shared<PulseServer>(options));
    CaptureRequest capturing;
    capturing.source = request.input;
    capturing.rate = kRate;
    const std::uint64_t wanted =
        kWarmUpFrames + static_cast<std::uint64_t>(request.seconds * kRate);
    std::atomic<std::uint64_t> taken{0}, lost{0};
    const CaptureResult started = capture.start(capturing, [&](const CaptureBlock& block) {
        std::uint64_t done = taken.load();
        std::size_t at = 0;
        while (at < block.frames && done < wanted) {
            const std::uint64_t end = done < kWarmUpFrames ? kWarmUpFrames : wanted;
            const auto frames =
                static_cast<std::size_t>(std::min<std::uint64_t>(block.frames - at, end - done));
            analysis.feed(block.samples + at * block.channels, frames, block.channels);
            at += frames;
            done += frames;
            if (done == kWarmUpFrames) {
                analysis.startRun();
            }
        }
        if (done > kWarmUpFrames) {
            lost = block.overruns + block.droppedFrames;
        }
        taken = done;
    });
    if (started != CaptureResult::Ok) {
        return fail(kNotMeasured, describeCapture(started, request.input));
    }
    // Bounded: a stalled input ends the run two seconds past its time.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(request.seconds + 2.0);
    while (taken < wanted && !capture.lost() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    capture.stop();
    if (taken < wanted) {
        return fail(kNotMeasured, capture.lost() ? "the input went away during the measurement"
                                                 : "the input stopped delivering sound");
    }
    const LiveSnapshot s = analysis.snapshot();
    if (s.meter.leqDb <= kSilenceDb) {
        return fail(kNotMeasured, "the input was silent: nothing to measure");
    }
    if (s.over) {
        return fail(kNotMeasured,
                    "the input clipped: the figures would be too low (turn its gain down)");
    }
    if (lost > 0) {
        std::fputs("quilbo-meter: note: some input was lost on the way; the figures leave it out\n",
                   stderr);
    }
    std::printf("unit=%s\n", s.calibrated ? "dB SPL" : "dBFS");
    std::printf("leq_db=%.2f\nmax_db=%.2f\npeak_db=%.2f\n", s.meter.leqDb, s.meter.maxDb,
                s.meter.peakDb);
    bool skipped = false;
    for (std::size_t b = 0; b < s.bands.size(); ++b) {
        // A band narrower than the analysis resolves would read a tone in it wrongly.
        if (!s.resolved[b]) {
            skipped = true;
            continue;
        }
        const double correction = calibration ? calibration->dbAt(s.bands[b].centre) : 0.0;
        std::printf("band_%s_db=%.2f\n", nominalName(s.bands[b].nominal).c_str(),
                    s.bandDb[b] - correction);
    }
    if (skipped) {
        std::fputs(
            "quilbo-meter: note: bands narrower than 6 bins of the 65536-point analysis "
            "(0.73 Hz each) are left out\n",
            stderr);
    }
    return kMeasured;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (asksForHelp(args)) {
        std::fputs(kUsage, stdout);
        return kMeasured;
    }
    std::string error;
    const std::optional<MeterRequest> request = parseCommandLine(args, error);
    if (!request) {
        return fail(kBadArguments, error);
    }
    std::optional<Calibration> calibration;
    if (!request->calibrationPath.empty()) {
        const CalibrationResult read = loadCalibration(request->calibrationPath);
        if (!read.calibration) {
            const std::string line =
                read.error.line > 0 ? ":" + std::to_string(read.error.line) : std::string();
            return fail(kBadArguments, request->calibrationPath + line + ": " +
                                           describeCalibrationError(read.error));
        }
        calibration = read.calibration;
    }
    return measure(*request, calibration);
}
