// Sensitivities and the calibrator's reading.
#include "measure/LevelCalibration.h"

#include <algorithm>
#include <cmath>

namespace quilbo {
namespace {

// A calibrator's tone, with a little room noise, keeps nearly all its level in the 1 kHz octave;
// the Fast level of a sealed calibrator moves by hundredths of a dB.
constexpr double kToneShareDb = 1.0;
constexpr double kSteadyDb = 0.5;
constexpr std::size_t kToneFrame = 8192;

}  // namespace

double LevelScale::shown(double levelDb) const {
    if (!sensitivityDb || levelDb <= kSilenceDb) {
        return levelDb;
    }
    return levelDb - *sensitivityDb + kReferenceSpl;
}

LevelScale LevelScale::fromSensitivity(double sensitivityDb, double sensFactorDb) {
    return {sensitivityDb + sensFactorDb};
}

bool isCalibratorLevel(double dbSpl) {
    return dbSpl == 94.0 || dbSpl == 114.0;
}

CalibratorReader::CalibratorReader(int rate, double calibratorDbSpl)
    : m_rate(rate),
      m_calibratorDbSpl(calibratorDbSpl),
      m_settle(static_cast<std::size_t>(rate / 2)),
      m_meter(rate, FrequencyWeighting::Z, TimeWeighting::Fast),
      m_last(kToneFrame, 0.0f) {}

void CalibratorReader::process(std::span<const float> samples) {
    for (const float sample : samples) {
        if (m_seen < m_settle) {
            ++m_seen;
            continue;
        }
        // The Fast level needs a few time constants before its spread means anything.
        const bool settled = m_measured >= m_settle;
        m_meter.process(std::span<const float>(&sample, 1));
        ++m_measured;
        m_last[m_lastAt] = sample;
        m_lastAt = (m_lastAt + 1) % m_last.size();
        ++m_seen;
        if (settled) {
            const double level = m_meter.readings().levelDb;
            m_lowest = m_spread ? std::min(m_lowest, level) : level;
            m_highest = m_spread ? std::max(m_highest, level) : level;
            m_spread = true;
        }
    }
}

CalibratorReading CalibratorReader::reading() const {
    CalibratorReading r;
    const LevelReadings meter = m_meter.readings();
    r.levelDb = meter.leqDb;
    if (meter.overSamples > 0) {
        r.problem = CalibratorProblem::Over;
        return r;
    }
    if (meter.seconds < kCalibratorSeconds) {
        r.problem = CalibratorProblem::TooShort;
        return r;
    }
    std::vector<float> frame(m_last.begin() + static_cast<std::ptrdiff_t>(m_lastAt), m_last.end());
    frame.insert(frame.end(), m_last.begin(),
                 m_last.begin() + static_cast<std::ptrdiff_t>(m_lastAt));
    BandAnalysisSettings octave;
    octave.rate = m_rate;
    octave.bandsPerOctave = 1;
    octave.frameLength = kToneFrame;
    octave.lowestHz = 1000.0;
    octave.highestHz = 1000.0;
    BandAnalyser analyser(octave);
    double band = 0.0;
    analyser.analyse(frame, std::span<double>(&band, 1));
    double whole = 0.0;
    for (const float sample : frame) {
        whole += static_cast<double>(sample) * sample;
    }
    whole /= static_cast<double>(frame.size());
    if (meanSquareDb(band) < meanSquareDb(whole) - kToneShareDb) {
        r.problem = CalibratorProblem::NoTone;
        return r;
    }
    if (m_highest - m_lowest > kSteadyDb) {
        r.problem = CalibratorProblem::Unsteady;
        return r;
    }
    r.problem = CalibratorProblem::None;
    r.sensitivityDb = meter.leqDb - (m_calibratorDbSpl - kReferenceSpl);
    return r;
}

}  // namespace quilbo
