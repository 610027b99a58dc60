// The stored measurements checked for drawing on the Measure page: each read once when checked,
// with its microphone's calibration as the file reads now, and forgotten when unchecked or gone.
#pragma once

#include "measure/Calibration.h"
#include "measure/MeasurementStore.h"
#include "measuring/MeasureViewModel.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quilbo {

class CheckedMeasurements {
public:
    bool contains(const std::string& id) const { return m_measurements.count(id) != 0; }
    // Reads the measurement from store; the failed read when it cannot be, and nothing kept.
    std::optional<LoadResult> check(const MeasurementStore& store, const std::string& id);
    void uncheck(const std::string& id);
    void clear();
    void rename(const std::string& id, const std::string& name);
    // Forgets those not in ids; true when any went.
    bool keepOnly(const std::vector<std::string>& ids);
    // The checked ones among ids, in that order, with their styles, for the view model.
    std::vector<StoredCurveSource> sources(const std::vector<std::string>& ids,
                                           const std::map<std::string, int>& styles) const;

private:
    std::map<std::string, Measurement> m_measurements;
    // Their microphones' calibrations, for a re-smoothed response; absent where the file is gone.
    std::map<std::string, Calibration> m_calibrations;
};

}  // namespace quilbo
