// Averaging of successive band spectra (mean squares, one per band): exponential, over the last
// N spectra, or over every spectrum since the start; and a peak-hold trace of the average.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace quilbo {

enum class Averaging { Exponential, Frames, Forever };

struct AveragingSettings {
    Averaging mode = Averaging::Exponential;
    // Exponential: the time constant in spectra (1 follows each spectrum); Frames: how many.
    std::size_t frames = 8;
};

inline constexpr std::size_t kMaxAveragedFrames = 1000;

class BandAverage {
public:
    // frames is held to 1..kMaxAveragedFrames.
    BandAverage(std::size_t bands, const AveragingSettings& settings);

    // A spectrum of bands() mean squares (others are ignored).
    void add(std::span<const double> power);
    std::size_t bands() const { return m_average.size(); }
    std::size_t count() const { return m_count; }
    const std::vector<double>& average() const { return m_average; }
    const std::vector<double>& peakHold() const { return m_peak; }
    void reset();
    void resetPeakHold();

private:
    AveragingSettings m_settings;
    std::size_t m_count = 0;
    std::vector<double> m_average;
    std::vector<double> m_peak;
    std::vector<double> m_sum;                   // Forever
    std::vector<std::vector<double>> m_history;  // Frames: the last N spectra, a ring
};

}  // namespace quilbo
