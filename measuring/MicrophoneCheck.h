// The Speakers page's check by microphone: every speaker of a layout sweeps in turn in one
// playback and one recording, and each is judged: heard; delay and level against the front left;
// polarity against the one most speakers share (the front left's when as many are either way).
#pragma once

#include "audio/MeasurementRun.h"
#include "audio/SinkLayout.h"

#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quilbo {

inline constexpr double kHeardSnrDb = 10.0;       // less above the noise floor: not heard
inline constexpr double kLevelToleranceDb = 3.0;  // further from the front left: flagged
inline constexpr double kSpeedOfSound = 343.0;    // m/s
inline constexpr double kLevelBandLowHz = 500.0;  // the band whose mean response is the level
inline constexpr double kLevelBandHighHz = 2000.0;

struct MicrophoneCheckRow {
    SpeakerPosition position = SpeakerPosition::Other;
    bool heard = false;
    bool clipped = false;
    double snrDb = 0.0;
    // Against the front left (the first channel when the layout has none), the polarity against
    // most speakers'; empty when either was not heard.
    std::optional<bool> inverted;
    std::optional<double> delayMs;
    std::optional<double> levelDb;
    // Why its sweep cannot be trusted, when it stayed disturbed on its way (then it is not
    // heard): when in its own sweep, or SoundOutOfPlace without a time when another sweep of its
    // run was disturbed and may have moved it.
    std::optional<MeasureFailure> disturbance;

    bool levelOff() const { return levelDb && std::abs(*levelDb) > kLevelToleranceDb; }
    bool flagged() const { return !heard || clipped || inverted.value_or(false) || levelOff(); }
};

// A 1 s sweep at -20 dBFS and 48 kHz, 0.5 s apart, on channels 1 to n of a stream of n channels to
// sink (empty: the default output).
MeasureSettings microphoneCheckSettings(unsigned channels, const std::string& sink);

// Which speaker each channel of that stream reaches: the output's own order when it has that many
// channels, else the order the recorder gives a stream of its own layout.
std::vector<SpeakerPosition> microphoneCheckPositions(unsigned channels,
                                                      const std::optional<SinkLayout>& sink);

// The index of the speaker the others are judged against: the front left, else the first.
std::size_t microphoneCheckReference(const std::vector<SpeakerPosition>& positions);

// One row per channel of an analysed run, in channel order.
std::vector<MicrophoneCheckRow> judgeMicrophoneCheck(const MeasureResult& result,
                                                     const std::vector<SpeakerPosition>& positions);

}  // namespace quilbo
