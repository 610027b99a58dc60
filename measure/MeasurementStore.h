// Stored measurements: one versioned file each in the user's data folder, written whole or not
// at all; listing, loading and deleting them.
#pragma once

#include "measure/FileRead.h"
#include "measure/MeasureFailure.h"
#include "measure/Response.h"
#include "measure/Sweep.h"
#include "media/FileWriteResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilbo {

// Where a measurement stands in a run-in session: the session's before and after of a channel
// form a pair.
enum class MeasurementStage { None, Before, After };

struct Measurement {
    std::string id;           // the file's name without ".qmeas"; save() gives a new one
    std::string name;         // what the user calls it
    std::string date;         // ISO 8601, e.g. 2026-12-07T17:15:22Z
    std::string output;       // the output device's name
    std::string input;        // the input device's name
    int channel = 1;          // 1-based output channel swept
    SweepSettings sweep;      // the impulse response's rate is sweep.rate
    std::string calibration;  // path of the calibration file applied, empty for none
    bool ok = true;
    std::string failure;  // why it failed, when !ok
    // The run-in session it belongs to (its start, ISO 8601 in UTC) and its stage there; empty
    // and None for a measurement of its own.
    std::string session;
    MeasurementStage stage = MeasurementStage::None;
    std::vector<float> impulse;
    Response response;  // as shown: smoothed, calibrated
    // When the impulse's peak arrived, in seconds from the run's time origin: the channels of one
    // run share that origin, so their differences are the speakers' differences in distance.
    // Empty for measurements stored before it was kept.
    std::optional<double> arrivalSeconds;
};

struct MeasurementEntry {
    std::string id;
    std::string name;
    std::string date;
    bool ok = false;
    std::string problem;     // the failure reason stored with a failed measurement
    MeasureFailure refusal;  // why the file's content is refused
    // Set when the file could not be read at all (refusal is then StoredUnreadable).
    FileReadError readError = FileReadError::None;
    int readCode = 0;  // the errno value behind it
};

// The summary of a measurement as the list shows it.
MeasurementEntry entryOf(const Measurement& measurement);

struct LoadResult {
    std::optional<Measurement> measurement;
    MeasureFailure error;                           // when measurement is empty
    FileReadError readError = FileReadError::None;  // under StoredUnreadable
    int readCode = 0;
};

// The file format: a text header ("quilbo-measurement 2", then key=value lines with '\', newline
// and carriage return escaped, then "end"), followed by little-endian 32-bit floats: the impulse
// response, then the response's frequencies, dB and phases, their counts and CRC-32 in the header.
// An "arrival" line is optional (later version-2 files have it).
// Version 1 lacks the session and the stage; a version-1 run-in measurement still named
// "<session> before|after, channel N" is given them from its name when read.
std::string serialiseMeasurement(const Measurement& measurement);
LoadResult parseMeasurement(std::string_view bytes);

class MeasurementStore {
public:
    explicit MeasurementStore(std::string folder);

    // $XDG_DATA_HOME/quilbo/measurements, else ~/.local/share/quilbo/measurements; empty when
    // neither variable gives an absolute path.
    static std::string defaultFolder();
    const std::string& folder() const { return m_folder; }

    // Makes the folder if need be, and gives `measurement` a fresh id when it has none (an
    // existing id is overwritten, as every file is written: media/AtomicFile.h). NoFolder without
    // a folder; UnsupportedFormat for an id that names no plain file or a response whose columns
    // differ in length; CreateFailed when the folder cannot be made.
    FileWriteResult save(Measurement& measurement) const;
    // Nothing failed on success, else StoredNoSuchId or StoredNotDeleted.
    MeasureFailure remove(const std::string& id) const;

    // Reads only a regular file of at most kLargestFile bytes; whatever stands at the name, the
    // answer is a result, never an exception, and nothing blocks.
    LoadResult load(const std::string& id) const;
    // Every measurement file, by date, with unreadable ones listed with their problem.
    std::vector<MeasurementEntry> list() const;
    // The ids of the measurement files, unread and unsorted, and one entry read: a caller can
    // fill a list as it goes.
    std::vector<std::string> ids() const;
    MeasurementEntry entry(const std::string& id) const;

    // Well beyond a 30 s measurement at 768 kHz (92 MB of impulse response).
    static constexpr std::uint64_t kLargestFile = std::uint64_t{256} << 20;

private:
    std::string pathOf(const std::string& id) const;

    std::string m_folder;
};

}  // namespace quilbo
