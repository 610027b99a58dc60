// Exponential time weighting of the squared weighted signal, sample by sample.
#include "measure/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace quilbo {
namespace {

constexpr std::uint64_t kSumBlock = 65536;

}  // namespace

double timeConstantSeconds(TimeWeighting time) {
    return time == TimeWeighting::Fast ? 0.125 : 1.0;
}

double meanSquareDb(double meanSquare) {
    // A full-scale sine's mean square is 1/2.
    return meanSquare > 0.0 ? std::max(kSilenceDb, 10 * std::log10(2 * meanSquare)) : kSilenceDb;
}

LevelMeter::LevelMeter(int rate, FrequencyWeighting weighting, TimeWeighting time)
    : m_rate(rate),
      m_time(time),
      m_weighting(weighting, rate),
      m_peakWeighting(FrequencyWeighting::C, rate),
      m_smoothing(-std::expm1(-1.0 / (m_weighting.rate() * timeConstantSeconds(time)))) {}

void LevelMeter::take(double sample) {
    if (std::fabs(sample) >= kOverLevel) {
        ++m_over;
    }
    const double weighted = m_weighting.process(sample);
    const double squared = weighted * weighted;
    m_meanSquare += (squared - m_meanSquare) * m_smoothing;
    m_maxMeanSquare = std::max(m_maxMeanSquare, m_meanSquare);
    m_peak = std::max(m_peak, std::fabs(m_peakWeighting.process(sample)));
    m_blockSum += squared;
    if (++m_blockFrames == kSumBlock) {
        m_runSum += m_blockSum;
        m_blockSum = 0.0;
        m_blockFrames = 0;
    }
    ++m_frames;
}

void LevelMeter::process(std::span<const float> samples) {
    for (const float sample : samples) {
        take(sample);
    }
}

void LevelMeter::process(const float* interleaved, std::size_t frames, unsigned channels,
                         unsigned channel) {
    if (interleaved == nullptr || channel >= channels) {
        return;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        take(interleaved[i * channels + channel]);
    }
}

LevelReadings LevelMeter::readings() const {
    LevelReadings r;
    if (m_frames == 0) {
        return r;
    }
    r.levelDb = meanSquareDb(m_meanSquare);
    r.leqDb = meanSquareDb((m_runSum + m_blockSum) / static_cast<double>(m_frames));
    r.maxDb = meanSquareDb(m_maxMeanSquare);
    r.peakDb = meanSquareDb(m_peak * m_peak);
    r.seconds = static_cast<double>(m_frames) / m_weighting.rate();
    r.overSamples = m_over;
    return r;
}

void LevelMeter::startRun() {
    if (m_frames > 0) {
        m_meanSquare = (m_runSum + m_blockSum) / static_cast<double>(m_frames);
    }
    m_maxMeanSquare = m_meanSquare;
    m_peak = m_blockSum = m_runSum = 0.0;
    m_blockFrames = m_frames = m_over = 0;
}

void LevelMeter::reset() {
    m_weighting.reset();
    m_peakWeighting.reset();
    m_meanSquare = m_maxMeanSquare = m_peak = m_blockSum = m_runSum = 0.0;
    m_blockFrames = m_frames = m_over = 0;
}

}  // namespace quilbo
