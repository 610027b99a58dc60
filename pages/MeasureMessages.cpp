// The measurement engine's failures put into words, in the interface language.
#include "pages/MeasureMessages.h"

#include "pages/FileMessages.h"

namespace quilbo {

QString MeasureMessages::problem(const MeasureFailure& failure) {
    const QString detail = QString::fromStdString(failure.detail);
    switch (failure.code) {
        case MeasureProblem::None:
            break;
        case MeasureProblem::SweepRate:
            return tr("The sample rate %1 Hz is outside 8000 to 768000 Hz.").arg(detail);
        case MeasureProblem::SweepStart:
            return tr("The start frequency %1 Hz is outside 10 Hz to 0.45 times the sample rate.")
                .arg(detail);
        case MeasureProblem::SweepEnd:
            return tr("The end frequency %1 Hz is outside 10 Hz to 0.45 times the sample rate.")
                .arg(detail);
        case MeasureProblem::SweepEndBelowStart:
            return tr("The end frequency must be above the start frequency.");
        case MeasureProblem::SweepLength:
            return tr("The sweep length %1 s is outside 1 to 30 s.").arg(detail);
        case MeasureProblem::SweepLevel:
            return tr("The level %1 dBFS is outside -100 to 0 dBFS.").arg(detail);
        case MeasureProblem::SweepFades:
            return tr("Each fade must last 0 s to a tenth of the sweep.");
        case MeasureProblem::AxisPoints:
            return tr("The frequency axis needs 1 to 96 points an octave.");
        case MeasureProblem::Gate:
            return tr("The gate must be 0 (none) to 10000 ms.");
        case MeasureProblem::ClipLevel:
            return tr("The clipping level must lie above 0 and at most 1.");
        case MeasureProblem::Segment:
            return tr(
                "The sweep's start must lie inside the recording's part for it, and that "
                "part inside the recording.");
        case MeasureProblem::RecordingTooShort:
            return tr("The recording ends before the sweep does.");
        case MeasureProblem::RecordingNotNumber:
            return tr("The recording holds a sample that is not a number.");
        case MeasureProblem::Clipped:
            return tr("The recording is clipped (%1 samples at full scale): lower the output or "
                      "input level.")
                .arg(detail);
        case MeasureProblem::NotHeard:
            return tr("The sweep was not heard in the recording.");
        case MeasureProblem::PeakBeforeSweep:
            return tr("The response peaks before the sweep began: check the sweep's start.");
        case MeasureProblem::TailTooShort:
            return tr("The recording ends before the end of the sweep arrived: record %1 ms "
                      "longer.")
                .arg(detail);
        case MeasureProblem::LoopbackNotHeard:
            return tr(
                "The reference's loopback was not heard on the input's second channel: "
                "check the cable from the reference channel to that input.");
        case MeasureProblem::TooQuiet:
            return tr("The sweep is only %1 dB above the noise, too little to trust (at least 20 "
                      "dB): raise the level or quieten the room.")
                .arg(detail);
        case MeasureProblem::SoundMissing:
            return tr("The recording was disturbed at %1 s: a stretch of sound is missing.")
                .arg(detail);
        case MeasureProblem::SoundOutOfPlace:
            return tr("The recording was disturbed at %1 s: sound was dropped or repeated, or a "
                      "sound not of the sweep was heard.")
                .arg(detail);
        case MeasureProblem::OutputRanDry:
            return tr("The recording was disturbed: the output ran dry %1 times.").arg(detail);
        case MeasureProblem::InputOverflowed:
            return tr("The recording was disturbed: the input lost sound %1 times.").arg(detail);
        case MeasureProblem::LevelChanged:
            return tr("The recording was disturbed at %1 s: its level changed during the sweep "
                      "(a volume or a gain control turned?).")
                .arg(detail);
        case MeasureProblem::CalibrationSensFactor:
            return tr("The Sens Factor has no number of dB after '='.");
        case MeasureProblem::CalibrationFields:
            return tr("Expected \"frequency dB\" or \"frequency dB phase\", found %1 values.")
                .arg(detail);
        case MeasureProblem::CalibrationNotNumber:
            return tr("\"%1\" is not a number.").arg(detail);
        case MeasureProblem::CalibrationFrequency:
            return tr("The frequency must be above 0 Hz.");
        case MeasureProblem::CalibrationOrder:
            return tr("The frequencies must rise from line to line.");
        case MeasureProblem::CalibrationDeviation:
            return tr("A deviation beyond 100 dB is not a microphone's.");
        case MeasureProblem::CalibrationPhase:
            return tr("Some lines give a phase and others do not.");
        case MeasureProblem::CalibrationEmpty:
            return tr("The file holds no calibration points.");
        case MeasureProblem::CalibrationTooLarge:
            return tr("The file is larger than 4 MiB, too large for a calibration file.");
        case MeasureProblem::CalibrationUnreadable:
            return tr("The file cannot be read.");
        case MeasureProblem::StoredNoSuchId:
            return tr("There is no measurement \"%1\".").arg(detail);
        case MeasureProblem::StoredUnreadable:
            return tr("The file cannot be read.");
        case MeasureProblem::StoredNotMeasurement:
            return tr("It is not a Quilbo measurement file.");
        case MeasureProblem::StoredNewer:
            return tr("It was written in a newer format (%1) than this version reads.").arg(detail);
        case MeasureProblem::StoredHeaderUnended:
            return tr("It is truncated or corrupt: its header never ends.");
        case MeasureProblem::StoredHeaderLine:
            return tr("It is corrupt: a line of its header has no '='.");
        case MeasureProblem::StoredField:
            return tr("It is corrupt: its field \"%1\" is missing or wrong.").arg(detail);
        case MeasureProblem::StoredSweep:
            return tr("It is corrupt: the sweep it describes is impossible.");
        case MeasureProblem::StoredTooManySamples:
            return tr("It is corrupt: it declares more samples than any measurement has.");
        case MeasureProblem::StoredTruncated:
            return tr("It is truncated: %1 bytes of its data are missing.").arg(detail);
        case MeasureProblem::StoredExtraData:
            return tr("It is corrupt: it holds more data than its header declares.");
        case MeasureProblem::StoredChecksum:
            return tr("It is corrupt: its data do not match their checksum.");
        case MeasureProblem::StoredNotDeleted:
            return detail.isEmpty() ? tr("The file could not be removed.")
                                    : tr("The file could not be removed (%1).").arg(detail);
    }
    return QString();
}

QString MeasureMessages::calibration(const QString& path, const CalibrationError& error) {
    QString why = problem(error.failure);
    if (error.failure.code == MeasureProblem::CalibrationUnreadable) {
        why = tr("The file cannot be read: %1.")
                  .arg(FileMessages::readReason(error.readError, error.readCode));
    }
    return error.line > 0 ? tr("The calibration file %1 is refused: line %2: %3")
                                .arg(path)
                                .arg(error.line)
                                .arg(why)
                          : tr("The calibration file %1 is refused: %2").arg(path, why);
}

QString MeasureMessages::load(const LoadResult& loaded) {
    if (loaded.error.code == MeasureProblem::StoredUnreadable) {
        return FileMessages::readReason(loaded.readError, loaded.readCode);
    }
    return problem(loaded.error);
}

QString MeasureMessages::request(const MeasureRequestCheck& check) {
    switch (check.error) {
        case MeasureRequestError::None:
            break;
        case MeasureRequestError::Level:
            return tr("The level must be a number of dBFS from -100 to %1.")
                .arg(kHighestMeasureLevel);
        case MeasureRequestError::Range:
            return tr("The range must go from at least 10 Hz to at most %1 Hz, its end above "
                      "twice its start.")
                .arg(highestMeasureFrequency());
        case MeasureRequestError::Sweep:
            return problem(check.sweepFailure);
    }
    return {};
}

}  // namespace quilbo
