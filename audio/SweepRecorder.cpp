// Names and English words for the sweep recorder's results, for test output and the tools.
#include "audio/SweepRecorder.h"

namespace quilbo {

const char* recordResultName(RecordResult result) {
    switch (result) {
        case RecordResult::Ok:
            return "Ok";
        case RecordResult::Cancelled:
            return "Cancelled";
        case RecordResult::BadRequest:
            return "BadRequest";
        case RecordResult::NoServer:
            return "NoServer";
        case RecordResult::NoSink:
            return "NoSink";
        case RecordResult::NoSource:
            return "NoSource";
        case RecordResult::BadFormat:
            return "BadFormat";
        case RecordResult::SinkLost:
            return "SinkLost";
        case RecordResult::SourceLost:
            return "SourceLost";
        case RecordResult::Failed:
            break;
    }
    return "Failed";
}

std::string describeRecordFailure(RecordResult result, RecordProblem problem,
                                  const std::string& detail) {
    const std::string& d = detail;
    switch (problem) {
        case RecordProblem::None:
            break;
        case RecordProblem::Rate:
            return "the rate " + d + " Hz is not one a sound server takes";
        case RecordProblem::EmptySweep:
            return "the sweep is empty";
        case RecordProblem::SweepTooLong:
            return "the sweep is longer than 10 minutes";
        case RecordProblem::SweepNotNumber:
            return "the sweep holds a sample that is not a number";
        case RecordProblem::Pause:
            return "the gap and the tail must be 0 to 60 seconds";
        case RecordProblem::OutputChannels:
            return "the output has " + d + " channels, more or fewer than can be played";
        case RecordProblem::TurnCount:
            return "choose 1 to 256 channels to play on in turn";
        case RecordProblem::ChannelNotOnOutput:
            return "channel " + d + " is not one of the output's";
        case RecordProblem::RunTooLong:
            return "the sweeps, gaps and tail would last more than 10 minutes";
        case RecordProblem::NoLoopbackInput:
            return "the input " + d + " has no second channel for the reference's loopback";
        case RecordProblem::NoStream:
            return "the server would not make a stream";
        case RecordProblem::NoMemory:
            return "there is not enough memory for the recording";
        case RecordProblem::InputSilent:
            return "the input " + d + " sends nothing";
        case RecordProblem::OutputNotStarted:
            return "the output " + d + " did not start playing";
        case RecordProblem::NotAnswering:
            return "the sound server stopped answering";
        case RecordProblem::NoRecorder:
            return "there is no recorder: nothing can be measured";
        case RecordProblem::Busy:
            return "another measurement is running";
    }
    const std::string said = d.empty() ? std::string() : ": " + d;
    switch (result) {
        case RecordResult::Ok:
            return "no failure";
        case RecordResult::Cancelled:
            return "cancelled";
        case RecordResult::BadRequest:
            return "the request cannot be played" + said;
        case RecordResult::NoServer:
            return "no sound server answered" + said;
        case RecordResult::NoSink:
            return d.empty() ? "there is no default output" : "there is no output named " + d;
        case RecordResult::NoSource:
            return d.empty() ? "there is no default input" : "there is no input named " + d;
        case RecordResult::BadFormat:
            return "the output or the input refused the rate or the channel count" + said;
        case RecordResult::SinkLost:
            return "the output " + d + " went away while playing";
        case RecordResult::SourceLost:
            return "the input " + d + " went away while recording";
        case RecordResult::Failed:
            break;
    }
    return "the measurement failed" + said;
}

}  // namespace quilbo
