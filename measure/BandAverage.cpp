// The three averages and the peak hold.
#include "measure/BandAverage.h"

#include <algorithm>
#include <cmath>

namespace quilbo {

BandAverage::BandAverage(std::size_t bands, const AveragingSettings& settings)
    : m_settings(settings), m_average(bands, 0.0), m_peak(bands, 0.0), m_sum(bands, 0.0) {
    m_settings.frames = std::clamp<std::size_t>(m_settings.frames, 1, kMaxAveragedFrames);
}

void BandAverage::add(std::span<const double> power) {
    if (power.size() != m_average.size()) {
        return;
    }
    ++m_count;
    const std::size_t bands = m_average.size();
    switch (m_settings.mode) {
        case Averaging::Exponential: {
            // The first spectrum is taken whole, so that the average starts where the sound is.
            const double weight =
                m_count == 1 ? 1.0 : -std::expm1(-1.0 / static_cast<double>(m_settings.frames));
            for (std::size_t b = 0; b < bands; ++b) {
                m_average[b] += (power[b] - m_average[b]) * weight;
            }
            break;
        }
        case Averaging::Frames: {
            if (m_history.size() < m_settings.frames) {
                m_history.emplace_back(power.begin(), power.end());
            } else {
                m_history[(m_count - 1) % m_settings.frames].assign(power.begin(), power.end());
            }
            // Summed afresh each time: a running sum would drift as spectra come and go.
            std::fill(m_average.begin(), m_average.end(), 0.0);
            for (const std::vector<double>& spectrum : m_history) {
                for (std::size_t b = 0; b < bands; ++b) {
                    m_average[b] += spectrum[b];
                }
            }
            for (double& value : m_average) {
                value /= static_cast<double>(m_history.size());
            }
            break;
        }
        case Averaging::Forever:
            for (std::size_t b = 0; b < bands; ++b) {
                m_sum[b] += power[b];
                m_average[b] = m_sum[b] / static_cast<double>(m_count);
            }
            break;
    }
    for (std::size_t b = 0; b < bands; ++b) {
        m_peak[b] = std::max(m_peak[b], m_average[b]);
    }
}

void BandAverage::reset() {
    m_count = 0;
    std::fill(m_average.begin(), m_average.end(), 0.0);
    std::fill(m_sum.begin(), m_sum.end(), 0.0);
    m_history.clear();
    resetPeakHold();
}

void BandAverage::resetPeakHold() {
    std::fill(m_peak.begin(), m_peak.end(), 0.0);
}

}  // namespace quilbo
