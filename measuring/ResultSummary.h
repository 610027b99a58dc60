// What the Measure page tells of a result beside its plot, worked out without widgets: each
// channel's delay, polarity and signal-to-noise ratio, or why it has none.
#pragma once

#include "audio/MeasurementRun.h"
#include "measuring/StoredResult.h"

#include <functional>
#include <string>
#include <vector>

namespace quilbo {

struct ChannelSummary {
    unsigned channel = 0;
    bool analysed = false;
    MeasureFailure problem;  // why, when not analysed
    double delayMs = 0.0;
    // Non-zero when the server converted the rate: the delay is then only known after this
    // channel's (the first analysed), not from the sweep's start.
    unsigned delayReference = 0;
    bool delayFromLoopback = false;  // from the timing reference's loopback, not the stream start
    Polarity polarity = Polarity::Normal;
    double snrDb = 0.0;
};

std::vector<ChannelSummary> summariseResult(const MeasureResult& result);

// The measurements a run leaves: one per channel analysed, or, when it recorded nothing, a failed
// one per channel asked for. nameOf names each by its channel, and failureOf says why its channel
// failed, in the words the file keeps (empty when it was analysed).
std::vector<Measurement> resultMeasurements(const MeasureResult& result,
                                            const MeasureSettings& settings, MeasurementLabel label,
                                            const std::function<std::string(unsigned)>& nameOf,
                                            const std::function<std::string(unsigned)>& failureOf);

}  // namespace quilbo
