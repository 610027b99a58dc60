// The run-in's measurements: their settings, names and storage.
#include "measuring/RunInMeasurement.h"

#include "measure/MeasurementStore.h"
#include "measuring/MeasurementRate.h"
#include "measuring/StoredResult.h"

namespace quilbo {

namespace {
constexpr double kRunInLevelDbfs = -20.0;
constexpr double kRunInSweepSeconds = 5.0;
}  // namespace

MeasureSettings runInMeasureSettings() {
    MeasureSettings settings;
    settings.sweep.rate = kMeasurementRate;
    settings.sweep.levelDbfs = kRunInLevelDbfs;
    settings.sweep.seconds = kRunInSweepSeconds;
    settings.channels = {1, 2};
    return settings;
}

QString runInMeasurementName(const QDateTime& sessionStart, RunInStage stage, unsigned channel) {
    return QStringLiteral("Run-in %1 %2, channel %3")
        .arg(sessionStart.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
             stage == RunInStage::Before ? QStringLiteral("before") : QStringLiteral("after"))
        .arg(channel);
}

FileWriteResult storeRunInMeasurements(const MeasureResult& result, const MeasureSettings& settings,
                                       const QDateTime& sessionStart, RunInStage stage,
                                       const std::string& folder,
                                       const std::function<std::string(unsigned)>& channelFailure) {
    if (folder.empty()) {
        return {FileWriteError::NoFolder, 0};
    }
    const MeasurementStore store(folder);
    const std::string date = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    MeasurementLabel label{{}, date, settings.output, settings.input, {}, {}};
    label.session = sessionStart.toUTC().toString(Qt::ISODate).toStdString();
    label.stage = stage == RunInStage::Before ? MeasurementStage::Before : MeasurementStage::After;
    FileWriteResult first;
    for (const unsigned channel : settings.channels) {
        label.name = runInMeasurementName(sessionStart, stage, channel).toStdString();
        label.failure = channelFailure(channel);
        Measurement measurement = storedMeasurement(result, settings, channel, label);
        if (const FileWriteResult saved = store.save(measurement); !saved && first) {
            first = saved;
        }
    }
    return first;
}

}  // namespace quilbo
