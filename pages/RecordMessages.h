// The words for a measurement run that failed: its recording (the sound server, the devices, the
// request) and, through MeasureMessages, its sweep and its channels' analyses.
#pragma once

#include "audio/MeasurementRun.h"

#include <QCoreApplication>
#include <QString>

#include <string>

namespace quilbo {

class RecordMessages {
    Q_DECLARE_TR_FUNCTIONS(RecordMessages)

public:
    // Why the recording did not succeed, as one sentence; empty for Ok. Cancelled reads
    // "Stopped.". The server's own words, where it gave some, follow in brackets.
    static QString failure(RecordResult result, RecordProblem problem, const std::string& detail);
    // Why the run failed: its sweep, its recording, or its first channel that failed (named);
    // empty when every channel was analysed.
    static QString runFailure(const MeasureResult& result);
    // Why one channel of the run failed: its analysis, else the run; empty when it was analysed.
    static QString channelFailure(const MeasureResult& result, unsigned channel);
    // That the run was made again because the earlier ones were disturbed, and when the first
    // was; empty when the first run stood.
    static QString measuredAgain(const MeasureResult& result);
};

}  // namespace quilbo
