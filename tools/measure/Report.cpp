// The figures as "name=value" lines for scripts, and the exports and stored measurements, per
// channel.
#include "tools/measure/Report.h"

#include "measure/Export.h"
#include "measure/MeasurementStore.h"
#include "measuring/StoredResult.h"

#include <cmath>
#include <ctime>

namespace quilbo::measurecli {
namespace {

std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string described(const std::string& path, const FileWriteResult& written) {
    return written ? std::string() : describeFileWrite(path, written);
}

std::string store(const MeasureRequest& request, const MeasureResult& result,
                  const ChannelResult& channel, bool several, const std::string& date) {
    const MeasurementStore measurements(MeasurementStore::defaultFolder());
    if (measurements.folder().empty()) {
        return "no folder for stored measurements: neither XDG_DATA_HOME nor HOME is set";
    }
    const MeasurementLabel label{
        several ? request.storeName + " (channel " + std::to_string(channel.channel) + ")"
                : request.storeName,
        date,
        request.settings.output.empty() ? "default" : request.settings.output,
        !request.analysePath.empty()     ? request.analysePath
        : request.settings.input.empty() ? "default"
                                         : request.settings.input,
        request.calibrationPath,
        describeChannelFailure(result, channel.channel)};
    Measurement m = storedMeasurement(result, request.settings, channel.channel, label);
    const FileWriteResult saved = measurements.save(m);
    return saved
               ? std::string()
               : "cannot store the measurement: " + describeFileWrite(measurements.folder(), saved);
}

}  // namespace

std::string channelPath(const std::string& path, unsigned channel, bool several) {
    if (!several) {
        return path;
    }
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) {
        dot = path.size();  // no extension (a leading dot names a hidden file)
    }
    return path.substr(0, dot) + "." + std::to_string(channel) + path.substr(dot);
}

double thdAt1kHz(const HarmonicDistortion& distortion) {
    const std::vector<double>& f = distortion.frequency;
    for (std::size_t i = 1; i < f.size() && i < distortion.thdDb.size(); ++i) {
        if (f[i - 1] <= 1000.0 && f[i] >= 1000.0) {
            const double t = std::log(1000.0 / f[i - 1]) / std::log(f[i] / f[i - 1]);
            return distortion.thdDb[i - 1] + t * (distortion.thdDb[i] - distortion.thdDb[i - 1]);
        }
    }
    return NAN;
}

std::string report(const MeasureRequest& request, const MeasureResult& result, std::FILE* out) {
    const bool several = request.settings.channels.size() > 1;
    // One date for the run's channels: it tells their run apart from another of the same name.
    const std::string date = utcNow();
    // Where the start is not known exactly, the first channel's delay is the reference.
    double reference = 0.0;
    if (!result.delaysExact) {
        for (const ChannelResult& channel : result.channels) {
            if (channel.analysis.status == AnalysisStatus::Ok) {
                reference = channel.analysis.delaySeconds;
                break;
            }
        }
    }
    std::string failure;
    const auto note = [&](const std::string& problem) {
        if (failure.empty() && !problem.empty()) {
            failure = problem;
        }
    };
    for (const ChannelResult& channel : result.channels) {
        const Analysis& a = channel.analysis;
        const std::string prefix = several ? std::to_string(channel.channel) + "." : "";
        if (a.status == AnalysisStatus::Ok) {
            // Rounded first, so that a wire's delay reads 0.000 rather than -0.000.
            const double delayMs = std::round((a.delaySeconds - reference) * 1e6) / 1000.0 + 0.0;
            std::fprintf(out, "%sdelay_ms=%.3f\n", prefix.c_str(), delayMs);
            std::fprintf(out, "%sdelay_from=%s\n", prefix.c_str(),
                         result.delaysFromLoopback ? "loopback"
                         : result.delaysExact      ? "stream_start"
                                                   : "first_channel");
            std::fprintf(out, "%spolarity=%s\n", prefix.c_str(),
                         a.polarity == Polarity::Normal ? "normal" : "inverted");
            std::fprintf(out, "%ssnr_db=%.1f\n", prefix.c_str(), a.snrDb);
            std::fprintf(out, "%sthd_db=%.1f\n", prefix.c_str(), thdAt1kHz(a.distortion));
        }
        if (a.status != AnalysisStatus::Failed) {
            std::fprintf(out, "%sclipped=%s\n", prefix.c_str(),
                         a.status == AnalysisStatus::Clipped ? "yes" : "no");
        }
        if (a.status != AnalysisStatus::Ok) {
            continue;
        }
        if (!request.responsePath.empty()) {
            const std::string path = channelPath(request.responsePath, channel.channel, several);
            note(described(path, exportResponseText(path, a.response)));
        }
        if (!request.impulsePath.empty()) {
            const std::string path = channelPath(request.impulsePath, channel.channel, several);
            note(described(path, exportImpulseWav(path, a.impulse, request.settings.sweep.rate)));
        }
        if (!request.storeName.empty()) {
            note(store(request, result, channel, several, date));
        }
    }
    std::fflush(out);
    return failure;
}

}  // namespace quilbo::measurecli
