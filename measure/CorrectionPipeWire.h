// A loudspeaker correction as PipeWire's filter-chain: a virtual output in front of a real one,
// made of the built-in nodes every PipeWire since 0.3.65 has, their controls written as that
// version reads them. Three texts: the module's arguments, the whole configuration of a process
// that runs the chain on its own (`pipewire -c FILE`), and the fragment users put in PipeWire's
// own configuration. Text only: starting, finding and removing the chain is the installer's.
#pragma once

#include <string>
#include <vector>

#include "measure/Correction.h"

namespace quilbo {

// The output the correction plays into.
struct CorrectionOutput {
    std::string name;         // its node (sink) name; empty: the chain names no target
    std::string description;  // what users call it; empty: the name
    // Its channels in its own order, in PipeWire's names (FL, FR, RL, ...). Empty: the
    // correction's own channels, in their order. A channel the correction leaves alone passes
    // through unchanged.
    std::vector<std::string> positions;
};

enum class CorrectionChainError {
    None,
    NoChannels,       // the correction corrects no channel
    UnknownChannel,   // a channel the output does not have (or with no position to place it)
    RepeatedChannel,  // two corrections for one of the output's channels
    BadFilter,        // a frequency outside (0, rate/2), a Q outside (0, 10], a gain outside
                      // [-120, +20] dB, or a value that is no number
    BadDelay,         // below 0 or above 1 s
    BadLevel,         // preamp and trim together above +20 dB, below -120 dB, or no number
    BadRate,          // the correction's rate is not a sample rate
};

struct CorrectionChainCheck {
    CorrectionChainError error = CorrectionChainError::None;
    int channel = 0;  // the correction's channel number (ChannelCorrection::channel) at fault
    int filter = 0;   // 1-based, with BadFilter
    explicit operator bool() const { return error == CorrectionChainError::None; }
};

// Names the installed output by what it corrects: "quilbo_correction.<output>", and its
// description "Quilbo correction (<output's description>)".
std::string correctionSinkName(const std::string& output);
std::string correctionSinkDescription(const CorrectionOutput& output);

CorrectionChainCheck checkCorrectionChain(const Correction& correction,
                                          const CorrectionOutput& output);
// A short English reason, for the command-line tools ("channel 2, filter 3: ...").
std::string describeCorrectionChain(const CorrectionChainCheck& check);

// Each text is empty when checkCorrectionChain refuses the pair.
// `{ node.description = ... filter.graph = { ... } capture.props = { ... } playback.props = ... }`
std::string filterChainArguments(const Correction& correction, const CorrectionOutput& output);
// A configuration of its own for `pipewire -c FILE`: a client of the running server that makes
// the new output while it runs.
std::string filterChainProcessConfig(const Correction& correction, const CorrectionOutput& output);
// `context.modules = [ ... ]` for ~/.config/pipewire/pipewire.conf.d/: the server itself runs
// the chain from its next start.
std::string filterChainFragment(const Correction& correction, const CorrectionOutput& output);

}  // namespace quilbo
