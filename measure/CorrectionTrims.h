// Level trims measured elsewhere (the Speakers page's level match, read with the check signal at
// the listening place) in place of the ones a correction's planner took from the sweeps.
#pragma once

#include "measure/CorrectionPlan.h"

#include <map>

namespace quilbo {

// trims: per 1-based channel, the dB that brings it to the quietest speaker (0 or below). Every
// channel of the plan needs one, else nothing changes and the answer is false. The filters'
// preamps stay; each channel's trim becomes what makes it play, with its preamp, as loud as the
// quietest by those trims, and the plan's target and predicted curves move with it.
bool useLevelTrims(CorrectionPlan& plan, const std::map<int, double>& trims);

}  // namespace quilbo
