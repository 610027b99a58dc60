// Finding a stored measurement by the name quilbo-measure --store gave it: one channel stored as
// NAME, or a run of several stored as "NAME (channel N)".
#pragma once

#include "measure/MeasurementStore.h"

#include <string>
#include <vector>

namespace quilbo::correctcli {

struct StoredRun {
    std::vector<Measurement> channels;  // the newest run's, one per channel
    std::string error;                  // why there is none, when empty
};

// The newest run of that name: the measurements named so that share the latest date.
StoredRun findStoredRun(const MeasurementStore& store, const std::string& name);

}  // namespace quilbo::correctcli
