// A result's channel as a stored measurement.
#include "measuring/StoredResult.h"

#include <algorithm>

namespace quilbo {

Measurement storedMeasurement(const MeasureResult& result, const MeasureSettings& settings,
                              unsigned channel, const MeasurementLabel& label) {
    Measurement m;
    m.name = label.name;
    m.date = label.date;
    m.output = label.output;
    m.input = label.input;
    m.channel = static_cast<int>(channel);
    m.sweep = settings.sweep;
    m.calibration = label.calibration;
    m.session = label.session;
    m.stage = label.stage;
    const auto found =
        std::find_if(result.channels.begin(), result.channels.end(),
                     [channel](const ChannelResult& c) { return c.channel == channel; });
    if (found == result.channels.end()) {
        m.ok = false;
        m.failure = label.failure;
        return m;
    }
    const Analysis& analysis = found->analysis;
    m.ok = result.record == RecordResult::Ok && analysis.status == AnalysisStatus::Ok;
    m.failure = m.ok ? std::string() : label.failure;
    m.impulse = analysis.impulse;
    m.response = analysis.response;
    if (m.ok) {
        m.arrivalSeconds = analysis.delaySeconds;
    }
    return m;
}

}  // namespace quilbo
