// The Measure page's request as typed into its fields, checked and turned into a run's settings
// without widgets: the sweep's level, range and length and the channels it plays on.
#pragma once

#include "audio/MeasurementRun.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilbo {

inline constexpr double kMeasureSweepSeconds[] = {1, 3, 5, 10, 30};  // the lengths offered
inline constexpr double kLowestMeasureLevel = -100;                  // dBFS
inline constexpr double kHighestMeasureLevel = -6;
inline constexpr double kLowestMeasureFrequency = 10;  // Hz
inline constexpr int kMeasureSpeakers = 6;             // the channels offered one by one
inline constexpr int kMeasureReferenceChannels = 8;    // the timing reference's channels offered

struct MeasureRequest {
    std::optional<double> levelDbfs;  // empty: not a number
    std::optional<double> from;
    std::optional<double> to;
    int length = 0;     // an index into kMeasureSweepSeconds
    int channel = 0;    // 0 to kMeasureSpeakers - 1 one speaker, else all in turn
    int reference = 0;  // the output channel looped back to the input's second, 0: none
    // The output's channel count, for all in turn (the front pair when unknown).
    std::optional<std::size_t> outputChannels;
};

// Which field is wrong; Sweep is the engine's own refusal, its reason in sweepFailure.
enum class MeasureRequestError { None, Level, Range, Sweep };

struct MeasureRequestCheck {
    MeasureRequestError error = MeasureRequestError::None;
    MeasureFailure sweepFailure;
    MeasureSettings settings;  // the sweep and channels, when error is None
};

// A number as typed in a field, spaces around it allowed; empty when it is none.
std::optional<double> fieldNumber(std::string_view text);

// The highest end of the range the measurement rate allows.
double highestMeasureFrequency();

MeasureRequestCheck checkMeasureRequest(const MeasureRequest& request);

}  // namespace quilbo
