// The trims come from levels: a trim of -t says the speaker plays t dB above the quietest.
#include "measure/CorrectionTrims.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quilbo {

bool useLevelTrims(CorrectionPlan& plan, const std::map<int, double>& trims) {
    if (plan.failure.failed() || plan.correction.channels.empty()) {
        return false;
    }
    double quietest = std::numeric_limits<double>::infinity();
    for (const ChannelCorrection& c : plan.correction.channels) {
        const auto trim = trims.find(c.channel);
        if (trim == trims.end() || !std::isfinite(trim->second)) {
            return false;
        }
        quietest = std::min(quietest, -trim->second + c.preampDb);
    }
    for (std::size_t k = 0; k < plan.correction.channels.size(); ++k) {
        ChannelCorrection& c = plan.correction.channels[k];
        const double trim =
            std::round((quietest + trims.at(c.channel) - c.preampDb) * 100) / 100 + 0.0;
        ChannelPlan& p = plan.channels[k];
        for (std::size_t i = 0; i < p.frequency.size(); ++i) {
            p.targetDb[i] += trim - c.trimDb;
            p.predictedDb[i] += trim - c.trimDb;
        }
        c.trimDb = trim;
    }
    return true;
}

}  // namespace quilbo
