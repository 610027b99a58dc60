// The priority desktop audio clients run their sound threads at, asked for where the system
// grants it: a measurement's stream thread that a busy machine makes late loses sound.
#pragma once

namespace quilbo {

// Asks for round-robin real-time scheduling at a low priority for the calling thread, else a
// nice value of -11 (what desktop sound servers give their clients' threads), else leaves it be.
// Never fails loudly: a system that grants neither is noted in the audio log's debug lines.
void raiseAudioThreadPriority();

}  // namespace quilbo
