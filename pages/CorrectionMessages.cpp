// Each failure's words, once, in the interface's language.
#include "pages/CorrectionMessages.h"

#include "pages/FileMessages.h"

namespace quilbo {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

QString CorrectionMessages::plan(const PlanFailure& failure) {
    const QString channel = text(failure.detail);
    switch (failure.problem) {
        case PlanProblem::None:
            return {};
        case PlanProblem::NoMeasurements:
            return tr("There is no measurement to correct.");
        case PlanProblem::MeasurementFailed:
            return tr("The measurement of channel %1 failed: there is nothing to correct.")
                .arg(channel);
        case PlanProblem::NoImpulse:
            return tr("The measurement of channel %1 holds no usable impulse response: measure "
                      "it again.")
                .arg(channel);
        case PlanProblem::RatesDiffer:
            return tr(
                "The channels were measured at different sample rates: measure them again "
                "in one run.");
        case PlanProblem::ChannelTwice:
            return tr("Channel %1 is measured twice in this run.").arg(channel);
        case PlanProblem::Bands:
            return tr("The number of filters must be 1 to 20.");
        case PlanProblem::MaxBoost:
            return tr("The largest boost must be 0 to 20 dB.");
        case PlanProblem::Tilt:
            return tr("The tilt must be -20 to 20 dB per decade.");
        case PlanProblem::Curve:
            return tr("The target curve needs at least two points.");
        case PlanProblem::Range:
            return tr("The range for channel %1 is not within its sweep, or narrower than a "
                      "third of an octave.")
                .arg(channel);
    }
    return {};
}

QString CorrectionMessages::targetFile(const QString& path, const TargetFileError& error) {
    QString why;
    switch (error.problem) {
        case TargetFileProblem::None:
            return {};
        case TargetFileProblem::Unreadable:
            why = FileMessages::readReason(error.readError, error.readCode);
            break;
        case TargetFileProblem::NotNumbers:
            why = tr("the line is not a frequency and a level in dB");
            break;
        case TargetFileProblem::OutOfRange:
            why = tr("a frequency is not above 0 Hz or beyond 1 MHz, or a level beyond ±100 dB");
            break;
        case TargetFileProblem::NotIncreasing:
            why = tr("the frequency is not above the one before");
            break;
        case TargetFileProblem::TooFewPoints:
            why = tr("it has fewer than two points");
            break;
    }
    return error.line > 0 ? tr("The target file %1 cannot be used: line %2: %3.")
                                .arg(path)
                                .arg(error.line)
                                .arg(why)
                          : tr("The target file %1 cannot be used: %2.").arg(path, why);
}

QString CorrectionMessages::run(const StoredRunChannels& run) {
    const QString name = text(run.detail);
    switch (run.problem) {
        case RunLookupProblem::None:
            return {};
        case RunLookupProblem::NoFolder:
            return tr("There is no folder for stored measurements.");
        case RunLookupProblem::NotFound:
            return tr("The measurement is no longer stored.");
        case RunLookupProblem::Failed:
            return tr("The measurement \"%1\" failed (%2): there is nothing to correct.")
                .arg(name, text(run.failure));
        case RunLookupProblem::Unreadable:
            return tr("The measurement \"%1\" can no longer be read.").arg(name);
    }
    return {};
}

QString CorrectionMessages::chain(const CorrectionChainCheck& check) {
    switch (check.error) {
        case CorrectionChainError::None:
            return {};
        case CorrectionChainError::NoChannels:
            return tr("The correction corrects no channel.");
        case CorrectionChainError::UnknownChannel:
            return tr("The output has no channel %1.").arg(check.channel);
        case CorrectionChainError::RepeatedChannel:
            return tr("Channel %1 is corrected twice.").arg(check.channel);
        case CorrectionChainError::BadFilter:
            return tr("Channel %1, filter %2: its frequency, gain or Q is out of range.")
                .arg(check.channel)
                .arg(check.filter);
        case CorrectionChainError::BadDelay:
            return tr("Channel %1: its delay is out of range (0 to 1 s).").arg(check.channel);
        case CorrectionChainError::BadLevel:
            return tr("Channel %1: its level is out of range.").arg(check.channel);
        case CorrectionChainError::BadRate:
            return tr("The correction's sample rate is not a sample rate.");
    }
    return {};
}

QString CorrectionMessages::install(const InstallFailure& failure) {
    const QString detail = text(failure.detail);
    switch (failure.error) {
        case InstallError::None:
            return {};
        case InstallError::NoServer:
            return tr("No sound server answered.");
        case InstallError::NotPipeWire:
            return tr(
                "The sound server is PulseAudio, which cannot run a correction as an "
                "output: only PipeWire can. Export the correction instead.");
        case InstallError::UnknownOutput:
            return tr("There is no output \"%1\" to correct (or it is a correction itself).")
                .arg(detail);
        case InstallError::BadCorrection:
            return tr("The correction cannot be installed: %1").arg(chain(failure.chain));
        case InstallError::NoFolder:
            return tr("The configuration folder \"%1\" cannot be used: PipeWire cannot start a "
                      "program from a path with a blank, a quote or a backslash.")
                .arg(detail);
        case InstallError::NoProgram:
            return tr(
                "A program the correction needs (pipewire, pw-metadata, setpriv or sh) is "
                "not installed.");
        case InstallError::WriteFailed:
            return tr("The file %1 could not be written: %2")
                .arg(detail, FileMessages::reason(failure.file));
        case InstallError::StartFailed:
            return tr("The correction's process could not start, or ended at once.");
        case InstallError::NotAppeared:
            return tr("The correction's output did not appear in time.");
        case InstallError::NotInstalled:
            return tr("There is no correction \"%1\" installed.").arg(detail);
        case InstallError::StillRunning:
            return tr("The correction \"%1\" would not go: its process or its output is still "
                      "there.")
                .arg(detail);
        case InstallError::DefaultRefused:
            return tr("The sound server kept another default output.");
    }
    return {};
}

}  // namespace quilbo
