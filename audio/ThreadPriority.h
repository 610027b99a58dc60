// The priority desktop audio clients run their sound threads at, asked for where the system
// grants it: a measurement's stream thread that a busy machine makes late loses sound.
#pragma once

#include "audio/RealtimeKit.h"

namespace quilbo {

// Asks for round-robin real-time scheduling at a low priority for the calling thread; where the
// process may not set it, a nice value of -11 (what desktop sound servers give their clients'
// threads) if granted, and the real-time scheduling from RealtimeKit, asked on a thread of its own
// so that the caller never waits: the caller keeps the request until it ends. Never fails
// loudly: what the system grants is noted in the audio log's debug lines.
[[nodiscard]] RealtimeKitRequest raiseAudioThreadPriority();

}  // namespace quilbo
