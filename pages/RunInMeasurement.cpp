// The run-in's measurements: their settings, names and storage.
#include "pages/RunInMeasurement.h"

#include "measure/MeasurementStore.h"
#include "pages/FileMessages.h"

#include <algorithm>

namespace quilbo {

namespace {
constexpr int kRate = 48000;
constexpr double kLevelDbfs = -20.0;
constexpr double kSweepSeconds = 5.0;
}  // namespace

MeasureSettings runInMeasureSettings() {
    MeasureSettings settings;
    settings.sweep.rate = kRate;
    settings.sweep.levelDbfs = kLevelDbfs;
    settings.sweep.seconds = kSweepSeconds;
    settings.channels = {1, 2};
    return settings;
}

QString runInMeasurementName(const QDateTime& sessionStart, RunInStage stage, unsigned channel) {
    return QStringLiteral("Run-in %1 %2, channel %3")
        .arg(sessionStart.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
             stage == RunInStage::Before ? QStringLiteral("before") : QStringLiteral("after"))
        .arg(channel);
}

QString storeRunInMeasurements(const MeasureResult& result, const MeasureSettings& settings,
                               const QDateTime& sessionStart, RunInStage stage,
                               const std::string& folder) {
    QString problem;
    if (!result.ok()) {
        problem = QString::fromStdString(result.message.empty() ? recordResultName(result.record)
                                                                : result.message);
    }
    if (folder.empty()) {
        return problem.isEmpty() ? FileMessages::reason({FileWriteError::NoFolder, 0}) : problem;
    }
    const MeasurementStore store(folder);
    const std::string date = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    for (const unsigned channel : settings.channels) {
        Measurement measurement;
        measurement.name = runInMeasurementName(sessionStart, stage, channel).toStdString();
        measurement.date = date;
        measurement.output = settings.output;
        measurement.input = settings.input;
        measurement.channel = static_cast<int>(channel);
        measurement.sweep = settings.sweep;
        const auto found =
            std::find_if(result.channels.begin(), result.channels.end(),
                         [channel](const ChannelResult& c) { return c.channel == channel; });
        if (result.record == RecordResult::Ok && found != result.channels.end() &&
            found->analysis.status == AnalysisStatus::Ok) {
            measurement.impulse = found->analysis.impulse;
            measurement.response = found->analysis.response;
        } else {
            measurement.ok = false;
            measurement.failure = found != result.channels.end() && !found->analysis.message.empty()
                                      ? found->analysis.message
                                      : problem.toStdString();
            if (measurement.failure.empty()) {
                measurement.failure = recordResultName(result.record);
            }
        }
        if (const FileWriteResult saved = store.save(measurement); !saved && problem.isEmpty()) {
            problem = FileMessages::reason(saved);
        }
    }
    return problem;
}

}  // namespace quilbo
