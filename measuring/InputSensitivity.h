// The calibrated sensitivity of each input, kept in the user's settings: what an acoustic
// calibrator read on it, and the microphone calibration file's Sens Factor in force then, so that
// another unit of the same microphone, with a file of its own, reads right on that input too.
#pragma once

#include "measure/LevelCalibration.h"

#include <QString>

#include <optional>
#include <string>

namespace quilbo {

class InputSensitivity {
public:
    // Kept in the settings file at path; empty: the user's settings of the program.
    explicit InputSensitivity(QString path = {});

    // The scale for input (its source name) with the calibration file's Sens Factor now; not
    // calibrated when the input has no sensitivity kept.
    LevelScale scaleFor(const std::string& input, double sensFactorDb) const;
    // A calibrator's reading on input (sensitivityDb: what 94 dB SPL reads) with the Sens Factor
    // in force when it was read. False when the settings could not be written.
    bool store(const std::string& input, double sensitivityDb, double sensFactorDb);
    // Back to figures against full scale on input.
    bool forget(const std::string& input);

private:
    QString m_path;
};

}  // namespace quilbo
