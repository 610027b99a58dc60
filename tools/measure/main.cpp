// quilbo-measure: plays the measuring sweep and records it (or writes the sweep to a file, or
// analyses a recording of it made elsewhere), and prints the figures for scripts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/MeasurementRun.h"
#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "media/WaveFile.h"
#include "tools/measure/CommandLine.h"
#include "tools/measure/Report.h"
#include "tools/measure/WavReader.h"

namespace {

using namespace quilbo;
using namespace quilbo::measurecli;

constexpr int kMeasured = 0, kBadArguments = 2, kNotMeasured = 3;

int fail(int status, const std::string& message) {
    std::fprintf(stderr, "quilbo-measure: %s\n", message.c_str());
    if (status == kBadArguments) {
        std::fputs(kUsage, stderr);
    }
    return status;
}

void printNote(const MeasureRequest& request) {
    if (!request.note.empty()) {
        std::fprintf(stderr, "quilbo-measure: %s\n", request.note.c_str());
    }
}

// What a measurement plays, laid out as the recorder plays it: each channel's signal in turn on
// its own channel of the file, a gap after each, the tail at the end. The file has as many
// channels as the highest one chosen; channel 1 alone gives a mono file.
std::vector<float> playedSignal(const MeasureSettings& settings, unsigned& fileChannels) {
    fileChannels = std::max(*std::max_element(settings.channels.begin(), settings.channels.end()),
                            settings.referenceChannel);
    const std::vector<float> signal = measurementSignal(settings);
    const auto gap =
        static_cast<std::size_t>(measurementGapSeconds(settings) * settings.sweep.rate + 0.5);
    const auto tail = static_cast<std::size_t>(settings.tailSeconds * settings.sweep.rate + 0.5);
    const std::size_t stride = signal.size() + gap;
    const std::size_t frames = stride * settings.channels.size() - gap + tail;
    std::vector<float> file(frames * fileChannels, 0.0F);
    for (std::size_t k = 0; k < settings.channels.size(); ++k) {
        for (std::size_t i = 0; i < signal.size(); ++i) {
            file[(k * stride + i) * fileChannels + settings.channels[k] - 1] = signal[i];
            if (settings.referenceChannel > 0) {
                file[(k * stride + i) * fileChannels + settings.referenceChannel - 1] = signal[i];
            }
        }
    }
    return file;
}

int writeSweep(const MeasureRequest& request) {
    unsigned channels = 1;
    const std::vector<float> samples = playedSignal(request.settings, channels);
    const FileWriteResult written =
        writeWaveFile(request.writeSweepPath, reinterpret_cast<const std::uint8_t*>(samples.data()),
                      samples.size() * sizeof(float), static_cast<int>(channels),
                      request.settings.sweep.rate, 32);
    if (!written) {
        return fail(kNotMeasured, describeFileWrite(request.writeSweepPath, written));
    }
    return kMeasured;
}

int measure(MeasureRequest& request) {
    MeasureResult result;
    if (!request.analysePath.empty()) {
        WavRecording wav = readWavRecording(request.analysePath);
        if (!wav.error.empty()) {
            return fail(kNotMeasured, wav.error);
        }
        if (!request.rateGiven) {
            request.settings.sweep.rate = wav.rate;
            fitDefaultsToRate(request);
            printNote(request);
        } else if (wav.rate != request.settings.sweep.rate) {
            return fail(kBadArguments, request.analysePath + " is at " + std::to_string(wav.rate) +
                                           " Hz, not the --rate of " +
                                           std::to_string(request.settings.sweep.rate) + " Hz");
        }
        if (const MeasureFailure problem = request.settings.sweep.validate(); problem.failed()) {
            return fail(kBadArguments,
                        request.analysePath + ": " + describeMeasureFailure(problem));
        }
        result = analyseRecording(std::move(wav.samples), request.settings);
    } else {
        PulseServer::Options options;
        options.applicationName = "quilbo-measure";
        PulseSweepRecorder recorder(std::make_shared<PulseServer>(options));
        result = runMeasurement(recorder, request.settings);
        if (result.record == RecordResult::BadRequest) {
            return fail(kBadArguments, describeMeasureResult(result));
        }
    }
    for (const MeasureFailure& disturbance : result.disturbedRuns) {
        std::fprintf(stderr, "quilbo-measure: note: measured again: %s\n",
                     describeMeasureFailure(disturbance).c_str());
    }
    // A disturbed run has no figures: nothing is printed or stored.
    if (result.disturbance() != nullptr) {
        return fail(kNotMeasured, describeMeasureResult(result));
    }
    const std::string written = report(request, result, stdout);
    if (result.ok() && !result.delaysExact) {
        std::fputs(
            "quilbo-measure: note: the sound server converts the sample rate with a delay it "
            "does not report: delays are from the first channel's (delay_from=first_channel)\n",
            stderr);
    }
    if (!result.ok()) {
        return fail(kNotMeasured, describeMeasureResult(result));
    }
    if (!written.empty()) {
        return fail(kNotMeasured, written);
    }
    return kMeasured;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    std::optional<MeasureRequest> request =
        parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!request) {
        return fail(kBadArguments, error);
    }
    if (request->help) {
        std::fputs(kUsage, stdout);
        return kMeasured;
    }
    if (request->version) {
        std::puts("quilbo-measure " QUILBO_VERSION);
        return kMeasured;
    }
    if (!request->analysePath.empty() && !request->rateGiven) {
        request->note.clear();  // the recording's rate decides
    }
    printNote(*request);
    if (!request->calibrationPath.empty()) {
        const CalibrationResult calibration = loadCalibration(request->calibrationPath);
        if (!calibration.calibration) {
            const std::string line = calibration.error.line > 0
                                         ? ":" + std::to_string(calibration.error.line)
                                         : std::string();
            return fail(kBadArguments, request->calibrationPath + line + ": " +
                                           describeCalibrationError(calibration.error));
        }
        request->settings.calibration = calibration.calibration;
    }
    return request->writeSweepPath.empty() ? measure(*request) : writeSweep(*request);
}
