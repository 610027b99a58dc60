// Samples into the meter and the frame history; a spectrum every hop.
#include "measure/LiveAnalysis.h"

#include <algorithm>

namespace quilbo {

bool isLiveSettings(const LiveSettings& s) {
    const bool bandsOk =
        s.bands.bandsPerOctave == 0 || (isBandAnalysis(s.bands) && s.bands.rate == s.rate);
    return isWeightingRate(s.rate) && bandsOk && s.spectraPerSecond >= 1 &&
           s.spectraPerSecond <= 100;
}

LiveAnalysis::LiveAnalysis(const LiveSettings& settings)
    : m_settings(settings),
      m_valid(isLiveSettings(settings)),
      m_hop(static_cast<std::size_t>(
          std::max(1, settings.rate / std::max(1, settings.spectraPerSecond)))),
      m_meter(settings.rate, settings.weighting, settings.time),
      m_analyser(settings.bands.bandsPerOctave == 0 ? BandAnalysisSettings{.bandsPerOctave = 0}
                                                    : settings.bands),
      m_average(m_analyser.bands().size(), settings.averaging) {
    if (!m_analyser.bands().empty()) {
        m_history.assign(settings.bands.frameLength, 0.0f);
        m_frame.resize(settings.bands.frameLength);
        m_power.resize(m_analyser.bands().size());
    }
}

void LiveAnalysis::feed(const float* interleaved, std::size_t frames, unsigned channels) {
    if (!m_valid || interleaved == nullptr || m_settings.channel >= channels) {
        return;
    }
    const std::scoped_lock lock(m_mutex);
    m_meter.process(interleaved, frames, channels, m_settings.channel);
    if (m_history.empty()) {
        return;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        m_history[m_historyAt] = interleaved[i * channels + m_settings.channel];
        m_historyAt = (m_historyAt + 1) % m_history.size();
        m_filled = std::min(m_filled + 1, m_history.size());
        // Not before a whole frame has come: a frame partly of silence would read low.
        if (++m_sinceSpectrum >= m_hop && m_filled == m_history.size()) {
            m_sinceSpectrum = 0;
            spectrum();
        }
    }
}

void LiveAnalysis::spectrum() {
    const auto at = m_history.begin() + static_cast<std::ptrdiff_t>(m_historyAt);
    const auto next = std::copy(at, m_history.end(), m_frame.begin());
    std::copy(m_history.begin(), at, next);
    m_analyser.analyse(m_frame, m_power);
    m_average.add(m_power);
}

LiveSnapshot LiveAnalysis::snapshot() const {
    LiveSnapshot s;
    const LevelScale& scale = m_settings.scale;
    s.calibrated = scale.calibrated();
    s.bands = m_analyser.bands();
    s.resolved.resize(s.bands.size());
    for (std::size_t b = 0; b < s.bands.size(); ++b) {
        s.resolved[b] = m_analyser.resolved(b);
    }
    const std::scoped_lock lock(m_mutex);
    s.meter = m_meter.readings();
    s.over = s.meter.overSamples > 0;
    for (double* level : {&s.meter.levelDb, &s.meter.leqDb, &s.meter.maxDb, &s.meter.peakDb}) {
        *level = scale.shown(*level);
    }
    s.spectra = m_average.count();
    for (std::size_t b = 0; b < s.bands.size(); ++b) {
        s.bandDb.push_back(scale.shown(meanSquareDb(m_average.average()[b])));
        s.peakHoldDb.push_back(scale.shown(meanSquareDb(m_average.peakHold()[b])));
    }
    return s;
}

void LiveAnalysis::startRun() {
    const std::scoped_lock lock(m_mutex);
    m_meter.startRun();
    m_average.reset();
}

void LiveAnalysis::reset() {
    const std::scoped_lock lock(m_mutex);
    m_meter.reset();
    m_average.reset();
    std::fill(m_history.begin(), m_history.end(), 0.0f);
    m_historyAt = 0;
    m_filled = 0;
    m_sinceSpectrum = 0;
}

}  // namespace quilbo
