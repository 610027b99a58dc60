// A loudspeaker correction: per channel, a preamp, a few parametric filters, a delay and a level
// trim, and whether the channel is to be inverted. What the planner fits to stored measurements,
// what the exports write out and what the installed PipeWire output applies; nothing here knows
// how it was made or where it goes.
#pragma once

#include <string>
#include <vector>

namespace quilbo {

// The three filters every equaliser program and PipeWire's built-in biquads share. A shelf's
// slope is fixed (S = 1, the cookbook's Q of 1/sqrt(2)): PipeWire's built-in shelves take no Q.
enum class CorrectionFilterKind { Peaking, LowShelf, HighShelf };

struct CorrectionFilter {
    CorrectionFilterKind kind = CorrectionFilterKind::Peaking;
    double frequency = 1000;  // Hz
    double gainDb = 0;
    double q = 0.7071;  // peaking only
};

struct ChannelCorrection {
    int channel = 1;       // 1-based output channel
    std::string position;  // PipeWire's name for it: FL, FR, RL, RR, FC, LFE, ...
    double preampDb = 0;   // never above 0: takes away the filters' largest boost
    std::vector<CorrectionFilter> filters;
    double delayMs = 0;   // added so that every channel arrives with the farthest
    double trimDb = 0;    // added so that every channel plays as loud as the quietest
    bool invert = false;  // the channel's polarity turned over
};

struct Correction {
    int rate = 48000;  // the rate the filters were designed at
    std::vector<ChannelCorrection> channels;
};

}  // namespace quilbo
