// Strict parsing of quilbo-measure's arguments: a malformed number is an error, never a guess,
// and the sweep's values are held to the engine's own ranges.
#include "tools/measure/CommandLine.h"

#include "measuring/MeasurementRate.h"
#include "tools/common/NumberArgument.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace quilbo::measurecli {
namespace {

using cli::parseNumber;

constexpr unsigned kHighestChannel = 32;
constexpr int kMostTries = 10;

std::optional<std::vector<unsigned>> parseChannels(const std::string& text) {
    std::vector<unsigned> channels;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        if (item.empty() || item.size() > 2 ||
            !std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return std::nullopt;
        }
        const auto channel = static_cast<unsigned>(std::stoul(item));
        if (channel < 1 || channel > kHighestChannel ||
            std::find(channels.begin(), channels.end(), channel) != channels.end()) {
            return std::nullopt;
        }
        channels.push_back(channel);
        at = comma + 1;
    }
    return channels;
}

}  // namespace

void fitDefaultsToRate(MeasureRequest& request) {
    SweepSettings& sweep = request.settings.sweep;
    const double highest = 0.45 * sweep.rate;
    if (request.toGiven || sweep.rate < 8000 || SweepSettings{}.to <= highest) {
        sweep.to = request.toGiven ? sweep.to : SweepSettings{}.to;
        request.note.clear();
        return;
    }
    sweep.to = highest;
    char text[160];
    std::snprintf(text, sizeof text,
                  "note: the sweep ends at %g Hz, 0.45 times the rate of %d Hz (--to sets the end)",
                  highest, sweep.rate);
    request.note = text;
}

std::optional<MeasureRequest> parseCommandLine(const std::vector<std::string>& args,
                                               std::string& error) {
    MeasureRequest request;
    SweepSettings& sweep = request.settings.sweep;
    sweep.rate = kMeasurementRate;
    sweep.seconds = 5.0;
    sweep.levelDbfs = -20.0;
    request.settings.smoothing = Smoothing::None;
    const std::map<std::string, double*> numbers = {{"--level", &sweep.levelDbfs},
                                                    {"--seconds", &sweep.seconds},
                                                    {"--from", &sweep.from},
                                                    {"--to", &sweep.to}};
    const std::map<std::string, std::string*> texts = {
        {"--output", &request.settings.output},      {"--input", &request.settings.input},
        {"--calibration", &request.calibrationPath}, {"--response", &request.responsePath},
        {"--impulse", &request.impulsePath},         {"--store", &request.storeName},
        {"--write-sweep", &request.writeSweepPath},  {"--analyse", &request.analysePath}};
    std::vector<std::string> seen;
    for (std::size_t at = 0; at < args.size(); at += 2) {
        const std::string& option = args[at];
        if (option == "--help" || option == "-h" || option == "--version") {
            MeasureRequest asked;
            asked.help = option != "--version";
            asked.version = !asked.help;
            return asked;
        }
        const bool known = numbers.count(option) || texts.count(option) || option == "--rate" ||
                           option == "--channel" || option == "--reference" || option == "--tries";
        if (!known) {
            error = "unknown argument '" + option + "'";
            return std::nullopt;
        }
        if (std::find(seen.begin(), seen.end(), option) != seen.end()) {
            error = option + " is given twice";
            return std::nullopt;
        }
        seen.push_back(option);
        if (at + 1 >= args.size() || args[at + 1].empty()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[at + 1];
        if (const auto number = numbers.find(option); number != numbers.end()) {
            const std::optional<double> parsed = parseNumber(value);
            if (!parsed) {
                error = option + " needs a number, not '" + value + "'";
                return std::nullopt;
            }
            *number->second = *parsed;
            request.toGiven = request.toGiven || option == "--to";
        } else if (option == "--rate") {
            const std::optional<double> rate = parseNumber(value);
            if (!rate || *rate != std::floor(*rate) || std::abs(*rate) > 1e7) {
                error = "--rate needs a whole number of Hz, not '" + value + "'";
                return std::nullopt;
            }
            sweep.rate = static_cast<int>(*rate);
            request.rateGiven = true;
        } else if (option == "--tries") {
            const std::optional<double> tries = parseNumber(value);
            if (!tries || *tries != std::floor(*tries) || *tries < 1 || *tries > kMostTries) {
                error = "--tries needs a whole number from 1 to " + std::to_string(kMostTries) +
                        ", not '" + value + "'";
                return std::nullopt;
            }
            request.settings.tries = static_cast<int>(*tries);
        } else if (option == "--channel") {
            std::optional<std::vector<unsigned>> channels = parseChannels(value);
            if (!channels) {
                error = "--channel needs different channel numbers from 1 to " +
                        std::to_string(kHighestChannel) + " separated by commas, not '" + value +
                        "'";
                return std::nullopt;
            }
            request.settings.channels = std::move(*channels);
        } else if (option == "--reference") {
            const std::optional<std::vector<unsigned>> channel = parseChannels(value);
            if (!channel || channel->size() != 1) {
                error = "--reference needs one channel number from 1 to " +
                        std::to_string(kHighestChannel) + ", not '" + value + "'";
                return std::nullopt;
            }
            request.settings.referenceChannel = channel->front();
        } else {
            *texts.at(option) = value;
        }
    }
    if (!request.writeSweepPath.empty() && !request.analysePath.empty()) {
        error = "--write-sweep and --analyse cannot go together";
        return std::nullopt;
    }
    if (request.settings.referenceChannel > 0 && !request.analysePath.empty()) {
        error = "--reference needs a measurement made here: --analyse reads one channel";
        return std::nullopt;
    }
    fitDefaultsToRate(request);
    // A recording's rate is known only once it is read: the sweep is checked again then.
    if (const MeasureFailure problem = sweep.validate();
        problem.failed() && (request.analysePath.empty() || request.rateGiven)) {
        error = describeMeasureFailure(problem);
        return std::nullopt;
    }
    // The default: a stereo stream, wide enough for the highest channel asked for.
    const unsigned highest =
        *std::max_element(request.settings.channels.begin(), request.settings.channels.end());
    request.settings.outputChannels = std::max({2U, highest, request.settings.referenceChannel});
    return request;
}

}  // namespace quilbo::measurecli
