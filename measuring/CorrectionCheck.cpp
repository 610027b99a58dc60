// The after-curves come from the planner itself, so that before, predicted and after are smoothed
// and levelled alike: each channel planned alone over its own range, its "before" the after.
#include "measuring/CorrectionCheck.h"

#include "measuring/StoredResult.h"

namespace quilbo {

CorrectionCheck checkCorrection(const CorrectionPlan& plan, const PlanOptions& options,
                                const MeasureResult& result, const MeasureSettings& settings) {
    CorrectionCheck check;
    std::vector<std::optional<double>> arrivals;
    for (const ChannelPlan& planned : plan.channels) {
        const Measurement m =
            storedMeasurement(result, settings, static_cast<unsigned>(planned.channel), {});
        PlanOptions alone = options;
        alone.from = planned.from;
        alone.to = planned.to;
        CorrectionPlan again = planCorrection({m}, alone);
        if (!m.ok || again.failure.failed()) {
            check.channels.clear();
            check.failedChannel = planned.channel;
            check.analysisFailed = !m.ok;
            check.failure = again.failure;
            return check;
        }
        ChannelAfter& after = check.channels.emplace_back();
        after.channel = planned.channel;
        after.curves = std::move(again.channels.front());
        after.deviationDb = after.curves.beforeDb;  // at the after's own level
        arrivals.push_back(m.arrivalSeconds);
    }
    for (std::size_t k = 0; k < check.channels.size(); ++k) {
        ChannelAfter& after = check.channels[k];
        after.levelDb = after.curves.levelDb - check.channels[0].curves.levelDb;
        if (arrivals[k] && arrivals[0]) {
            after.arrivalMs = (*arrivals[k] - *arrivals[0]) * 1000;
        }
    }
    return check;
}

}  // namespace quilbo
