// Whether a recording is the sweep through one steady system from start to end: a stretch of
// sound dropped, repeated or shifted by a starved sound server, a gain that changes midway, or a
// sound not of the sweep, found in the recording itself, whatever the streams said.
#pragma once

#include "measure/Deconvolution.h"
#include "measure/MeasureFailure.h"
#include "measure/Sweep.h"

#include <cstddef>
#include <span>
#include <string>

namespace quilbo {

// How far the recording may stray from the steady system's answer, frame by frame, relative to
// that answer: far below the jump a lost or repeated stretch of sound leaves (near 0 dB), and
// above what a real loudspeaker's long ringing and higher harmonics leave outside the window.
inline constexpr double kDisturbanceDb = -18.0;

// The disturbance in `segment`, in which the sweep began to play at `sweepOffset` and
// `deconvolution` was taken from, its linear response peaking at `peak` (samples, sub-sample;
// negative when it wrapped round). The detail of a SoundMissing or SoundOutOfPlace failure is
// the time in the sweep, in seconds with two decimals. `noiseRms` is the quiet stretch's RMS: a
// frame is judged only where it stands clear of the noise. The steady system is the linear
// response and its harmonics, each kept for 24 cycles of the frequency being judged (at least
// 0.1 s, at most `post` samples), so a loudspeaker's delay, resonances, notches and distortion
// are part of it and never count as disturbances. An undisturbed recording is then checked for a
// level that changed during the sweep (findLevelStep).
// When in a sweep a disturbance was found, as the failures' detail gives it: seconds, two
// decimals.
std::string disturbanceTime(double seconds);

MeasureFailure findDisturbance(const Deconvolution& deconvolution, const SweepSettings& sweep,
                               std::span<const float> segment, std::size_t sweepOffset, double peak,
                               long long post, double noiseRms);

}  // namespace quilbo
