// Bounded command runs and child processes for the test harnesses.
#include "tests/support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <thread>

extern char** environ;

namespace quilbo::test {

using namespace std::chrono_literals;

std::vector<std::string> environmentWith(const std::map<std::string, std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (extra.find(name) == extra.end()) {
            env.push_back(std::move(entry));
        }
    }
    for (const auto& [name, value] : extra) {
        env.push_back(name + "=" + value);
    }
    return env;
}

namespace {

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings) {
        result.push_back(s.data());
    }
    result.push_back(nullptr);
    return result;
}

// The program's full path, looked up on PATH here: the forked child may not allocate.
std::string resolve(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* path = getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return program;
}

// fork and exec, with everything the child needs prepared beforehand: the test process has
// threads (libpulse, Qt), so between fork and exec the child makes plain system calls only.
// The child gets its own process group and SIGKILL when the thread that started it ends, so a
// test that crashes or is killed leaves no daemon behind.
pid_t spawn(std::vector<std::string> argv, std::vector<std::string> env, int outFd) {
    if (argv.empty()) {
        return -1;
    }
    const std::string program = resolve(argv[0]);
    auto argp = pointers(argv);
    auto envp = pointers(env);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
        _exit(127);  // the test ended before the line above
    }
    setpgid(0, 0);
    for (int signo = 1; signo < NSIG; ++signo) {
        ::signal(signo, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int in = ::open("/dev/null", O_RDONLY);
    dup2(in, STDIN_FILENO);
    dup2(outFd, STDOUT_FILENO);
    dup2(outFd, STDERR_FILENO);
    execve(program.c_str(), argp.data(), envp.data());
    _exit(127);
}

int decodeStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

}  // namespace

CommandResult runCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                         const std::map<std::string, std::string>& extraEnvironment) {
    CommandResult result;
    int fds[2];
    if (argv.empty() || pipe2(fds, O_CLOEXEC) != 0) {
        return result;
    }
    const pid_t pid = spawn(argv, environmentWith(extraEnvironment), fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= 0ms) {
            timedOut = true;
            break;
        }
        pollfd pfd{fds[0], POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;  // end of output: the program closed it or ended
        }
        result.output.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (timedOut) {
        ::kill(-pid, SIGKILL);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = timedOut ? -1 : decodeStatus(status);
    return result;
}

ChildProcess::~ChildProcess() {
    terminate(1s);
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::string& outputPath,
                         const std::map<std::string, std::string>& extraEnvironment) {
    terminate();
    const std::string path = outputPath.empty() ? "/dev/null" : outputPath;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    m_pid = spawn(argv, environmentWith(extraEnvironment), fd);
    ::close(fd);
    m_status.reset();
    return m_pid > 0;
}

bool ChildProcess::running() {
    return m_pid > 0 && !wait(0ms).has_value();
}

bool ChildProcess::signal(int signo) {
    return m_pid > 0 && !m_status && ::kill(m_pid, signo) == 0;
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds timeout) {
    if (m_pid <= 0) {
        return m_status;
    }
    if (m_status) {
        return m_status;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_status = decodeStatus(status);
            return m_status;
        }
        if (r < 0 && errno != EINTR) {
            m_status = -1;  // not our child any more: nothing left to wait for
            return m_status;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(5ms);
    }
}

void ChildProcess::terminate(std::chrono::milliseconds grace) {
    if (m_pid <= 0) {
        return;
    }
    if (!m_status) {
        ::kill(-m_pid, SIGCONT);
        ::kill(-m_pid, SIGTERM);
        if (!wait(grace)) {
            ::kill(-m_pid, SIGKILL);
            wait(5s);
        }
    }
    m_pid = -1;
    m_status.reset();
}

}  // namespace quilbo::test
