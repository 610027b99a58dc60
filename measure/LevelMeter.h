// A sound level meter on one channel of samples: the frequency-weighted, time-weighted level
// (Fast or Slow), the equivalent continuous level over the run (Leq), the highest time-weighted
// level, and the C-weighted peak. Every figure is in dB against a full-scale sine's RMS, as the
// measurement engine counts: a full-scale sine reads 0 dB, its peak 3.01 dB above, so that one
// offset (the calibration's) turns them all into dB SPL.
#pragma once

#include "measure/Weighting.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace quilbo {

enum class TimeWeighting { Fast, Slow };

// 125 ms and 1 s.
double timeConstantSeconds(TimeWeighting time);

// The level of silence, so that no figure is ever minus infinity.
inline constexpr double kSilenceDb = -200.0;
// A sample this large in magnitude counts as clipped: the input was over.
inline constexpr float kOverLevel = 0.999f;

// A mean square (of samples at full scale 1) as dB against a full-scale sine.
double meanSquareDb(double meanSquare);

struct LevelReadings {
    double levelDb = kSilenceDb;    // time-weighted, now
    double leqDb = kSilenceDb;      // equivalent continuous level since the start
    double maxDb = kSilenceDb;      // highest time-weighted level since the start
    double peakDb = kSilenceDb;     // C-weighted peak since the start
    double seconds = 0.0;           // of input measured
    std::uint64_t overSamples = 0;  // input samples at or beyond kOverLevel
};

class LevelMeter {
public:
    // rate: isWeightingRate.
    LevelMeter(int rate, FrequencyWeighting weighting, TimeWeighting time);

    int rate() const { return m_rate; }
    FrequencyWeighting weighting() const { return m_weighting.weighting(); }
    TimeWeighting timeWeighting() const { return m_time; }

    void process(std::span<const float> samples);
    // One channel of interleaved frames.
    void process(const float* interleaved, std::size_t frames, unsigned channels, unsigned channel);
    LevelReadings readings() const;
    // A new run: the filters at rest, the figures gone.
    void reset();
    // A new run on a meter that has been running: the filters keep their state, so that the run
    // does not start with their ringing, and the time-weighted level starts from the equivalent
    // level so far, as if the meter had been running on that sound for ever; Leq, the maximum,
    // the peak and the count of over samples start again.
    void startRun();

private:
    void take(double sample);

    int m_rate;
    TimeWeighting m_time;
    WeightingFilter m_weighting;
    WeightingFilter m_peakWeighting;  // always C
    double m_smoothing;               // per sample: 1 - exp(-1 / (rate tau))
    double m_meanSquare = 0.0;        // time-weighted
    double m_maxMeanSquare = 0.0;
    double m_peak = 0.0;
    // The sum of squares over the run in blocks, so that hours of input lose no precision.
    double m_blockSum = 0.0;
    double m_runSum = 0.0;
    std::uint64_t m_blockFrames = 0;
    std::uint64_t m_frames = 0;
    std::uint64_t m_over = 0;
};

}  // namespace quilbo
