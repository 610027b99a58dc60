// Names of the sweep recorder's results, for messages and test output.
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

}  // namespace quilbo
