// Why the measurement engine refused or could not finish something: a code for the caller to put
// into words, and the detail behind it (the figure refused, a count), never a sentence.
#pragma once

#include <string>

namespace quilbo {

enum class MeasureProblem {
    None,
    // A sweep's settings; the detail is the value refused.
    SweepRate,           // outside 8000 to 768000 Hz
    SweepStart,          // the start frequency outside 10 Hz to 0.45 x rate
    SweepEnd,            // the end frequency outside 10 Hz to 0.45 x rate
    SweepEndBelowStart,  // the end frequency not above the start
    SweepLength,         // outside 1 to 30 s
    SweepLevel,          // outside -100 to 0 dBFS
    SweepFades,          // a fade longer than a tenth of the sweep
    // An analysis request that cannot be met.
    AxisPoints,          // not 1 to 96 points an octave
    Gate,                // not 0 to 10000 ms
    ClipLevel,           // not above 0 and at most 1
    Segment,             // the sweep's start or the segment outside the recording
    RecordingTooShort,   // the recording ends before the sweep does
    RecordingNotNumber,  // a sample that is not a number
    // An analysis that found no response.
    Clipped,           // the detail is the number of samples at full scale
    NotHeard,          // no peak above the noise
    PeakBeforeSweep,   // the response peaks before the sweep began
    TailTooShort,      // the detail is how many ms longer to record
    LoopbackNotHeard,  // the reference's loopback; the detail is why, in English
    TooQuiet,          // the sweep too little above the noise; the detail is the SNR in dB
    // A disturbed recording: never a measurement, measured again where the run allows.
    SoundMissing,     // a stretch of sound missing; the detail is when in the sweep, in s
    SoundOutOfPlace,  // sound dropped, repeated or not of the sweep; the detail as above, or
                      // empty when the time is not known
    OutputRanDry,     // the output's stream ran dry; the detail is how many times
    InputOverflowed,  // the input's stream lost sound; the detail is how many times
    LevelChanged,     // the level stepped during the sweep; the detail is when in it, in s
    // A microphone calibration file refused (CalibrationError gives the line).
    CalibrationSensFactor,  // a Sens Factor without a number of dB after '='
    CalibrationFields,      // not "frequency dB [phase]"; the detail is how many values
    CalibrationNotNumber,   // the detail is the value that is not a number
    CalibrationFrequency,   // a frequency not above 0 Hz
    CalibrationOrder,       // the frequencies do not rise from line to line
    CalibrationDeviation,   // a deviation beyond 100 dB
    CalibrationPhase,       // some lines give a phase and others do not
    CalibrationEmpty,       // no calibration points
    CalibrationTooLarge,    // larger than 4 MiB
    CalibrationUnreadable,  // the file could not be read (CalibrationError says why)
    // A stored measurement file refused or not deleted.
    StoredNoSuchId,        // the detail is an id that names no plain file
    StoredUnreadable,      // the file could not be read (LoadResult says why)
    StoredNotMeasurement,  // not a Quilbo measurement file
    StoredNewer,           // written in a newer format; the detail is its first line
    StoredHeaderUnended,   // the header never ends
    StoredHeaderLine,      // a header line without '='
    StoredField,           // the detail is the header field missing or wrong
    StoredSweep,           // the sweep described is impossible
    StoredTooManySamples,  // more samples declared than any measurement has
    StoredTruncated,       // the detail is how many data bytes are missing
    StoredExtraData,       // more data than the header declares
    StoredChecksum,        // the data do not match their checksum
    StoredNotDeleted,      // the detail is the system's words, if any
};
inline constexpr int kMeasureProblemCount = static_cast<int>(MeasureProblem::StoredNotDeleted) + 1;

struct MeasureFailure {
    MeasureProblem code = MeasureProblem::None;
    std::string detail;
    bool failed() const { return code != MeasureProblem::None; }
    friend bool operator==(const MeasureFailure&, const MeasureFailure&) = default;
};

// In English, for the command-line tools and the logs: "the recording is clipped (12 samples at
// full scale)". The pages have their own, translated sentences.
std::string describeMeasureFailure(const MeasureFailure& failure);

// A disturbance of the sound on its way (not the loudspeaker's or the settings' fault): the
// same measurement made again may well succeed.
bool isDisturbance(const MeasureFailure& failure);

}  // namespace quilbo
