// The stored measurements as an index: each file's summary by id, filled from the folder by a
// reader off the window thread, then kept current by the saves, renames and deletions made
// through it, so that none of them reads the folder again.
#pragma once

#include "measure/MeasurementStore.h"

#include <map>
#include <optional>
#include <string>

namespace quilbo {

class MeasurementIndex {
public:
    explicit MeasurementIndex(std::string folder);

    const MeasurementStore& store() const { return m_store; }

    // Forgets every entry, for the folder to be read again.
    void clear() { m_entries.clear(); }
    // An entry as read from the folder; it replaces one of the same id.
    void add(const MeasurementEntry& entry) { m_entries[entry.id] = entry; }
    const MeasurementEntry* find(const std::string& id) const;
    std::size_t size() const { return m_entries.size(); }

    // Saves measurement (a fresh id when it has none) and indexes what was written.
    FileWriteResult save(Measurement& measurement);
    // Stores the measurement id under a new name, reading and writing that file alone. The
    // failed read when the file cannot be read; else nothing, and saved says how the write went.
    std::optional<LoadResult> rename(const std::string& id, const std::string& name,
                                     FileWriteResult& saved);
    // Deletes the file and its entry; when it cannot, why not (the entry is kept).
    MeasureFailure remove(const std::string& id);

private:
    MeasurementStore m_store;
    std::map<std::string, MeasurementEntry> m_entries;
};

}  // namespace quilbo
