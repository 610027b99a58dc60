// quilbo-correct: a loudspeaker correction from a stored measurement, printed for scripts,
// written as equaliser text or PipeWire configuration, or installed as an output of the user's
// PipeWire; installed corrections listed and removed.
#include <cstdio>
#include <string>
#include <vector>

#include "audio/PulseServer.h"
#include "correction/CorrectionInstaller.h"
#include "measure/CorrectionPipeWire.h"
#include "measure/CorrectionText.h"
#include "measure/StoredRunLookup.h"
#include "media/AtomicFile.h"
#include "tools/correct/CommandLine.h"

namespace {

using namespace quilbo;
using namespace quilbo::correctcli;

constexpr int kDone = 0, kBadArguments = 2, kNotDone = 3;

int fail(int status, const std::string& message) {
    std::fprintf(stderr, "quilbo-correct: %s\n", message.c_str());
    if (status == kBadArguments) {
        std::fputs(kUsage, stderr);
    }
    return status;
}

void printPlan(const CorrectionPlan& plan) {
    for (std::size_t k = 0; k < plan.channels.size(); ++k) {
        const ChannelCorrection& c = plan.correction.channels[k];
        const ChannelPlan& p = plan.channels[k];
        const int n = c.channel;
        std::printf("%d.position=%s\n", n, c.position.c_str());
        std::printf("%d.from_hz=%.1f\n%d.to_hz=%.1f\n", n, p.from, n, p.to);
        std::printf("%d.preamp_db=%.1f\n", n, c.preampDb);
        int number = 0;
        for (const CorrectionFilter& f : c.filters) {
            std::printf("%d.filter_%d=%s %.0f Hz %.1f dB Q %.2f\n", n, ++number,
                        correctionFilterType(f.kind), f.frequency, f.gainDb, f.q);
        }
        std::printf("%d.trim_db=%.2f\n%d.delay_ms=%.3f\n", n, c.trimDb, n, c.delayMs);
        std::printf("%d.polarity=%s\n%d.invert=%s\n", n, p.measuredInverted ? "inverted" : "normal",
                    n, c.invert ? "yes" : "no");
        std::printf("%d.before_db=%.2f\n%d.predicted_db=%.2f\n", n, p.beforeDb, n, p.deviationDb);
    }
    std::fflush(stdout);
}

// NAME.conf: the whole correction as one filter-chain, for PipeWire's own configuration. It names
// no output to play into: the user's session manager places it, or the user adds target.object.
int exportPipeWire(const CorrectRequest& request, const CorrectionPlan& plan) {
    const CorrectionOutput output;
    if (const CorrectionChainCheck check = checkCorrectionChain(plan.correction, output); !check) {
        return fail(kNotDone, describeCorrectionChain(check));
    }
    const std::string path = request.folder + "/" + correctionFragmentFileName(request.name);
    if (const FileWriteResult written =
            writeFileAtomically(path, filterChainFragment(plan.correction, output));
        !written) {
        return fail(kNotDone, describeFileWrite(path, written));
    }
    std::printf("file=%s\n", path.c_str());
    return kDone;
}

int install(const CorrectRequest& request, const CorrectionPlan& plan) {
    PulseServer server;
    CorrectionInstaller installer(server);
    const InstallResult installed = installer.install(plan.correction, request.output);
    if (!installed.failure.ok()) {
        return fail(kNotDone, describeInstallFailure(installed.failure));
    }
    std::printf("sink=%s\n", installed.sink.c_str());
    std::fflush(stdout);
    if (request.makeDefault) {
        if (const InstallFailure failure = installer.makeDefault(installed.sink); !failure.ok()) {
            return fail(kNotDone, describeInstallFailure(failure));
        }
        std::puts("default=yes");
    }
    return kDone;
}

int remove(const CorrectRequest& request) {
    PulseServer server;
    CorrectionInstaller installer(server);
    if (const InstallFailure failure = installer.remove(request.sink); !failure.ok()) {
        return fail(kNotDone, describeInstallFailure(failure));
    }
    return kDone;
}

int list() {
    PulseServer server;
    CorrectionInstaller installer(server);
    for (const InstalledCorrection& c : installer.list()) {
        std::printf("sink=%s output=%s present=%s default=%s\n", c.sink.c_str(), c.output.c_str(),
                    c.present ? "yes" : "no", c.isDefault ? "yes" : "no");
    }
    return kDone;
}

int exportText(const CorrectRequest& request, const CorrectionPlan& plan) {
    for (const ChannelCorrection& channel : plan.correction.channels) {
        const std::string path =
            request.folder + "/" + correctionTextFileName(request.name, channel.position);
        if (const FileWriteResult written = exportCorrectionText(path, channel); !written) {
            return fail(kNotDone, describeFileWrite(path, written));
        }
        std::printf("%d.file=%s\n", channel.channel, path.c_str());
    }
    return kDone;
}

int run(CorrectRequest& request) {
    if (!request.targetPath.empty()) {
        const TargetFileResult target = loadTargetFile(request.targetPath);
        if (!target.target) {
            const std::string line =
                target.error.line > 0 ? ":" + std::to_string(target.error.line) : std::string();
            return fail(kBadArguments,
                        request.targetPath + line + ": " + describeTargetFileError(target.error));
        }
        request.options.target = *target.target;
    }
    const StoredRunChannels stored =
        findStoredRun(MeasurementStore(MeasurementStore::defaultFolder()), request.name);
    if (!stored.found()) {
        return fail(kNotDone, describeRunLookup(stored));
    }
    const CorrectionPlan plan = planCorrection(stored.channels, request.options);
    if (plan.failure.failed()) {
        // A range the user gave is a bad argument; the measurement's own, a measurement to redo.
        const bool asked = plan.failure.problem == PlanProblem::Range &&
                           (request.options.from || request.options.to);
        return fail(asked ? kBadArguments : kNotDone,
                    (asked ? "--from/--to: " : "") + describePlanFailure(plan.failure));
    }
    if (!plan.delaysKnown && plan.channels.size() > 1) {
        std::fputs(
            "quilbo-correct: note: the measurements keep no arrival times (stored by an "
            "earlier version): every delay is 0\n",
            stderr);
    }
    for (const ChannelPlan& channel : plan.channels) {
        if (channel.measuredInverted && !request.options.invert) {
            std::fprintf(stderr,
                         "quilbo-correct: note: channel %d was measured inverted: rewire it, or "
                         "--invert inverts it in the correction\n",
                         channel.channel);
        }
    }
    if (request.command == Command::Export) {
        return request.format == "pipewire" ? exportPipeWire(request, plan)
                                            : exportText(request, plan);
    }
    if (request.command == Command::Install) {
        return install(request, plan);
    }
    printPlan(plan);
    return kDone;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    std::optional<CorrectRequest> request =
        parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!request) {
        return fail(kBadArguments, error);
    }
    if (request->command == Command::Help) {
        std::fputs(kUsage, stdout);
        return kDone;
    }
    if (request->command == Command::Remove) {
        return remove(*request);
    }
    if (request->command == Command::List) {
        return list();
    }
    return run(*request);
}
