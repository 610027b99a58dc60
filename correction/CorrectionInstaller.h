// Installs a loudspeaker correction as a new output of the user's PipeWire, in front of the output
// it corrects: made at once (a process of its own that runs the chain) and again at every start
// of the sound server (a drop-in of its configuration starts that process), without restarting
// the server. Removes it again, leaving nothing running, and lists what is installed.
//
// The files, all under $XDG_CONFIG_HOME (~/.config):
//   quilbo/corrections/<output>.conf   the chain's own configuration (`pipewire -c` runs it)
//   quilbo/corrections/<output>.sh     runs the chain while the server runs
//   (correction/ChainProcess.h) quilbo/corrections/<output>.json   what the output is, and the
//   default output before it pipewire/pipewire.conf.d/quilbo-correction-<output>.conf context.exec:
//   the script above
//
// Every call waits on the sound server and on processes (a few seconds at most): never call one
// on the window thread.
#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <chrono>
#include <string>
#include <vector>

#include "measure/Correction.h"
#include "measure/CorrectionPipeWire.h"
#include "media/FileWriteResult.h"

namespace quilbo {

class PulseServer;

enum class InstallError {
    None,
    NoServer,        // no sound server answered
    NotPipeWire,     // the server is PulseAudio, which has no filter-chain to install
    UnknownOutput,   // no output of that name, or it is a correction itself (detail: the name)
    BadCorrection,   // the correction makes no chain (chain: why)
    NoFolder,        // no configuration folder, or one whose path holds a blank, a quote or a
                     // backslash, which 0.3.65's context.exec cannot pass (detail: the path)
    NoProgram,       // pipewire, pw-metadata, setpriv or sh is not installed
    WriteFailed,     // a file could not be written (file: why, detail: its path)
    StartFailed,     // the chain's process could not start, or ended before its output came
    NotAppeared,     // the new output did not come within the time allowed
    NotInstalled,    // remove, makeDefault: no correction of that name (detail: the name)
    StillRunning,    // remove: its process or its output would not go
    DefaultRefused,  // the server kept another default output
};

struct InstallFailure {
    InstallError error = InstallError::None;
    std::string detail;
    CorrectionChainCheck chain;  // with BadCorrection
    FileWriteResult file;        // with WriteFailed
    bool ok() const { return error == InstallError::None; }
};

// A short English reason, for the command-line tools (the pages have their own, translated
// texts): "the sound server is PulseAudio, ...", with the name or path it concerns.
std::string describeInstallFailure(const InstallFailure& failure);

struct InstallResult {
    InstallFailure failure;
    std::string sink;  // the new output's name, when it was installed
};

struct InstalledCorrection {
    std::string sink;         // the correction's output
    std::string output;       // the output it plays into
    std::string description;  // its own description
    bool present = false;     // its output is on the server now
    bool isDefault = false;   // it is the system's default output now
    int processes = 0;        // the chain's processes running now: one when all is well
};

class CorrectionInstaller {
public:
    struct Options {
        // The folder for configuration; empty: $XDG_CONFIG_HOME of the environment, or ~/.config.
        QString configHome;
        // What the chain's process runs with: it reaches the same PipeWire as the server object.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // How long a new output may take to appear, and an old one to go.
        std::chrono::milliseconds appearTimeout{5000};
    };

    explicit CorrectionInstaller(PulseServer& server) : CorrectionInstaller(server, Options{}) {}
    CorrectionInstaller(PulseServer& server, Options options);

    // Installs the correction in front of the output (a sink name), replacing one installed
    // there before. The sink's name when its output is there; on any failure nothing of it is
    // left behind. A correction, output or folder that is refused leaves an earlier correction
    // as it was; one whose chain then fails to start has replaced it by nothing.
    InstallResult install(const Correction& correction, const std::string& output);
    // Makes an installed correction the default output, remembering the default it replaces.
    InstallFailure makeDefault(const std::string& sink);
    // Takes the correction away: the default output goes back to the one it replaced (when the
    // correction is still the default), its process ends, its files go.
    InstallFailure remove(const std::string& sink);
    // Every installed correction, whether its output is there now or not.
    std::vector<InstalledCorrection> list();

    // Where the corrections' files are (for messages).
    QString folder() const;

private:
    struct Paths {
        QString chain, script, record, dropIn;
    };
    Paths pathsOf(const std::string& output) const;
    bool waitForSink(const std::string& sink, bool present, pid_t process);
    void removeFiles(const Paths& paths);

    PulseServer& m_server;
    Options m_options;
};

}  // namespace quilbo
