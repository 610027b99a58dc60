// The processes that run an installed correction. A PipeWire client stays on when its server goes
// (0.3.65's `pipewire -c` does), and the server starts what its configuration lists through a
// double fork (so a child cannot ask to die with it): a small script runs the chain beside
// `pw-metadata -m`, which does end with the server, and ends the chain then. Both run with
// PR_SET_PDEATHSIG against the script, so ending the script ends all. The installer starts one
// script at once, the server one at each of its starts; none is a child of ours, so they are
// found again by their exact command lines (and owner).
#pragma once

#include <QByteArray>
#include <QStringList>

#include <chrono>
#include <vector>

#include <sys/types.h>

class QProcessEnvironment;

namespace quilbo {

struct ChainCommands {
    QStringList script;  // the script, as the server and the installer start it
    QStringList chain;   // the chain itself, `pipewire -c <config>`
};

// For the chain's configuration file and its script (absolute paths). Empty lists when a program
// it needs (pipewire, pw-metadata, setpriv, sh) is not installed.
ChainCommands chainCommands(const QString& config, const QString& script);
// The script's text for those commands.
QByteArray chainScript(const ChainCommands& commands, const QString& title);

// Starts the command detached from this program (it outlives it, its output discarded). 0 when it
// could not start.
pid_t startChain(const QStringList& command, const QProcessEnvironment& environment);

// Whether the process runs (an ended one that nobody has reaped yet does not).
bool chainRunning(pid_t pid);

// This user's processes running exactly that command.
std::vector<pid_t> runningChains(const QStringList& command);

// Ends every process running either command (SIGTERM, SIGKILL after the wait); true when none is
// left.
bool stopChains(const ChainCommands& commands, std::chrono::milliseconds wait);

}  // namespace quilbo
