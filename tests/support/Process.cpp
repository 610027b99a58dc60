// Bounded command runs and child processes for the test harnesses.
#include "tests/support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

// posix_spawn rather than fork: the test process has threads (libpulse, Qt), and a forked child
// of a threaded process may only call async-signal-safe functions before exec.
pid_t spawn(std::vector<std::string> argv, std::vector<std::string> env, int outFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDERR_FILENO);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The child gets default signal handling and an empty mask whatever the test runner set.
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    auto argp = pointers(argv);
    auto envp = pointers(env);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argp[0], &actions, &attr, argp.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
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
        ::kill(pid, SIGKILL);
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
        ::kill(m_pid, SIGCONT);
        ::kill(m_pid, SIGTERM);
        if (!wait(grace)) {
            ::kill(m_pid, SIGKILL);
            wait(5s);
        }
    }
    m_pid = -1;
    m_status.reset();
}

}  // namespace quilbo::test
