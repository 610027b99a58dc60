// Each action runs on a thread of its own, followed by a fresh list, and hands both back with one
// queued call: the window never waits on the server.
#include "pages/CorrectionSession.h"

#include "audio/PulseServer.h"

#include <QMetaObject>

namespace quilbo {

CorrectionSession::CorrectionSession(std::shared_ptr<PulseServer> server,
                                     CorrectionInstaller::Options options, QObject* parent)
    : QObject(parent), m_server(std::move(server)), m_options(std::move(options)) {}

CorrectionSession::~CorrectionSession() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CorrectionSession::install(const Correction& correction, const std::string& output,
                                bool makeDefault) {
    return run(Action::Install, [=](CorrectionInstaller& installer, PulseServer& server) {
        std::string target = output;
        if (target.empty() && server.sync()) {
            target = server.devices().devices().defaultOutput;
        }
        InstallResult result = installer.install(correction, target);
        if (result.failure.ok() && makeDefault) {
            result.failure = installer.makeDefault(result.sink);
        }
        return result;
    });
}

bool CorrectionSession::makeDefault(const std::string& sink) {
    return run(Action::MakeDefault, [=](CorrectionInstaller& installer, PulseServer&) {
        return InstallResult{installer.makeDefault(sink), sink};
    });
}

bool CorrectionSession::remove(const std::string& sink) {
    return run(Action::Remove, [=](CorrectionInstaller& installer, PulseServer&) {
        return InstallResult{installer.remove(sink), sink};
    });
}

bool CorrectionSession::refresh() {
    return run(Action::List, [](CorrectionInstaller&, PulseServer&) { return InstallResult{}; });
}

bool CorrectionSession::run(Action action, Work work) {
    if (m_busy) {
        return false;
    }
    if (m_thread.joinable()) {
        m_thread.join();  // over: it has handed back its result
    }
    m_busy = true;
    m_thread =
        std::thread([this, action, work = std::move(work), server = m_server, options = m_options] {
            InstallResult result;
            std::vector<InstalledCorrection> installed;
            if (server == nullptr) {
                result.failure.error = InstallError::NoServer;
            } else {
                CorrectionInstaller installer(*server, options);
                result = work(installer, *server);
                installed = installer.list();
            }
            // The object waits for this thread before it goes: the call finds it alive, or is
            // dropped with its other posted events.
            QMetaObject::invokeMethod(
                this,
                [this, action, result = std::move(result), installed = std::move(installed)] {
                    m_busy = false;
                    m_installed = installed;
                    Q_EMIT listed();
                    Q_EMIT finished(action, result.failure, result.sink);
                },
                Qt::QueuedConnection);
        });
    return true;
}

}  // namespace quilbo

#include "moc_CorrectionSession.cpp"
