// Levels against the noise floor, and the trims to the quietest speaker.
#include "measuring/LevelMatch.h"

#include "measure/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace quilbo {

bool isLevelMatchTiming(const LevelMatchTiming& t) {
    const auto within = [](double seconds) { return seconds >= 0.2 && seconds <= 60.0; };
    return within(t.floorSeconds) && within(t.settleSeconds) && within(t.readSeconds);
}

SpeakerLevel judgeSpeakerLevel(int channel, double readDb, bool over, double floorDb) {
    SpeakerLevel level;
    level.channel = channel;
    if (over) {
        level.state = SpeakerLevel::State::Clipped;
        return level;
    }
    if (readDb < std::max(floorDb, kMatchLowestFloorDb) + kMatchHeardDb) {
        level.state = SpeakerLevel::State::NotHeard;
        return level;
    }
    // The noise adds its power to the speaker's: taken out again, the reading is the speaker's.
    const double floorPower = floorDb <= kSilenceDb ? 0.0 : std::pow(10.0, floorDb / 10.0);
    level.levelDb = 10.0 * std::log10(std::pow(10.0, readDb / 10.0) - floorPower);
    level.state = SpeakerLevel::State::Measured;
    return level;
}

void assignTrims(std::vector<SpeakerLevel>& levels) {
    std::optional<double> quietest;
    for (const SpeakerLevel& level : levels) {
        if (level.state == SpeakerLevel::State::Measured) {
            quietest = std::min(quietest.value_or(level.levelDb), level.levelDb);
        }
    }
    for (SpeakerLevel& level : levels) {
        level.trimDb.reset();
        if (level.state == SpeakerLevel::State::Measured) {
            level.trimDb = *quietest - level.levelDb;
        }
    }
}

}  // namespace quilbo
