// Strict parsing of quilbo-correct's arguments: a malformed number or a value out of range is an
// error that names its argument, never a guess.
#include "tools/correct/CommandLine.h"

#include "tools/common/NumberArgument.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quilbo::correctcli {
namespace {

using cli::parseNumber;

// What a subcommand takes: its words in order, whether it writes in a format, whether it plans
// (and so takes the plan's options), and whether it installs (--output, --default).
struct Subcommand {
    const char* word;
    Command command;
    std::vector<std::string CorrectRequest::*> positionals;
    bool needsFormat;
    bool plans;
    bool installs;
};

const std::array<Subcommand, 5>& subcommands() {
    static const std::array<Subcommand, 5> table = {{
        {"plan", Command::Plan, {&CorrectRequest::name}, false, true, false},
        {"export",
         Command::Export,
         {&CorrectRequest::name, &CorrectRequest::folder},
         true,
         true,
         false},
        {"install", Command::Install, {&CorrectRequest::name}, false, true, true},
        {"remove", Command::Remove, {&CorrectRequest::sink}, false, false, false},
        {"list", Command::List, {}, false, false, false},
    }};
    return table;
}

// A number option's value within [lowest, highest], whole when asked.
std::optional<double> numberIn(const std::string& option, const std::string& value, double lowest,
                               double highest, bool whole, std::string& error) {
    const std::optional<double> number = parseNumber(value);
    if (!number || *number < lowest || *number > highest ||
        (whole && *number != std::floor(*number))) {
        char range[96];
        std::snprintf(range, sizeof range, "%s%g to %g", whole ? "a whole number from " : "",
                      lowest, highest);
        error = option + " needs " + range + ", not '" + value + "'";
        return std::nullopt;
    }
    return number;
}

bool parseTarget(const std::string& value, CorrectRequest& request, std::string& error) {
    CorrectionTarget& target = request.options.target;
    if (value == "flat") {
        target.kind = TargetKind::Flat;
    } else if (value.starts_with("tilt:")) {
        const std::optional<double> tilt =
            numberIn("--target tilt:", value.substr(5), -20, 20, false, error);
        if (!tilt) {
            return false;
        }
        target.kind = TargetKind::Tilt;
        target.tiltDbPerDecade = *tilt;
    } else {
        request.targetPath = value;
    }
    return true;
}

bool parseOption(const std::string& option, const std::string& value, CorrectRequest& request,
                 std::string& error) {
    PlanOptions& o = request.options;
    if (option == "--target") {
        return parseTarget(value, request, error);
    }
    if (option == "--format") {
        if (value != "text" && value != "pipewire") {
            error = "--format needs text or pipewire, not '" + value + "'";
            return false;
        }
        request.format = value;
        return true;
    }
    if (option == "--output") {
        request.output = value;
        return true;
    }
    if (option == "--from" || option == "--to") {
        const std::optional<double> f = numberIn(option, value, 1, 1e6, false, error);
        (option == "--from" ? o.from : o.to) = f;
        return f.has_value();
    }
    if (option == "--max-boost") {
        const std::optional<double> boost = numberIn(option, value, 0, 20, false, error);
        o.maxBoostDb = boost.value_or(0);
        return boost.has_value();
    }
    const std::optional<double> bands = numberIn(option, value, 1, 20, true, error);
    o.bands = static_cast<int>(bands.value_or(0));
    return bands.has_value();
}

}  // namespace

std::optional<CorrectRequest> parseCommandLine(const std::vector<std::string>& args,
                                               std::string& error) {
    CorrectRequest request;
    if (std::any_of(args.begin(), args.end(),
                    [](const std::string& a) { return a == "--help" || a == "-h"; })) {
        return request;
    }
    if (args.empty()) {
        error = "a subcommand is needed";
        return std::nullopt;
    }
    const auto found = std::find_if(subcommands().begin(), subcommands().end(),
                                    [&](const Subcommand& s) { return args.front() == s.word; });
    if (found == subcommands().end()) {
        error = "unknown subcommand '" + args.front() + "'";
        return std::nullopt;
    }
    request.command = found->command;
    const std::vector<std::string> planning = {"--target",    "--from",  "--to",
                                               "--max-boost", "--bands", "--invert"};
    const std::vector<std::string> valued = {"--target", "--from",   "--to",    "--max-boost",
                                             "--bands",  "--format", "--output"};
    std::vector<std::string> seen;
    std::size_t positional = 0;
    for (std::size_t at = 1; at < args.size(); ++at) {
        const std::string& arg = args[at];
        if (!arg.starts_with("--")) {
            if (positional >= found->positionals.size() || arg.empty()) {
                error = arg.empty() ? "an empty argument" : "unexpected argument '" + arg + "'";
                return std::nullopt;
            }
            request.*(found->positionals[positional++]) = arg;
            continue;
        }
        const bool takesValue = std::find(valued.begin(), valued.end(), arg) != valued.end();
        const bool plansOnly = std::find(planning.begin(), planning.end(), arg) != planning.end();
        const bool installsOnly = arg == "--output" || arg == "--default";
        if ((!takesValue && arg != "--invert" && arg != "--default") ||
            (arg == "--format" && !found->needsFormat) || (plansOnly && !found->plans) ||
            (installsOnly && !found->installs)) {
            error = "unknown argument '" + arg + "'";
            return std::nullopt;
        }
        if (std::find(seen.begin(), seen.end(), arg) != seen.end()) {
            error = arg + " is given twice";
            return std::nullopt;
        }
        seen.push_back(arg);
        if (arg == "--invert" || arg == "--default") {
            (arg == "--invert" ? request.options.invert : request.makeDefault) = true;
            continue;
        }
        if (at + 1 >= args.size() || args[at + 1].empty()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        if (!parseOption(arg, args[++at], request, error)) {
            return std::nullopt;
        }
    }
    if (positional < found->positionals.size()) {
        error = std::string(found->word) + " needs " +
                (found->positionals.size() > 1       ? "a NAME and a DIR"
                 : found->command == Command::Remove ? "a SINK"
                                                     : "a NAME");
        return std::nullopt;
    }
    if (found->needsFormat && request.format.empty()) {
        error = std::string(found->word) + " needs --format text or --format pipewire";
        return std::nullopt;
    }
    if (found->installs && request.output.empty()) {
        error = std::string(found->word) + " needs --output SINK";
        return std::nullopt;
    }
    if (request.options.from && request.options.to &&
        *request.options.from >= *request.options.to) {
        error = "--from must be below --to";
        return std::nullopt;
    }
    return request;
}

}  // namespace quilbo::correctcli
