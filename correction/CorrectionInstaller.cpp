// Installing, removing and listing corrections: the files written whole through media/, the
// chain's process, and the sound server asked until it shows the change.
#include "correction/CorrectionInstaller.h"

#include <signal.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <QRegularExpression>

#include <cctype>
#include <optional>
#include <thread>

#include "audio/PulseServer.h"
#include "correction/ChainProcess.h"
#include "correction/Logging.h"
#include "media/AtomicFile.h"

namespace quilbo {
namespace {

// What is kept beside the chain's configuration.
struct Record {
    std::string sink, output, description, previousDefault;
};

const std::string kSinkPrefix = correctionSinkName("");

// An output's name as a file name: letters, digits, dots, hyphens and underscores as they are,
// every other byte as % and its two hex digits, so that two outputs never share a file.
QString fileIdOf(const std::string& output) {
    QString id;
    for (const unsigned char c : output) {
        if (std::isalnum(c) != 0 || c == '.' || c == '-' || c == '_') {
            id += QChar(c);
        } else {
            id += QString("%%1").arg(c, 2, 16, QChar('0')).toUpper();
        }
    }
    return id;
}

bool isCorrection(const std::string& sink) {
    return sink.size() > kSinkPrefix.size() &&
           sink.compare(0, kSinkPrefix.size(), kSinkPrefix) == 0;
}

std::optional<Record> readRecord(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QJsonObject json = QJsonDocument::fromJson(file.read(1 << 16)).object();
    Record record{json["sink"].toString().toStdString(), json["output"].toString().toStdString(),
                  json["description"].toString().toStdString(),
                  json["previousDefault"].toString().toStdString()};
    if (!isCorrection(record.sink)) {
        return std::nullopt;
    }
    return record;
}

FileWriteResult writeText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    return writeFileAtomically(path.toStdString(), std::string_view(text.data(), text.size()));
}

FileWriteResult writeRecord(const QString& path, const Record& record) {
    const QJsonObject json{{"sink", QString::fromStdString(record.sink)},
                           {"output", QString::fromStdString(record.output)},
                           {"description", QString::fromStdString(record.description)},
                           {"previousDefault", QString::fromStdString(record.previousDefault)}};
    return writeText(path, QJsonDocument(json).toJson());
}

// Started by the server at each of its starts. 0.3.65 splits the arguments at blanks and knows
// no quoting, hence the refusal of a configuration folder with a blank in its path.
QByteArray dropInText(const Record& record, const QStringList& script) {
    QString description = QString::fromStdString(record.description);
    description.replace(QRegularExpression("[\\x00-\\x1f]"), " ");
    return QByteArray::fromStdString("# " + description.toStdString() +
                                     ": made at every start of the sound server.\n"
                                     "# Quilbo removes this file with the correction.\n"
                                     "context.exec = [\n"
                                     "  { path = \"" +
                                     script.first().toStdString() + "\" args = \"" +
                                     script.mid(1).join(' ').toStdString() + "\" }\n]\n");
}

InstallFailure failure(InstallError error, std::string detail = {}) {
    return {error, std::move(detail), {}, {}};
}

InstallFailure writeFailure(const QString& path, FileWriteResult file) {
    return {InstallError::WriteFailed, path.toStdString(), {}, file};
}

constexpr std::chrono::milliseconds kStopWait{3000};

}  // namespace

std::string describeInstallFailure(const InstallFailure& failure) {
    const std::string& detail = failure.detail;
    switch (failure.error) {
        case InstallError::NoServer:
            return "no sound server answered";
        case InstallError::NotPipeWire:
            return "the sound server is PulseAudio: a correction is installed on PipeWire only "
                   "(its export works on both)";
        case InstallError::UnknownOutput:
            return "no output named " + detail + " to correct";
        case InstallError::BadCorrection:
            return describeCorrectionChain(failure.chain);
        case InstallError::NoFolder:
            return "the configuration folder " + detail +
                   " is unknown or holds a blank, a quote or a backslash, which PipeWire cannot "
                   "be given";
        case InstallError::NoProgram:
            return "pipewire, pw-metadata, setpriv or sh is not installed";
        case InstallError::WriteFailed:
            return describeFileWrite(detail, failure.file);
        case InstallError::StartFailed:
            return "the correction's chain ended before its output " + detail + " came";
        case InstallError::NotAppeared:
            return "the correction's output " + detail + " did not come within its time";
        case InstallError::NotInstalled:
            return "no correction named " + detail + " is installed";
        case InstallError::StillRunning:
            return "the correction " + detail + " would not go";
        case InstallError::DefaultRefused:
            return "the sound server did not make " + detail + " the default output";
        case InstallError::None:
            break;
    }
    return "no error";
}

