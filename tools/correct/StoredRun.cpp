// A run's channels share their name's stem and their date (quilbo-measure and the Measure page
// date a run once); an earlier run of the same name is left alone.
#include "tools/correct/StoredRun.h"

#include <algorithm>

namespace quilbo::correctcli {
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

}  // namespace

StoredRun findStoredRun(const MeasurementStore& store, const std::string& name) {
    if (store.folder().empty()) {
        return {{}, "no folder for stored measurements: neither XDG_DATA_HOME nor HOME is set"};
    }
    std::vector<MeasurementEntry> entries = store.list();  // by date
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const MeasurementEntry& e) {
                                     return e.refusal.failed() || !namesRun(e.name, name);
                                 }),
                  entries.end());
    if (entries.empty()) {
        return {{}, "no stored measurement is named '" + name + "'"};
    }
    const std::string date = entries.back().date;
    StoredRun run;
    for (const MeasurementEntry& entry : entries) {
        if (entry.date != date) {
            continue;
        }
        if (!entry.ok) {
            return {{},
                    "the measurement '" + entry.name + "' failed (" + entry.problem +
                        "): there is nothing to correct"};
        }
        LoadResult loaded = store.load(entry.id);
        if (!loaded.measurement) {
            return {{}, "the measurement '" + entry.name + "' can no longer be read"};
        }
        run.channels.push_back(std::move(*loaded.measurement));
    }
    return run;
}

}  // namespace quilbo::correctcli
