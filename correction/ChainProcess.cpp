// The chain's script, starting it detached, and finding it again in /proc by its command line.
#include "correction/ChainProcess.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

#include <thread>

namespace quilbo {

ChainCommands chainCommands(const QString& config, const QString& script) {
    const QString pipewire = QStandardPaths::findExecutable("pipewire");
    const QString shell = QStandardPaths::findExecutable("sh");
    if (pipewire.isEmpty() || shell.isEmpty() ||
        QStandardPaths::findExecutable("pw-metadata").isEmpty() ||
        QStandardPaths::findExecutable("setpriv").isEmpty()) {
        return {};
    }
    return {{shell, script}, {pipewire, "-c", config}};
}

QByteArray chainScript(const ChainCommands& commands, const QString& title) {
    const QString deathSignal = QStandardPaths::findExecutable("setpriv") + " --pdeathsig TERM ";
    QString line = title;
    line.replace(QRegularExpression("[\\x00-\\x1f]"), " ");
    // Paths with no quote in them (the installer refuses others), so single quotes keep them.
    return ("#!/bin/sh\n"
            "# " +
            line + ": its chain, while the sound server that started it runs.\n" + deathSignal +
            "'" + commands.chain.join("' '") + "' &\n" + deathSignal +
            QStandardPaths::findExecutable("pw-metadata") +
            " -m >/dev/null 2>&1\n"
            "kill $! 2>/dev/null\n")
        .toUtf8();
}

pid_t startChain(const QStringList& command, const QProcessEnvironment& environment) {
    QProcess process;
    process.setProgram(command.first());
    process.setArguments(command.mid(1));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // A session of its own: a terminal's hang-up or the program's process group being ended
    // does not end the output a user installed.
    process.setChildProcessModifier([] { ::setsid(); });
    qint64 pid = 0;
    return process.startDetached(&pid) ? static_cast<pid_t>(pid) : 0;
}

bool chainRunning(pid_t pid) {
    QFile stat("/proc/" + QString::number(pid) + "/stat");
    if (pid <= 0 || ::kill(pid, 0) != 0 || !stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    // "pid (name) state ...": the state follows the name's closing parenthesis.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || close + 2 >= line.size() || line[close + 2] != 'Z';
}

std::vector<pid_t> runningChains(const QStringList& command) {
    QByteArray wanted;
    for (const QString& argument : command) {
        wanted += argument.toLocal8Bit() + '\0';
    }
    std::vector<pid_t> found;
    const QStringList entries = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        struct stat info {};
        if (!number || ::stat(("/proc/" + entry).toLocal8Bit().constData(), &info) != 0 ||
            info.st_uid != ::getuid()) {
            continue;
        }
        QFile file("/proc/" + entry + "/cmdline");
        if (file.open(QIODevice::ReadOnly) && file.readAll() == wanted) {
            found.push_back(pid);
        }
    }
    return found;
}

bool stopChains(const ChainCommands& commands, std::chrono::milliseconds wait) {
    if (commands.script.isEmpty()) {
        return true;
    }
    const auto running = [&] {
        std::vector<pid_t> pids = runningChains(commands.script);
        const std::vector<pid_t> chains = runningChains(commands.chain);
        pids.insert(pids.end(), chains.begin(), chains.end());
        return pids;
    };
    // The script first: its end ends its chain.
    for (const pid_t pid : running()) {
        ::kill(pid, SIGTERM);
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!running().empty()) {
        if (std::chrono::steady_clock::now() > deadline) {
            for (const pid_t pid : running()) {
                ::kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return running().empty();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace quilbo
