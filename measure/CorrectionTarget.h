// What a loudspeaker correction aims for: flat, a tilt in dB per decade (a "house curve"), or a
// curve read from a file of "frequency dB" lines, as such curves are shared.
#pragma once

#include "measure/FileRead.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilbo {

enum class TargetKind { Flat, Tilt, Curve };

struct TargetPoint {
    double frequency = 0;  // Hz, strictly increasing along a curve
    double db = 0;
};

// Only the shape counts: the planner sets the level from the measured response.
struct CorrectionTarget {
    TargetKind kind = TargetKind::Flat;
    double tiltDbPerDecade = 0;      // Tilt: negative falls towards the treble
    std::vector<TargetPoint> curve;  // Curve: at least two points

    // The shape at `frequency`: a curve interpolated on a log-frequency axis and held beyond its
    // ends; a tilt through 0 dB at 1 kHz.
    double dbAt(double frequency) const;
};

enum class TargetFileProblem {
    None,
    Unreadable,     // the file could not be read (readError says why)
    NotNumbers,     // a line is not "frequency dB"
    OutOfRange,     // a frequency not above 0 or beyond 1 MHz, or a level beyond +-100 dB
    NotIncreasing,  // a frequency not above the one before
    TooFewPoints,   // fewer than two points
};

struct TargetFileError {
    TargetFileProblem problem = TargetFileProblem::None;
    int line = 0;  // 1-based; 0 for the file as a whole
    FileReadError readError = FileReadError::None;
    int readCode = 0;
};

struct TargetFileResult {
    std::optional<CorrectionTarget> target;
    TargetFileError error;  // meaningful when target is empty
};

// "frequency dB" per line, blanks or tabs between, further columns ignored; '#' starts a comment
// and blank lines are skipped. Numbers in the C locale's form whatever the user's.
TargetFileResult parseTargetFile(std::string_view text);
TargetFileResult loadTargetFile(const std::string& path);

// In English, for the command-line tool (which names the file and the line).
std::string describeTargetFileError(const TargetFileError& error);

}  // namespace quilbo
