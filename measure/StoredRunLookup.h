// Finding a run's channels among stored measurements: by the name quilbo-measure --store gave it
// (one channel stored as NAME, or a run of several stored as "NAME (channel N)"), or from one of
// its measurements (the channels that share its date: a run is dated once).
#pragma once

#include "measure/MeasurementStore.h"

#include <string>
#include <vector>

namespace quilbo {

enum class RunLookupProblem {
    None,
    NoFolder,    // no folder for stored measurements
    NotFound,    // no stored measurement of that name or id (detail: it)
    Failed,      // a channel of the run failed (detail: its name; problem: the stored reason)
    Unreadable,  // a channel can no longer be read (detail: its name)
};

struct StoredRunChannels {
    std::vector<Measurement> channels;  // the newest run's, one per channel
    RunLookupProblem problem = RunLookupProblem::None;
    std::string detail;
    std::string failure;  // with Failed
    bool found() const { return problem == RunLookupProblem::None; }
};

// The newest run of that name: the measurements named so that share the latest date.
StoredRunChannels findStoredRun(const MeasurementStore& store, const std::string& name);
// The run the stored measurement `id` belongs to, among the entries listed (as the store lists
// them): only the run's own files are read.
StoredRunChannels findRunOf(const MeasurementStore& store,
                            const std::vector<MeasurementEntry>& listed, const std::string& id);

// In English, for the command-line tool.
std::string describeRunLookup(const StoredRunChannels& run);

}  // namespace quilbo
