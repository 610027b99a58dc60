// The Measure page's state without widgets: the stored measurements as listed (their order, fixed
// colours and checks), the microphone's calibration, the last run's result and the measurements it
// left, and from these the curves to draw and the result's summary. The page only shows what this
// gives it and words it.
#pragma once

#include "audio/MeasurementRun.h"
#include "measure/Calibration.h"
#include "measuring/CheckedMeasurements.h"
#include "measuring/MeasureRequest.h"
#include "measuring/MeasureViewModel.h"
#include "measuring/MeasurementIndex.h"
#include "measuring/ResultSummary.h"

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quilbo {

// Where a listed entry's row goes: the row it replaces (the same id listed again, as when a
// measurement saved while the folder was read comes twice), then the place of the new row.
struct StoredRowPlace {
    std::optional<std::size_t> replaced;
    std::size_t at = 0;
};

// Why a rename was not made: the file could not be read, or the renamed file not written.
struct RenameFailure {
    std::optional<LoadResult> unread;
    FileWriteResult written;
};

// What a run left in the store.
struct StoredRun {
    std::vector<MeasurementEntry> entries;  // each measurement saved, in channel order
    FileWriteResult failure;                // the last save that failed, if any
};

class MeasureModel {
public:
    explicit MeasureModel(std::string folder);

    const MeasurementStore& store() const { return m_index.store(); }
    // Another folder: nothing listed, nothing checked.
    void setFolder(std::string folder);

    // The list, sorted by date then id as the entries come, in whatever order the folder gives
    // them. clearList() comes before the folder is read again; checks are kept until
    // dropUnlisted() once the list is whole.
    void clearList();
    StoredRowPlace list(const MeasurementEntry& entry);
    const std::vector<std::string>& listedIds() const { return m_listed; }
    const MeasurementEntry* entry(const std::string& id) const { return m_index.find(id); }
    // Forgets the checks of those not listed; true when any went (what is drawn changes).
    bool dropUnlisted();
    // A fixed colour for each measurement, given the first time it is asked for.
    int styleOf(const std::string& id);

    bool isChecked(const std::string& id) const { return m_checked.contains(id); }
    // Reads the measurement for drawing; the failed read when it cannot be.
    std::optional<LoadResult> check(const std::string& id);
    void uncheck(const std::string& id) { m_checked.uncheck(id); }
    // Stores the measurement under a new name (trimmed by the caller, not empty).
    std::optional<RenameFailure> rename(const std::string& id, const std::string& name);
    // Deletes its file, unchecked and unlisted; when it cannot, why not (still listed).
    MeasureFailure remove(const std::string& id);

    // The microphone's calibration for the next runs; an empty path clears it.
    std::optional<CalibrationError> setCalibration(const std::string& path);
    const std::string& calibrationPath() const { return m_calibrationPath; }
    const std::optional<Calibration>& calibration() const { return m_calibration; }

    // The fields' request checked, with the output, the input and the calibration it runs with.
    MeasureRequestCheck settingsFor(const MeasureRequest& request, const std::string& output,
                                    const std::string& input) const;
    // A run's result: it becomes the last result and its measurements are stored (date: now in
    // UTC), one per channel analysed or a failed one per channel asked for when nothing was
    // recorded. nameOf and failureOf word each channel's name and failure for the file.
    StoredRun finishRun(const MeasureResult& result, const MeasureSettings& settings,
                        const std::function<std::string(unsigned)>& nameOf,
                        const std::function<std::string(unsigned)>& failureOf);
    const std::optional<MeasureResult>& lastResult() const { return m_result; }
    // Whether the last result's measurements were stored (their channels are then its ids).
    bool lastResultStored() const { return !m_resultIds.empty(); }

    // The curves to draw: the last result's and the checked ones, in the list's order.
    std::vector<MeasureCurve> curves(MeasureView view, Smoothing smoothing) const;
    // The last result's channels: delay, polarity and SNR, or why none.
    std::vector<ChannelSummary> summary() const;

private:
    MeasurementIndex m_index;
    std::vector<std::string> m_listed;  // ids in the list's order
    CheckedMeasurements m_checked;
    std::map<std::string, int> m_styles;
    int m_nextStyle = 0;
    std::optional<Calibration> m_calibration;
    std::string m_calibrationPath;
    std::optional<MeasureResult> m_result;
    MeasureSettings m_resultSettings;
    std::vector<std::string> m_resultIds;  // the stored ids of the last result's channels
};

}  // namespace quilbo
