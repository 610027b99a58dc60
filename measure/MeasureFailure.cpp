// The command-line tools' words for the measurement engine's failures.
#include "measure/MeasureFailure.h"

namespace quilbo {

std::string describeMeasureFailure(const MeasureFailure& f) {
    const std::string& d = f.detail;
    switch (f.code) {
        case MeasureProblem::None:
            break;
        case MeasureProblem::SweepRate:
            return "the sample rate " + d + " Hz is outside 8000 to 768000 Hz";
        case MeasureProblem::SweepStart:
            return "the start frequency " + d + " Hz is outside 10 Hz to 0.45 times the rate";
        case MeasureProblem::SweepEnd:
            return "the end frequency " + d + " Hz is outside 10 Hz to 0.45 times the rate";
        case MeasureProblem::SweepEndBelowStart:
            return "the end frequency must be above the start frequency";
        case MeasureProblem::SweepLength:
            return "the sweep length " + d + " s is outside 1 to 30 s";
        case MeasureProblem::SweepLevel:
            return "the level " + d + " dBFS is outside -100 to 0 dBFS";
        case MeasureProblem::SweepFades:
            return "each fade must last 0 s to a tenth of the sweep";
        case MeasureProblem::AxisPoints:
            return "the frequency axis needs 1 to 96 points an octave";
        case MeasureProblem::Gate:
            return "the gate must be 0 (none) to 10000 ms";
        case MeasureProblem::ClipLevel:
            return "the clipping level must lie above 0 and at most 1";
        case MeasureProblem::Segment:
            return "the sweep's start must lie inside the recording's segment, which must lie "
                   "inside the recording";
        case MeasureProblem::RecordingTooShort:
            return "the recording ends before the sweep does";
        case MeasureProblem::RecordingNotNumber:
            return "the recording holds a sample that is not a number";
        case MeasureProblem::Clipped:
            return "the recording is clipped (" + d +
                   " samples at full scale): lower the output or input level";
        case MeasureProblem::NotHeard:
            return "the sweep was not heard in the recording";
        case MeasureProblem::PeakBeforeSweep:
            return "the response peaks before the sweep began";
        case MeasureProblem::TailTooShort:
            return "the recording ends before the end of the sweep arrived: record " + d +
                   " ms longer";
        case MeasureProblem::LoopbackNotHeard:
            return "the reference's loopback on the input's second channel: " + d;
        case MeasureProblem::TooQuiet:
            return "the sweep is only " + d +
                   " dB above the noise, too little to trust (at least 20 dB): raise the level or "
                   "quieten the room";
        case MeasureProblem::SoundMissing:
            return "the recording was disturbed at " + d + " s: a stretch of sound is missing";
        case MeasureProblem::SoundOutOfPlace:
            return (d.empty() ? "the recording was disturbed"
                              : "the recording was disturbed at " + d + " s") +
                   ": sound was dropped or repeated, or a sound not of the sweep was heard";
        case MeasureProblem::OutputRanDry:
            return "the recording was disturbed: the output ran dry " + d + " times";
        case MeasureProblem::InputOverflowed:
            return "the recording was disturbed: the input lost sound " + d + " times";
        case MeasureProblem::LevelChanged:
            return "the recording was disturbed at " + d + " s: its level changed during the sweep";
        case MeasureProblem::CalibrationSensFactor:
            return "the Sens Factor has no number of dB after '='";
        case MeasureProblem::CalibrationFields:
            return "expected \"frequency dB\" or \"frequency dB phase\", found " + d + " values";
        case MeasureProblem::CalibrationNotNumber:
            return "\"" + d + "\" is not a number";
        case MeasureProblem::CalibrationFrequency:
            return "the frequency must be above 0 Hz";
        case MeasureProblem::CalibrationOrder:
            return "the frequencies must rise from line to line";
        case MeasureProblem::CalibrationDeviation:
            return "a deviation beyond 100 dB is not a microphone's";
        case MeasureProblem::CalibrationPhase:
            return "some lines give a phase and others do not";
        case MeasureProblem::CalibrationEmpty:
            return "the file holds no calibration points";
        case MeasureProblem::CalibrationTooLarge:
            return "the file is larger than 4 MiB, too large for a calibration file";
        case MeasureProblem::CalibrationUnreadable:
            return "the file cannot be read";
        case MeasureProblem::StoredNoSuchId:
            return "there is no measurement \"" + d + "\"";
        case MeasureProblem::StoredUnreadable:
            return "the measurement cannot be read";
        case MeasureProblem::StoredNotMeasurement:
            return "it is not a Quilbo measurement file";
        case MeasureProblem::StoredNewer:
            return "it was written in a newer format (" + d + ") than this version reads";
        case MeasureProblem::StoredHeaderUnended:
            return "it is truncated or corrupt: its header never ends";
        case MeasureProblem::StoredHeaderLine:
            return "it is corrupt: a header line has no '='";
        case MeasureProblem::StoredField:
            return "it is corrupt: its " + d + " is missing or wrong";
        case MeasureProblem::StoredSweep:
            return "it is corrupt: its sweep is impossible";
        case MeasureProblem::StoredTooManySamples:
            return "it is corrupt: it declares more samples than any measurement has";
        case MeasureProblem::StoredTruncated:
            return "it is truncated: " + d + " data bytes are missing";
        case MeasureProblem::StoredExtraData:
            return "it is corrupt: it holds more data than its header declares";
        case MeasureProblem::StoredChecksum:
            return "it is corrupt: its data do not match their checksum";
        case MeasureProblem::StoredNotDeleted:
            return d.empty() ? "the measurement cannot be deleted"
                             : "the measurement cannot be deleted: " + d;
    }
    return "no failure";
}

bool isDisturbance(const MeasureFailure& f) {
    switch (f.code) {
        case MeasureProblem::SoundMissing:
        case MeasureProblem::SoundOutOfPlace:
        case MeasureProblem::OutputRanDry:
        case MeasureProblem::InputOverflowed:
        case MeasureProblem::LevelChanged:
            return true;
        default:
            return false;
    }
}

}  // namespace quilbo
