// A correction judged by measuring again through it: each channel's response after, on the
// planner's axis and smoothing, its largest deviation from the target the plan aimed at within
// the plan's range, and its level and arrival against the first channel's.
#pragma once

#include "audio/MeasurementRun.h"
#include "measure/CorrectionPlan.h"

#include <optional>
#include <vector>

namespace quilbo {

struct ChannelAfter {
    int channel = 1;
    double deviationDb = 0;           // the largest |after - target| in the plan's range
    double levelDb = 0;               // against the first channel's
    std::optional<double> arrivalMs;  // against the first channel's; unknown without arrivals
    ChannelPlan curves;               // the after-response as measuredDb, its target
};

struct CorrectionCheck {
    std::vector<ChannelAfter> channels;  // in the plan's order, when nothing failed
    // A channel of the plan that has no after: its analysis failed (analysisFailed), or its
    // response gives no plan (failure says why).
    std::optional<int> failedChannel;
    bool analysisFailed = false;
    PlanFailure failure;
};

// The run through the correction (`result` as run with `settings`) against the plan made with
// `options`. The run itself must have succeeded (result.ok()).
CorrectionCheck checkCorrection(const CorrectionPlan& plan, const PlanOptions& options,
                                const MeasureResult& result, const MeasureSettings& settings);

}  // namespace quilbo
