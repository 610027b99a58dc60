// The command line of quilbo-meter: what to measure and how, every value checked before the
// input is opened.
#pragma once

#include "measure/LevelMeter.h"

#include <optional>
#include <string>
#include <vector>

namespace quilbo::metercli {

inline constexpr double kMinSeconds = 0.5;
inline constexpr double kMaxSeconds = 86400.0;

struct MeterRequest {
    std::string input;  // empty: the default input
    double seconds = 5.0;
    FrequencyWeighting weighting = FrequencyWeighting::A;
    TimeWeighting time = TimeWeighting::Fast;
    int bandsPerOctave = 0;  // 0: no bands
    std::string calibrationPath;
    std::optional<double> sensitivityDb;
};

inline constexpr const char* kUsage =
    "usage: quilbo-meter [--input SOURCE] [--seconds T] [--weighting A|C|Z] [--time fast|slow]\n"
    "         [--bands 1|3|6|12|24|48] [--calibration FILE] [--sensitivity DBFS]\n"
    "  --input SOURCE      the input to measure, its first channel (default: the system's "
    "default)\n"
    "  --seconds T         how long to measure, 0.5 to 86400 s (default: 5; with --bands at\n"
    "                      least 1.5)\n"
    "  --weighting A|C|Z   the frequency weighting of the levels (default: A)\n"
    "  --time fast|slow    the time weighting of the maximum: 125 ms or 1 s (default: fast)\n"
    "  --bands N           also the level in each 1/N-octave band, 20 Hz to 20 kHz\n"
    "  --calibration FILE  a microphone calibration file: its Sens Factor corrects\n"
    "                      --sensitivity, its response the band levels\n"
    "  --sensitivity DBFS  the level in dBFS that a 94 dB SPL tone reads on this input,\n"
    "                      -150 to 20: the figures are then in dB SPL\n"
    "Prints unit=, leq_db=, max_db=, peak_db= (C-weighted) and band_HZ_db= lines.\n"
    "Exit status: 0 measured, 2 bad arguments, 3 nothing could be measured.\n";

// True when the arguments ask for the usage (--help or -h anywhere).
bool asksForHelp(const std::vector<std::string>& args);
// Empty when the arguments (without the program name) are malformed; `error` then says why.
std::optional<MeterRequest> parseCommandLine(const std::vector<std::string>& args,
                                             std::string& error);

}  // namespace quilbo::metercli
