// The command line of quilbo-correct: a subcommand and its arguments, every value checked before
// any measurement is read. Each subcommand is a row of one table, so that a new one costs a row
// and the function that runs it.
#pragma once

#include "measure/CorrectionPlan.h"

#include <optional>
#include <string>
#include <vector>

namespace quilbo::correctcli {

enum class Command { Help, Plan, Export, Install, Remove, List };

struct CorrectRequest {
    Command command = Command::Help;
    std::string name;          // the stored measurement's name
    PlanOptions options;       // the target's shape, when not from a file
    std::string targetPath;    // --target FILE, read once the arguments are all checked
    std::string format;        // export: "text" or "pipewire"
    std::string folder;        // export: where the files go
    std::string output;        // install: the output corrected (a sink name)
    bool makeDefault = false;  // install: the correction becomes the default output
    std::string sink;          // remove: the correction's output
};

inline constexpr const char* kUsage =
    "usage: quilbo-correct plan NAME [--target flat|tilt:DB|FILE] [--from F0] [--to F1]\n"
    "         [--max-boost DB] [--bands N] [--invert]\n"
    "       quilbo-correct export NAME --format text|pipewire DIR [the same options]\n"
    "       quilbo-correct install NAME --output SINK [--default] [the same options]\n"
    "       quilbo-correct remove SINK\n"
    "       quilbo-correct list\n"
    "       quilbo-correct --help | -h\n"
    "  plan NAME          prints the correction of the stored measurement NAME (a run of\n"
    "                     several channels stored as \"NAME (channel N)\" is corrected channel\n"
    "                     by channel, with its delay and level trims)\n"
    "  export NAME DIR    writes one equaliser text file per channel into the folder DIR, or\n"
    "                     the PipeWire configuration fragment (pipewire)\n"
    "  install NAME       makes the correction an output of the user's PipeWire in front of\n"
    "                     the output SINK, now and at every start of the server, and prints\n"
    "                     sink= with its name; --default makes it the default output\n"
    "  remove SINK        takes an installed correction away (the default output goes back)\n"
    "  list               the installed corrections: sink=, output=, present=, default=\n"
    "  --target T         flat (the default: the response's own median level), tilt:DB (DB dB\n"
    "                     per decade through 1 kHz, -20 to 20) or a file of \"frequency dB\" "
    "lines\n"
    "  --from F0, --to F1 the range corrected in Hz, within the sweep (default: from where the\n"
    "                     low end rolls off 3 dB to the top of the sweep)\n"
    "  --max-boost DB     the filters' largest boost, 0 to 20 dB (default: 6)\n"
    "  --bands N          filters per channel at most, 1 to 20 (default: 10)\n"
    "  --invert           inverts the channels measured inverted (default: only named)\n"
    "  --format F         text: the equaliser text format (Preamp: and Filter N: lines);\n"
    "                     pipewire: the filter-chain for ~/.config/pipewire/pipewire.conf.d/\n"
    "Lines start with the channel's number and a dot: N.filter_K=, N.preamp_db=, N.trim_db=,\n"
    "N.delay_ms=, N.polarity=, N.before_db= and N.predicted_db= (the largest deviation from\n"
    "the target within the range, before and as predicted after).\n"
    "Exit status: 0 done, 2 bad arguments, 3 nothing could be done.\n";

// Empty when the arguments (without the program name) are malformed; `error` then says why.
std::optional<CorrectRequest> parseCommandLine(const std::vector<std::string>& args,
                                               std::string& error);

}  // namespace quilbo::correctcli
