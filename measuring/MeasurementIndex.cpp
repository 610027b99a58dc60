// The index of stored measurements: every change goes to the file first, then to the entry.
#include "measuring/MeasurementIndex.h"

#include <utility>

namespace quilbo {

MeasurementIndex::MeasurementIndex(std::string folder) : m_store(std::move(folder)) {}

const MeasurementEntry* MeasurementIndex::find(const std::string& id) const {
    const auto found = m_entries.find(id);
    return found != m_entries.end() ? &found->second : nullptr;
}

FileWriteResult MeasurementIndex::save(Measurement& measurement) {
    const FileWriteResult saved = m_store.save(measurement);
    if (saved) {
        add(entryOf(measurement));
    }
    return saved;
}

std::optional<LoadResult> MeasurementIndex::rename(const std::string& id, const std::string& name,
                                                   FileWriteResult& saved) {
    LoadResult loaded = m_store.load(id);
    if (!loaded.measurement) {
        return loaded;
    }
    loaded.measurement->name = name;
    saved = save(*loaded.measurement);
    return std::nullopt;
}

MeasureFailure MeasurementIndex::remove(const std::string& id) {
    const MeasureFailure error = m_store.remove(id);
    if (!error.failed()) {
        m_entries.erase(id);
    }
    return error;
}

}  // namespace quilbo