CorrectionInstaller::CorrectionInstaller(PulseServer& server, Options options)
    : m_server(server), m_options(std::move(options)) {
    if (m_options.configHome.isEmpty()) {
        m_options.configHome = m_options.environment.value("XDG_CONFIG_HOME");
    }
    if (m_options.configHome.isEmpty() && !m_options.environment.value("HOME").isEmpty()) {
        m_options.configHome = m_options.environment.value("HOME") + "/.config";
    }
}

QString CorrectionInstaller::folder() const {
    return m_options.configHome.isEmpty() ? QString()
                                          : m_options.configHome + "/quilbo/corrections";
}

CorrectionInstaller::Paths CorrectionInstaller::pathsOf(const std::string& output) const {
    if (!QDir::isAbsolutePath(m_options.configHome)) {
        return {};
    }
    const QString id = fileIdOf(output);
    return {folder() + "/" + id + ".conf", folder() + "/" + id + ".sh",
            folder() + "/" + id + ".json",
            m_options.configHome + "/pipewire/pipewire.conf.d/quilbo-correction-" + id + ".conf"};
}

bool CorrectionInstaller::waitForSink(const std::string& sink, bool present, pid_t process) {
    const auto deadline = std::chrono::steady_clock::now() + m_options.appearTimeout;
    while (true) {
        const bool answered = m_server.sync();
        if (answered && (m_server.devices().devices().output(sink) != nullptr) == present) {
            return true;
        }
        if (!answered && !present) {
            return true;  // no server: nothing of it is there
        }
        if ((process > 0 && !chainRunning(process)) ||
            std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void CorrectionInstaller::removeFiles(const Paths& paths) {
    for (const QString& path : {paths.dropIn, paths.script, paths.chain, paths.record}) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            qCWarning(lcCorrection) << "could not remove" << path;
        }
    }
}

InstallResult CorrectionInstaller::install(const Correction& correction,
                                           const std::string& output) {
    if (!m_server.sync()) {
        return {failure(InstallError::NoServer), {}};
    }
    const Devices devices = m_server.devices().devices();
    if (!devices.pipeWire) {
        return {failure(InstallError::NotPipeWire), {}};
    }
    const DeviceInfo* device = output.empty() ? nullptr : devices.output(output);
    if (device == nullptr || isCorrection(output)) {
        return {failure(InstallError::UnknownOutput, output), {}};
    }
    CorrectionOutput target{device->name, device->description, {}};
    for (const int position : device->channels) {
        const std::string name = pipeWirePosition(position);
        target.positions.push_back(!name.empty() ? name
                                                 : "AUX" + std::to_string(target.positions.size()));
    }
    if (const CorrectionChainCheck check = checkCorrectionChain(correction, target); !check) {
        return {{InstallError::BadCorrection, output, check, {}}, {}};
    }
    const Paths paths = pathsOf(output);
    if (paths.chain.isEmpty() || paths.chain.contains(QRegularExpression("[\\s\"'\\\\]"))) {
        return {failure(InstallError::NoFolder, folder().toStdString()), {}};
    }
    const std::string sink = correctionSinkName(output);
    const ChainCommands commands = chainCommands(paths.chain, paths.script);
    if (commands.script.isEmpty()) {
        return {failure(InstallError::NoProgram), {}};
    }
    Record record{sink, output, correctionSinkDescription(target), {}};
    if (const auto earlier = readRecord(paths.record)) {
        record.previousDefault = earlier->previousDefault;
    }
    // One installed here before goes first, so that the new one's output takes the name.
    if (!stopChains(commands, kStopWait) || !waitForSink(sink, false, 0)) {
        return {failure(InstallError::StillRunning, sink), {}};
    }
    const auto undo = [&](InstallFailure why) {
        stopChains(commands, kStopWait);
        removeFiles(paths);
        return InstallResult{std::move(why), {}};
    };
    const std::string config = filterChainProcessConfig(correction, target);
    if (const FileWriteResult written = writeText(paths.chain, QByteArray::fromStdString(config));
        !written) {
        return undo(writeFailure(paths.chain, written));
    }
    if (const FileWriteResult written = writeText(
            paths.script, chainScript(commands, QString::fromStdString(record.description)));
        !written) {
        return undo(writeFailure(paths.script, written));
    }
    if (const FileWriteResult written = writeRecord(paths.record, record); !written) {
        return undo(writeFailure(paths.record, written));
    }
    const pid_t process = startChain(commands.script, m_options.environment);
    if (process == 0) {
        return undo(failure(InstallError::StartFailed, commands.script.first().toStdString()));
    }
    if (!waitForSink(sink, true, process)) {
        const bool ended = !chainRunning(process);
        qCWarning(lcCorrection) << "the correction's output" << sink.c_str()
                                << (ended ? "ended before it came" : "did not come in time");
        return undo(failure(ended ? InstallError::StartFailed : InstallError::NotAppeared, sink));
    }
    // Only a chain that has made its output is started again at the server's starts.
    if (const FileWriteResult written =
            writeText(paths.dropIn, dropInText(record, commands.script));
        !written) {
        return undo(writeFailure(paths.dropIn, written));
    }
    return {{}, sink};
}

InstallFailure CorrectionInstaller::makeDefault(const std::string& sink) {
    const Paths paths = pathsOf(isCorrection(sink) ? sink.substr(kSinkPrefix.size()) : "");
    auto record = isCorrection(sink) ? readRecord(paths.record) : std::nullopt;
    if (!record || record->sink != sink) {
        return failure(InstallError::NotInstalled, sink);
    }
    if (!m_server.sync()) {
        return failure(InstallError::NoServer);
    }
    const Devices devices = m_server.devices().devices();
    if (devices.output(sink) == nullptr) {
        return failure(InstallError::NotInstalled, sink);
    }
    if (devices.defaultOutput != sink) {
        record->previousDefault = devices.defaultOutput;
        if (const FileWriteResult written = writeRecord(paths.record, *record); !written) {
            return writeFailure(paths.record, written);
        }
    }
    return m_server.setDefaultOutput(sink) ? InstallFailure{}
                                           : failure(InstallError::DefaultRefused, sink);
}

InstallFailure CorrectionInstaller::remove(const std::string& sink) {
    if (!isCorrection(sink)) {
        return failure(InstallError::NotInstalled, sink);
    }
    const std::string output = sink.substr(kSinkPrefix.size());
    const Paths paths = pathsOf(output);
    const ChainCommands commands = chainCommands(paths.chain, paths.script);
    const auto record = readRecord(paths.record);
    const bool running = !commands.script.isEmpty() && (!runningChains(commands.script).empty() ||
                                                        !runningChains(commands.chain).empty());
    if (paths.chain.isEmpty() ||
        (!record && !QFile::exists(paths.chain) && !QFile::exists(paths.dropIn) && !running)) {
        return failure(InstallError::NotInstalled, sink);
    }
    if (m_server.sync()) {
        const Devices devices = m_server.devices().devices();
        if (devices.defaultOutput == sink) {
            const std::string before = record ? record->previousDefault : std::string();
            const std::string back =
                !before.empty() && devices.output(before) != nullptr ? before : output;
            if (!m_server.setDefaultOutput(back)) {
                qCWarning(lcCorrection) << "the default output did not go back to" << back.c_str();
            }
        }
    }
    // The drop-in first: a server started from here on starts no chain.
    removeFiles(paths);
    if (!stopChains(commands, kStopWait) || !waitForSink(sink, false, 0)) {
        return failure(InstallError::StillRunning, sink);
    }
    return {};
}

std::vector<InstalledCorrection> CorrectionInstaller::list() {
    std::vector<InstalledCorrection> installed;
    const bool answered = m_server.sync();
    const Devices devices = m_server.devices().devices();
    const QDir dir(folder());
    for (const QString& name : dir.entryList({"*.json"}, QDir::Files, QDir::Name)) {
        if (const auto record = readRecord(dir.filePath(name))) {
            const Paths paths = pathsOf(record->output);
            const ChainCommands commands = chainCommands(paths.chain, paths.script);
            installed.push_back(
                {record->sink, record->output, record->description,
                 answered && devices.output(record->sink) != nullptr,
                 answered && devices.defaultOutput == record->sink,
                 commands.chain.isEmpty() ? 0 : int(runningChains(commands.chain).size())});
        }
    }
    return installed;
}

}  // namespace quilbo
