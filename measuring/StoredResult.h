// How a measurement's result becomes what the store keeps: one function for the Measure page, the
// run-in and quilbo-measure, so that a stored measurement means the same whoever made it.
#pragma once

#include "audio/MeasurementRun.h"
#include "measure/MeasurementStore.h"

#include <string>

namespace quilbo {

// What the caller knows of a measurement beyond its result.
struct MeasurementLabel {
    std::string name;
    std::string date;  // ISO 8601 in UTC
    std::string output;
    std::string input;
    std::string calibration;  // the calibration file's path, empty for none
    std::string failure;      // why this channel failed, in the caller's words; kept if it did
    std::string session{};    // the run-in session's start, empty outside one
    MeasurementStage stage = MeasurementStage::None;
};

// One channel of a result: its impulse and response as analysed, failed (with the label's
// failure) unless the run recorded and the channel's analysis succeeded; a channel the result
// holds nothing for is failed.
Measurement storedMeasurement(const MeasureResult& result, const MeasureSettings& settings,
                              unsigned channel, const MeasurementLabel& label);

}  // namespace quilbo
