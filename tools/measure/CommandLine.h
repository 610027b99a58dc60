// The command line of quilbo-measure: a measurement request, every value checked before any
// sound is made.
#pragma once

#include "audio/MeasurementRun.h"

#include <optional>
#include <string>
#include <vector>

namespace quilbo::measurecli {

struct MeasureRequest {
    MeasureSettings settings;
    bool rateGiven = false;  // --analyse takes the recording's rate unless one is given
    bool toGiven = false;    // else the end follows the rate
    std::string note;        // what a default became, for standard error
    std::string calibrationPath;
    std::string responsePath;  // "frequency dB phase" text, one file per channel
    std::string impulsePath;   // 32-bit float WAV, one file per channel
    std::string storeName;     // a stored measurement per channel under this name
    std::string writeSweepPath;
    std::string analysePath;
    bool help = false;     // --help or -h: the usage on standard output, nothing measured
    bool version = false;  // --version
};

inline constexpr const char* kUsage =
    "usage: quilbo-measure [--output SINK] [--input SOURCE] [--channel N[,M...]] [--level DBFS]\n"
    "         [--seconds T] [--from F0] [--to F1] [--rate R] [--reference N]\n"
    "         [--calibration FILE]\n"
    "         [--response FILE.txt] [--impulse FILE.wav] [--store NAME]\n"
    "         [--write-sweep FILE.wav] [--analyse RECORDING.wav] [--tries N]\n"
    "       quilbo-measure --help | -h | --version\n"
    "  --output SINK        the output to play on (default: the system's default)\n"
    "  --input SOURCE       the input to record (default: the system's default)\n"
    "  --channel N[,M...]   output channels swept in turn, 1 to 32 (default: 1 of a stereo "
    "stream)\n"
    "  --level DBFS         the sweep's level, -100 to 0 (default: -20)\n"
    "  --seconds T          each sweep's length, 1 to 30 s (default: 5)\n"
    "  --from F0, --to F1   the swept range in Hz (default: 20 to 20000, or to 0.45 times a\n"
    "                       rate below 44445 Hz)\n"
    "  --rate R             the sample rate, 8000 to 768000 Hz (default: 48000)\n"
    "  --reference N        output channel N plays every sweep too, wired back to the input's\n"
    "                       second channel: delays are from that loopback (delay_from=loopback)\n"
    "  --calibration FILE   a microphone calibration file, removed from the response\n"
    "  --response FILE.txt  writes \"frequency dB phase\" lines, 48 to the octave\n"
    "  --impulse FILE.wav   writes the impulse response as a 32-bit float WAV\n"
    "  --store NAME         keeps the measurement in $XDG_DATA_HOME/quilbo/measurements\n"
    "  --write-sweep FILE.wav  writes the signal a measurement plays instead of playing it\n"
    "  --analyse RECORDING.wav analyses a recording of that signal instead of playing it\n"
    "  --tries N            sweeps at most, 1 to 10, when the sound is disturbed on its way\n"
    "                       (default: 3, the first and two more)\n"
    "  --help, -h           prints this and exits; --version prints the version\n"
    "With several channels, lines start with the channel's number and a dot, and each file\n"
    "name gets the number before its extension (resp.2.txt).\n"
    "A recording disturbed on its way (sound lost, repeated or out of place, the output run\n"
    "dry, a level changed midway) is never measured: the sweep is made again, and if every\n"
    "try was disturbed the reason goes to standard error and no figure is printed or stored.\n"
    "Exit status: 0 measured, 2 bad arguments, 3 nothing could be measured.\n";

// Ends the sweep where the rate allows when no end was given (20000 Hz, or 0.45 times a lower
// rate's) and says so in `note`; a range the user gave is left to be refused.
void fitDefaultsToRate(MeasureRequest& request);

// Empty when the arguments (without the program name) are malformed; `error` then says why.
std::optional<MeasureRequest> parseCommandLine(const std::vector<std::string>& args,
                                               std::string& error);

}  // namespace quilbo::measurecli
