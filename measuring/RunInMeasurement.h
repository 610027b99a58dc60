// The run-in's measurements before and after: what they play, the names they are stored under,
// and how one run's result becomes a stored measurement per speaker.
#pragma once

#include "audio/MeasurementRun.h"
#include "media/FileWriteResult.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <string>

namespace quilbo {

enum class RunInStage { Before, After };

// The pair of the run-in (channels 1 and 2 of the default output, in one run), a -20 dBFS 5 s
// sweep at 48 kHz each.
MeasureSettings runInMeasureSettings();

// "Run-in 2026-12-07 18:30 before, channel 1": English in every interface language, as earlier
// versions paired a stem's "before" and "after" by these words (pairs now go by the session and
// the stage stored with them, whatever the user renames them to).
QString runInMeasurementName(const QDateTime& sessionStart, RunInStage stage, unsigned channel);

// Stores one measurement per channel of the settings in folder, a failed one with the reason
// channelFailure gives for its channel (in the user's words: the file keeps it as it is shown).
// The first failure to store, if any (NoFolder without a folder).
FileWriteResult storeRunInMeasurements(const MeasureResult& result, const MeasureSettings& settings,
                                       const QDateTime& sessionStart, RunInStage stage,
                                       const std::string& folder,
                                       const std::function<std::string(unsigned)>& channelFailure);

}  // namespace quilbo
