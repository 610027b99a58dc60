// Planning a loudspeaker correction from stored measurements: per channel the filters that bring
// the response to the target within a range, a preamp that keeps full scale from clipping, and
// from a run of several channels the delay and level trims that align the speakers.
#pragma once

#include "measure/Correction.h"
#include "measure/CorrectionTarget.h"
#include "measure/MeasurementStore.h"

#include <optional>
#include <string>
#include <vector>

namespace quilbo {

struct PlanOptions {
    CorrectionTarget target;
    // The range the filters correct; by default the measurement's own, from where its low end
    // rolls off to the top of its sweep.
    std::optional<double> from, to;
    double maxBoostDb = 6;  // the filters' summed boost, 0 to 20
    int bands = 10;         // filters per channel at most, 1 to 20
    bool invert = false;    // channels measured inverted are inverted in the correction
};

enum class PlanProblem {
    None,
    NoMeasurements,     // nothing to correct
    MeasurementFailed,  // detail: the channel; a failed measurement has nothing to correct
    NoImpulse,          // detail: the channel; no impulse, or one that is silent or not finite
    RatesDiffer,        // the channels were measured at different rates
    ChannelTwice,       // detail: the channel, given by two measurements
    Bands,              // the number of filters is not 1 to 20
    MaxBoost,           // the boost limit is not 0 to 20 dB
    Tilt,               // the tilt is not -20 to 20 dB per decade
    Curve,              // a target curve of fewer than two points
    Range,              // detail: the channel; the range is not within its sweep, or too narrow
};

struct PlanFailure {
    PlanProblem problem = PlanProblem::None;
    std::string detail;
    bool failed() const { return problem != PlanProblem::None; }
};

// A channel's curves on a log-frequency axis within its sweep, smoothed to a sixth of an octave.
// The target and the prediction sit at the corrected level (with the preamp and trim), so their
// difference is the deviation left; the measured curve stays at its own level.
struct ChannelPlan {
    int channel = 1;
    double from = 0, to = 0;  // the range corrected, Hz
    std::vector<double> frequency;
    std::vector<double> measuredDb;
    std::vector<double> targetDb;
    std::vector<double> predictedDb;  // measured + filters + preamp + trim, exact responses
    double beforeDb = 0;     // the largest |measured - target| in range, the target at its level
    double deviationDb = 0;  // the largest |predicted - target| in range
    bool measuredInverted = false;  // the impulse's main peak points down
    double levelDb = 0;             // the target's level before the correction (dB, as measured)
};

struct CorrectionPlan {
    Correction correction;
    std::vector<ChannelPlan> channels;  // in the correction's order
    // False when some channel's arrival is not known (a measurement stored before arrivals
    // were): its delays are then all 0.
    bool delaysKnown = true;
    PlanFailure failure;  // when failed, nothing else holds
};

// The measurements are one run's channels (the arrivals of one run share their origin).
// Deterministic; channels come back in order of channel number.
CorrectionPlan planCorrection(const std::vector<Measurement>& channels, const PlanOptions& options);

// In English, for the command-line tool.
std::string describePlanFailure(const PlanFailure& failure);

// PipeWire's name for a 1-based output channel, in the order the speaker mask gives channels
// (front left, front right, rear left, rear right, front centre, LFE, then the others).
std::string channelPosition(int channel);

}  // namespace quilbo
