// A run's channels share their date (quilbo-measure and the Measure page date a run once) and, by
// name, their stem; an earlier run of the same name is left alone.
#include "measure/StoredRunLookup.h"

#include <algorithm>
#include <functional>

namespace quilbo {
namespace {

bool namesRun(const std::string& stored, const std::string& name) {
    if (stored == name) {
        return true;
    }
    const std::string stem = name + " (channel ";
    if (!stored.starts_with(stem) || !stored.ends_with(")")) {
        return false;
    }
    const std::string number = stored.substr(stem.size(), stored.size() - stem.size() - 1);
    return !number.empty() && number.size() <= 2 &&
           std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

StoredRunChannels refused(RunLookupProblem problem, std::string detail, std::string failure = {}) {
    return {{}, problem, std::move(detail), std::move(failure)};
}

// The newest date among the readable entries `belongs` accepts, and those entries of it.
StoredRunChannels findRun(const MeasurementStore& store, std::vector<MeasurementEntry> entries,
                          const std::string& asked,
                          const std::function<bool(const MeasurementEntry&)>& belongs) {
    if (store.folder().empty()) {
        return refused(RunLookupProblem::NoFolder, {});
    }
    std::erase_if(entries,
                  [&](const MeasurementEntry& e) { return e.refusal.failed() || !belongs(e); });
    if (entries.empty()) {
        return refused(RunLookupProblem::NotFound, asked);
    }
    const std::string date =
        std::max_element(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return a.date < b.date;
        })->date;
    StoredRunChannels run;
    for (const MeasurementEntry& entry : entries) {
        if (entry.date != date) {
            continue;
        }
        if (!entry.ok) {
            return refused(RunLookupProblem::Failed, entry.name, entry.problem);
        }
        LoadResult loaded = store.load(entry.id);
        if (!loaded.measurement) {
            return refused(RunLookupProblem::Unreadable, entry.name);
        }
        run.channels.push_back(std::move(*loaded.measurement));
    }
    return run;
}

}  // namespace

StoredRunChannels findStoredRun(const MeasurementStore& store, const std::string& name) {
    return findRun(store, store.list(), name,
                   [&](const MeasurementEntry& e) { return namesRun(e.name, name); });
}

StoredRunChannels findRunOf(const MeasurementStore& store,
                            const std::vector<MeasurementEntry>& listed, const std::string& id) {
    const auto chosen =
        std::find_if(listed.begin(), listed.end(), [&](const auto& e) { return e.id == id; });
    if (chosen == listed.end() || chosen->refusal.failed()) {
        return refused(RunLookupProblem::NotFound, id);
    }
    const std::string date = chosen->date;
    return findRun(store, listed, id, [&](const MeasurementEntry& e) { return e.date == date; });
}

std::string describeRunLookup(const StoredRunChannels& run) {
    switch (run.problem) {
        case RunLookupProblem::None:
            return {};
        case RunLookupProblem::NoFolder:
            return "no folder for stored measurements: neither XDG_DATA_HOME nor HOME is set";
        case RunLookupProblem::NotFound:
            return "no stored measurement is named '" + run.detail + "'";
        case RunLookupProblem::Failed:
            return "the measurement '" + run.detail + "' failed (" + run.failure +
                   "): there is nothing to correct";
        case RunLookupProblem::Unreadable:
            return "the measurement '" + run.detail + "' can no longer be read";
    }
    return {};
}

}  // namespace quilbo
