// Speakers matched by level: what each speaker read at the listening place, whether it was heard
// above the room's noise, and the trim that brings it down to the quietest one.
#pragma once

#include <optional>
#include <vector>

namespace quilbo {

// How long each step of a match takes, in seconds of input.
struct LevelMatchTiming {
    double floorSeconds = 1.0;   // silence first: the room's noise floor
    double settleSeconds = 1.0;  // after a speaker starts: the sound reaches the microphone
    double readSeconds = 3.0;    // then its level is read
};

// Each step from 0.2 s to a minute.
bool isLevelMatchTiming(const LevelMatchTiming& timing);

struct SpeakerLevel {
    enum class State {
        Measured,     // heard: level and trim hold
        NotHeard,     // too near the noise floor to tell the speaker's level
        Clipped,      // the input was over: the level would read low
        NotMeasured,  // the match ended before this speaker's turn was over
        SetApart,     // not matched (the subwoofer plays its own band only)
    };
    int channel = 0;
    State state = State::NotMeasured;
    double levelDb = 0.0;          // with the noise floor's share taken out, when measured
    std::optional<double> trimDb;  // the quietest heard speaker's level less this one's
};

// Heard means at least this much above the noise floor; nearer, the floor's share would make the
// level uncertain by more than half a decibel.
inline constexpr double kMatchHeardDb = 10.0;

// Levels are read against full scale (dBFS). A floor quieter than this is the input's own
// silence, not the room's: below the noise of a 16-bit input, no speaker is heard through a
// microphone.
inline constexpr double kMatchLowestFloorDb = -110.0;

// A speaker's reading (the C-weighted level over its read) against the floor read in silence,
// both in dBFS.
SpeakerLevel judgeSpeakerLevel(int channel, double readDb, bool over, double floorDb);

// The trims of the measured speakers, each to the quietest of them (0 for that one, negative
// for the others); the others get none.
void assignTrims(std::vector<SpeakerLevel>& levels);

}  // namespace quilbo
