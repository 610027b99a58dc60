// Running helper programs from tests: a bounded run that collects the output, and a child process
// the test starts, signals and reaps itself (only ever its own PID).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quilbo::test {

struct CommandResult {
    int exitCode = -1;   // -1 when the program could not be started or did not end in time
    std::string output;  // stdout and stderr together
    bool ok() const { return exitCode == 0; }
};

// Runs argv[0] (looked up on PATH) and waits at most timeout; a program still running then is
// killed. extraEnvironment is added to (or replaces entries of) the test's own environment.
CommandResult runCommand(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10),
                         const std::map<std::string, std::string>& extraEnvironment = {});

// A child process. Output goes to outputPath (or /dev/null). The destructor kills and reaps it.
// The child leads a process group of its own and is killed (SIGKILL) when the thread that started
// it ends, so a crashed test leaves nothing running: start children from the test's own thread.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const std::vector<std::string>& argv, const std::string& outputPath,
               const std::map<std::string, std::string>& extraEnvironment = {});
    bool running();
    pid_t pid() const { return m_pid; }
    bool signal(int signo);
    // Waits for the end, at most timeout; returns the exit status, or nothing if still running.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    // SIGTERM (after SIGCONT, in case it was stopped), then SIGKILL if it lingers; always reaps.
    void terminate(std::chrono::milliseconds grace = std::chrono::seconds(3));

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// Builds an environment list: the process's own with the given entries added or replaced.
std::vector<std::string> environmentWith(const std::map<std::string, std::string>& extra);

}  // namespace quilbo::test
