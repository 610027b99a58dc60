// Measurement microphone calibration files, as the makers ship them: one "frequency dB [phase]"
// line per point, '*' or '"' comment lines, and an optional "Sens Factor =-.7dB" line.
#pragma once

#include "measure/FileRead.h"
#include "measure/MeasureFailure.h"
#include "measure/Response.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilbo {

struct Calibration {
    std::vector<double> frequency;  // strictly increasing, Hz
    std::vector<double> db;         // the microphone's deviation at each frequency
    std::vector<double> phaseDeg;   // empty when the file gives no phase
    double sensitivityDb = 0.0;     // the Sens Factor, 0 without one (a level, not a shape)

    // The deviation at any frequency, interpolated on a log-frequency axis and held at the
    // first and last points beyond them.
    double dbAt(double frequency) const;
    double phaseAt(double frequency) const;
    // Removes the microphone's deviation (and its phase, if given) from a response.
    void removeFrom(Response& response) const;
};

struct CalibrationError {
    int line = 0;            // 1-based; 0 for the file as a whole
    MeasureFailure failure;  // what is wrong there
    // Under CalibrationUnreadable: why the file could not be read.
    FileReadError readError = FileReadError::None;
    int readCode = 0;
};

struct CalibrationResult {
    std::optional<Calibration> calibration;
    CalibrationError error;  // meaningful when calibration is empty
};

CalibrationResult parseCalibration(std::string_view text);
CalibrationResult loadCalibration(const std::string& path);
// In English, for the command-line tools (which name the line): ""loud" is not a number".
std::string describeCalibrationError(const CalibrationError& error);

}  // namespace quilbo
