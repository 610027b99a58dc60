// A channel's correction as the text equaliser programs read (EqualizerAPO, AutoEq's exports,
// PipeWire's parametric equaliser): a "Preamp: X dB" line, then one numbered line per filter.
#pragma once

#include "measure/Correction.h"
#include "media/FileWriteResult.h"

#include <string>

namespace quilbo {

// "Preamp: -3.2 dB" (the preamp and the level trim together), then
// "Filter 1: ON PK Fc 1000 Hz Gain -3.5 dB Q 1.41", LSC and HSC for the shelves with the Q of
// their fixed slope (0.71), as AutoEq writes them. Points as decimal marks whatever the locale.
// The format has no delay and no polarity: those are for the PipeWire output alone.
std::string correctionText(const ChannelCorrection& channel);
// The filter's type as that text names it: PK, LSC or HSC.
const char* correctionFilterType(CorrectionFilterKind kind);

// The files an export writes into a folder, named after the measurement: "NAME.FL.txt" per
// channel and "NAME.conf" for the PipeWire fragment, the name made a plain file name ('/' becomes
// '-', a leading '.' a '_').
std::string correctionTextFileName(const std::string& name, const std::string& position);
std::string correctionFragmentFileName(const std::string& name);

// Writes correctionText() to `path` whole or not at all (media/AtomicFile.h).
FileWriteResult exportCorrectionText(const std::string& path, const ChannelCorrection& channel);

}  // namespace quilbo
