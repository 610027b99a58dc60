// A failed recording or measurement run put into words, in the interface language.
#include "pages/RecordMessages.h"

#include "pages/MeasureMessages.h"

#include <algorithm>

namespace quilbo {
namespace {

QString withServerWords(const QString& sentence, const QString& detail) {
    return detail.isEmpty() ? sentence : sentence + QStringLiteral(" (%1)").arg(detail);
}

}  // namespace

QString RecordMessages::failure(RecordResult result, RecordProblem problem,
                                const std::string& detail) {
    const QString d = QString::fromStdString(detail);
    switch (problem) {
        case RecordProblem::None:
            break;
        case RecordProblem::Rate:
            return tr("The rate %1 Hz is not one a sound server takes.").arg(d);
        case RecordProblem::EmptySweep:
            return tr("There is no sweep to play.");
        case RecordProblem::SweepTooLong:
            return tr("The sweep is longer than 10 minutes.");
        case RecordProblem::SweepNotNumber:
            return tr("The sweep holds a sample that is not a number.");
        case RecordProblem::Pause:
            return tr("The gap and the tail must each last 0 to 60 seconds.");
        case RecordProblem::OutputChannels:
            return tr("The output has %1 channels, more or fewer than can be played.").arg(d);
        case RecordProblem::TurnCount:
            return tr("Choose 1 to 256 channels to play in turn.");
        case RecordProblem::ChannelNotOnOutput:
            return tr("Channel %1 is not one of the output's.").arg(d);
        case RecordProblem::RunTooLong:
            return tr("The sweeps, gaps and tail would last more than 10 minutes.");
        case RecordProblem::NoLoopbackInput:
            return tr("The input %1 has no second channel for the reference's loopback.").arg(d);
        case RecordProblem::NoStream:
            return tr("The sound server would not make a stream.");
        case RecordProblem::NoMemory:
            return tr("There is not enough memory for the recording.");
        case RecordProblem::InputSilent:
            return tr("The input %1 sends nothing.").arg(d);
        case RecordProblem::OutputNotStarted:
            return tr("The output %1 did not start playing.").arg(d);
        case RecordProblem::NotAnswering:
            return tr("The sound server stopped answering.");
        case RecordProblem::NoRecorder:
            return tr("This program has no recorder: nothing can be measured.");
        case RecordProblem::Busy:
            return tr("Another measurement is running; try again when it has finished.");
    }
    switch (result) {
        case RecordResult::Ok:
            return QString();
        case RecordResult::Cancelled:
            return tr("Stopped.");
        case RecordResult::BadRequest:
            return withServerWords(tr("The measurement cannot be played as asked."), d);
        case RecordResult::NoServer:
            return withServerWords(tr("No sound server answers."), d);
        case RecordResult::NoSink:
            return d.isEmpty() ? tr("There is no default output.")
                               : tr("There is no output named %1.").arg(d);
        case RecordResult::NoSource:
            return d.isEmpty() ? tr("There is no default input.")
                               : tr("There is no input named %1.").arg(d);
        case RecordResult::BadFormat:
            return withServerWords(
                tr("The output or the input refused the sample rate or the channel count."), d);
        case RecordResult::SinkLost:
            return tr("The output %1 went away while playing.").arg(d);
        case RecordResult::SourceLost:
            return tr("The input %1 went away while recording.").arg(d);
        case RecordResult::Failed:
            break;
    }
    return withServerWords(tr("The measurement failed."), d);
}

QString RecordMessages::runFailure(const MeasureResult& result) {
    if (result.sweep.failed()) {
        return MeasureMessages::problem(result.sweep);
    }
    if (result.record != RecordResult::Ok) {
        return failure(result.record, result.problem, result.detail);
    }
    if (const ChannelResult* failed = result.firstFailedChannel()) {
        return tr("Channel %1: %2")
            .arg(failed->channel)
            .arg(MeasureMessages::problem(failed->analysis.failure));
    }
    return result.channels.empty() ? tr("Nothing was measured.") : QString();
}

QString RecordMessages::measuredAgain(const MeasureResult& result) {
    const std::vector<MeasureFailure>& runs = result.disturbedRuns;
    if (runs.empty()) {
        return {};
    }
    if (runs.size() > 1) {
        return tr("Measured again: the first %1 sweeps were disturbed.").arg(runs.size());
    }
    const bool dated =
        !runs.front().detail.empty() && (runs.front().code == MeasureProblem::SoundMissing ||
                                         runs.front().code == MeasureProblem::SoundOutOfPlace ||
                                         runs.front().code == MeasureProblem::LevelChanged);
    return dated ? tr("Measured again: the first sweep was disturbed at %1 s.")
                       .arg(QString::fromStdString(runs.front().detail))
                 : tr("Measured again: the first sweep was disturbed.");
}

QString RecordMessages::channelFailure(const MeasureResult& result, unsigned channel) {
    const auto found =
        std::find_if(result.channels.begin(), result.channels.end(),
                     [channel](const ChannelResult& c) { return c.channel == channel; });
    if (found != result.channels.end() && found->analysis.status != AnalysisStatus::Ok) {
        return MeasureMessages::problem(found->analysis.failure);
    }
    if (found != result.channels.end() && result.record == RecordResult::Ok) {
        return QString();
    }
    return result.record == RecordResult::Ok ? tr("Nothing was measured.") : runFailure(result);
}

}  // namespace quilbo
