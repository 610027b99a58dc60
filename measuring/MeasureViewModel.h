// What the Measure page draws, worked out without widgets: the current result's channels and the
// checked stored measurements, in the view and smoothing chosen, calibrated, and the difference
// of a run-in's before and after. The page only words the curves' names and shows them.
#pragma once

#include "audio/MeasurementRun.h"
#include "measure/Calibration.h"
#include "measure/MeasurementStore.h"

#include <string>
#include <vector>

namespace quilbo {

enum class MeasureView { Response, Phase, Impulse, Distortion };

// Which curve it is, so that the page can name it in the interface's language.
enum class MeasureCurveKind {
    Channel,
    SecondHarmonic,
    ThirdHarmonic,
    Distortion,
    Stored,
    Difference
};

struct MeasureCurve {
    MeasureCurveKind kind = MeasureCurveKind::Channel;
    unsigned channel = 0;  // the result's channel, for the result's curves
    std::string name;      // the stored measurement's name, for Stored
    int style = 0;
    std::vector<double> x;  // Hz, or ms from the impulse's largest sample in the impulse view
    std::vector<double> y;
};

struct StoredCurveSource {
    const Measurement* measurement = nullptr;
    // Its calibration file as read now; null when it has none or the file can no longer be read.
    const Calibration* calibration = nullptr;
    int style = 0;
};

struct MeasureViewInput {
    MeasureView view = MeasureView::Response;
    Smoothing smoothing = Smoothing::None;
    const MeasureResult* result = nullptr;           // the last result, if any
    int resultRate = 0;                              // its sweep's rate
    const Calibration* resultCalibration = nullptr;  // applied to the result, if any
    std::vector<std::string> resultIds;     // the stored ids of the result's channels, in order
    std::vector<int> resultStyles;          // and their styles
    std::vector<StoredCurveSource> stored;  // the checked stored ones, in the list's order
};

// The curves in the order drawn: the result's channels (three each in the distortion view), the
// stored ones not already drawn as the result (each re-smoothed from its impulse response, none
// in the distortion view: a stored measurement keeps no harmonics), then, in the response view,
// the difference after - before when exactly two stored ones are checked and they are one run-in
// channel's pair.
std::vector<MeasureCurve> measureCurves(const MeasureViewInput& input);

}  // namespace quilbo
