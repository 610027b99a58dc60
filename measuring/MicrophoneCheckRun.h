// The microphone check as it runs: every speaker sweeps once, and a speaker whose sweep was
// disturbed on its way is measured again, alone with the reference speaker, so that one dropped
// server cycle costs a short run rather than a wrong delay or a whole new check.
#pragma once

#include "audio/MeasurementRun.h"

#include <cstddef>

namespace quilbo {

// Runs after the first in which only the speakers still disturbed sweep.
inline constexpr int kMicrophoneCheckRetries = 2;

// Plays settings (as microphoneCheckSettings gives them) through recorder; reference is the
// index, in settings.channels, of the speaker the others' delays are taken against. Each run
// plays the reference first and last, so that sound lost or repeated anywhere in it shows as
// the reference moved. A speaker is settled by a sweep that was not disturbed and that nothing
// before it in its run may have moved; the others sweep again, between the reference's two, those
// disturbed themselves last, up to kMicrophoneCheckRetries times. The result holds one channel
// per speaker in settings' order, each delay on the time line of the run that settled the
// reference. A speaker left unsettled holds its disturbance: its own sweep's, or SoundOutOfPlace
// without a time when something else in its run may have moved it. disturbedRuns holds each run
// made again's reason. A recording that failed (or was cancelled) in any run ends the check with
// that run's result. Never throws.
MeasureResult runMicrophoneCheck(SweepRecorder& recorder, const MeasureSettings& settings,
                                 std::size_t reference,
                                 const SweepRecorder::Progress& progress = {});

}  // namespace quilbo
