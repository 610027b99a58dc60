// Levels in dB SPL: an input's sensitivity (the level in dB against a full-scale sine that a
// 94 dB SPL tone reads) turns the meter's and the analyser's figures into dB SPL. It comes from
// an acoustic calibrator held on the microphone, or from a figure the user gives, corrected by
// the microphone calibration file's Sens Factor where the file has one.
#pragma once

#include "measure/BandAnalyser.h"
#include "measure/LevelMeter.h"

#include <optional>
#include <span>
#include <vector>

namespace quilbo {

inline constexpr double kReferenceSpl = 94.0;  // 1 Pa

struct LevelScale {
    std::optional<double> sensitivityDb;  // empty: figures stay in dB against full scale

    bool calibrated() const { return sensitivityDb.has_value(); }
    // A meter or band level in dB SPL when calibrated, unchanged otherwise.
    double shown(double levelDb) const;

    // A sensitivity given for the microphone's type (its data sheet, or a reading through
    // another unit), and the Sens Factor of this unit's calibration file: the file says by how
    // much this unit reads above the figure, so the input reads 94 dB SPL that much higher.
    static LevelScale fromSensitivity(double sensitivityDb, double sensFactorDb = 0.0);
};

// Acoustic calibrators: 94 dB SPL (1 Pa) or 114 dB SPL at 1 kHz.
bool isCalibratorLevel(double dbSpl);
inline constexpr double kCalibratorSeconds = 3.0;  // read after the first half second

enum class CalibratorProblem {
    None,
    TooShort,  // less than kCalibratorSeconds of input after the first half second
    Over,      // the input clipped: turn the input gain down
    NoTone,    // the 1 kHz octave holds too little of the level: no calibrator, or much noise
    Unsteady,  // the level moved: the calibrator was moved or is not sealed on the microphone
};

struct CalibratorReading {
    CalibratorProblem problem = CalibratorProblem::TooShort;
    double levelDb = kSilenceDb;          // the tone's level against full scale
    std::optional<double> sensitivityDb;  // when the problem is None
};

// Reads a calibrator's tone from one channel over a few seconds: the Z-weighted Leq after the
// first half second (the microphone settling under the calibrator), checked to be a steady tone
// in the 1 kHz octave.
class CalibratorReader {
public:
    // rate: isWeightingRate; calibratorDbSpl: isCalibratorLevel.
    CalibratorReader(int rate, double calibratorDbSpl);

    void process(std::span<const float> samples);
    CalibratorReading reading() const;

private:
    int m_rate;
    double m_calibratorDbSpl;
    std::size_t m_settle;
    std::size_t m_seen = 0;
    LevelMeter m_meter;
    std::size_t m_measured = 0;  // samples through the meter
    double m_lowest = 0.0;       // of the Fast level once it has settled, dB
    double m_highest = 0.0;
    bool m_spread = false;      // whether m_lowest and m_highest hold a level yet
    std::vector<float> m_last;  // the latest frame, for the octave check
    std::size_t m_lastAt = 0;
};

}  // namespace quilbo
