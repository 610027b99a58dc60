// Strict parsing of quilbo-meter's arguments: a malformed number is an error, never a guess.
#include "tools/meter/CommandLine.h"

#include "measure/BandAnalyser.h"
#include "measure/OctaveBands.h"
#include "tools/common/NumberArgument.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace quilbo::metercli {

using cli::parseNumber;

bool asksForHelp(const std::vector<std::string>& args) {
    return std::ranges::any_of(args,
                               [](const std::string& a) { return a == "--help" || a == "-h"; });
}

std::optional<MeterRequest> parseCommandLine(const std::vector<std::string>& args,
                                             std::string& error) {
    MeterRequest request;
    std::vector<std::string> seen;
    for (std::size_t at = 0; at < args.size(); at += 2) {
        const std::string& option = args[at];
        static const char* const kOptions[] = {"--input", "--seconds",     "--weighting",  "--time",
                                               "--bands", "--calibration", "--sensitivity"};
        if (std::ranges::find(kOptions, option) == std::end(kOptions)) {
            error = "unknown argument '" + option + "'";
            return std::nullopt;
        }
        if (std::ranges::find(seen, option) != seen.end()) {
            error = option + " is given twice";
            return std::nullopt;
        }
        seen.push_back(option);
        if (at + 1 >= args.size() || args[at + 1].empty()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[at + 1];
        const std::optional<double> number = parseNumber(value);
        if (option == "--input") {
            request.input = value;
        } else if (option == "--calibration") {
            request.calibrationPath = value;
        } else if (option == "--seconds") {
            if (!number || *number < kMinSeconds || *number > kMaxSeconds) {
                error = "--seconds needs a number from 0.5 to 86400, not '" + value + "'";
                return std::nullopt;
            }
            request.seconds = *number;
        } else if (option == "--sensitivity") {
            if (!number || *number < -150 || *number > 20) {
                error = "--sensitivity needs a level from -150 to 20 dBFS, not '" + value + "'";
                return std::nullopt;
            }
            request.sensitivityDb = *number;
        } else if (option == "--weighting") {
            if (value != "A" && value != "C" && value != "Z") {
                error = "--weighting needs A, C or Z, not '" + value + "'";
                return std::nullopt;
            }
            request.weighting = value == "A"   ? FrequencyWeighting::A
                                : value == "C" ? FrequencyWeighting::C
                                               : FrequencyWeighting::Z;
        } else if (option == "--time") {
            if (value != "fast" && value != "slow") {
                error = "--time needs fast or slow, not '" + value + "'";
                return std::nullopt;
            }
            request.time = value == "fast" ? TimeWeighting::Fast : TimeWeighting::Slow;
        } else {  // --bands
            if (!number || *number != std::floor(*number) ||
                !isBandsPerOctave(static_cast<int>(*number))) {
                error = "--bands needs 1, 3, 6, 12, 24 or 48, not '" + value + "'";
                return std::nullopt;
            }
            request.bandsPerOctave = static_cast<int>(*number);
        }
    }
    // The bands come from whole frames of 1.37 s: a shorter run would have none.
    if (request.bandsPerOctave > 0 && request.seconds < 1.5) {
        error = "--bands needs --seconds of at least 1.5";
        return std::nullopt;
    }
    return request;
}

}  // namespace quilbo::metercli
