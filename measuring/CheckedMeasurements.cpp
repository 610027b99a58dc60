// The checked stored measurements: read when checked, so that a redraw reads no file.
#include "measuring/CheckedMeasurements.h"

#include <algorithm>

namespace quilbo {

std::optional<LoadResult> CheckedMeasurements::check(const MeasurementStore& store,
                                                     const std::string& id) {
    if (contains(id)) {
        return std::nullopt;
    }
    LoadResult loaded = store.load(id);
    if (!loaded.measurement) {
        return loaded;
    }
    if (!loaded.measurement->calibration.empty()) {
        if (auto calibration = loadCalibration(loaded.measurement->calibration).calibration) {
            m_calibrations[id] = std::move(*calibration);
        }
    }
    m_measurements[id] = std::move(*loaded.measurement);
    return std::nullopt;
}

void CheckedMeasurements::uncheck(const std::string& id) {
    m_measurements.erase(id);
    m_calibrations.erase(id);
}

void CheckedMeasurements::clear() {
    m_measurements.clear();
    m_calibrations.clear();
}

void CheckedMeasurements::rename(const std::string& id, const std::string& name) {
    if (const auto found = m_measurements.find(id); found != m_measurements.end()) {
        found->second.name = name;
    }
}

bool CheckedMeasurements::keepOnly(const std::vector<std::string>& ids) {
    bool dropped = false;
    for (auto it = m_measurements.begin(); it != m_measurements.end();) {
        const bool gone = std::find(ids.begin(), ids.end(), it->first) == ids.end();
        if (gone) {
            m_calibrations.erase(it->first);
        }
        dropped = dropped || gone;
        it = gone ? m_measurements.erase(it) : std::next(it);
    }
    return dropped;
}

std::vector<StoredCurveSource> CheckedMeasurements::sources(
    const std::vector<std::string>& ids, const std::map<std::string, int>& styles) const {
    std::vector<StoredCurveSource> sources;
    for (const std::string& id : ids) {
        const auto found = m_measurements.find(id);
        if (found == m_measurements.end()) {
            continue;
        }
        const auto calibration = m_calibrations.find(id);
        const auto style = styles.find(id);
        sources.push_back({&found->second,
                           calibration != m_calibrations.end() ? &calibration->second : nullptr,
                           style != styles.end() ? style->second : 0});
    }
    return sources;
}

}  // namespace quilbo
