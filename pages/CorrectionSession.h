// The Measure page's corrections on the sound server: install, make default, remove and list run
// on a thread of their own (each waits on the server and on processes for seconds), one at a time,
// their outcome handed back on the window thread by signals.
#pragma once

#include "correction/CorrectionInstaller.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quilbo {

class PulseServer;

class CorrectionSession : public QObject {
    Q_OBJECT

public:
    enum class Action { Install, MakeDefault, Remove, List };

    // A null server installs nothing: every action ends with NoServer.
    CorrectionSession(std::shared_ptr<PulseServer> server, CorrectionInstaller::Options options,
                      QObject* parent = nullptr);
    // Waits for an action under way (each is bounded by the installer's own time-outs).
    ~CorrectionSession() override;

    // The next action's server and installer options (one under way keeps its own).
    void setServer(std::shared_ptr<PulseServer> server) { m_server = std::move(server); }
    void setOptions(CorrectionInstaller::Options options) { m_options = std::move(options); }

    bool busy() const { return m_busy; }
    // Each is refused (false, nothing started) while another runs. An empty output is the
    // server's default output at the time of installing.
    bool install(const Correction& correction, const std::string& output, bool makeDefault);
    bool makeDefault(const std::string& sink);
    bool remove(const std::string& sink);
    bool refresh();
    // The corrections installed, as last read (after every action).
    const std::vector<InstalledCorrection>& installed() const { return m_installed; }

Q_SIGNALS:
    // An action is over; for Install, sink is the new output's (when it was installed).
    void finished(quilbo::CorrectionSession::Action action, const quilbo::InstallFailure& failure,
                  const std::string& sink);
    void listed();

private:
    using Work = std::function<InstallResult(CorrectionInstaller&, PulseServer&)>;
    bool run(Action action, Work work);

    std::shared_ptr<PulseServer> m_server;
    CorrectionInstaller::Options m_options;
    std::thread m_thread;
    bool m_busy = false;
    std::vector<InstalledCorrection> m_installed;
};

}  // namespace quilbo
