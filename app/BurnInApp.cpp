// The application object: the real back ends and the modal run of the main window.
#include "app/BurnInApp.h"

#include "audio/PulseServer.h"
#include "audio/PulseSweepRecorder.h"
#include "audio/PulseWaveOut.h"
#include "audio/WaveOutVolume.h"
#include "system/LogindPowerOff.h"
#include "system/LogindSleepInhibitor.h"

namespace quilbo {

// Every sound back end on the one sound server object.
struct CBurnInApp::BackEnds {
    std::shared_ptr<PulseServer> server = std::make_shared<PulseServer>();
    PulseWaveOut waveOut{server};
    PulseSweepRecorder recorder{server};
    CWaveOutVolume volume{server};
    LogindPowerOff powerOff;
    LogindSleepInhibitor sleepInhibitor;
};

CBurnInApp::CBurnInApp() : m_backEnds(std::make_unique<BackEnds>()) {
    m_services.waveOut = &m_backEnds->waveOut;
    m_services.devices = &m_backEnds->server->devices();
    m_services.soundServer = m_backEnds->server;
    m_services.sinkLayouts = m_services.devices;
    m_services.outputs = m_services.devices;
    m_services.recorder = &m_backEnds->recorder;
    m_services.volume = &m_backEnds->volume;
    m_services.powerOff = &m_backEnds->powerOff;
    m_services.sleepInhibitor = &m_backEnds->sleepInhibitor;
    m_services.clock = systemCalendarClock();
    m_services.urlOpener = systemUrlOpener();
}

CBurnInApp::CBurnInApp(MainDlgServices services) : m_services(std::move(services)) {}

CBurnInApp::~CBurnInApp() = default;

bool CBurnInApp::InitInstance() {
    CMainDlg dialog(m_services);
    m_mainWindow = &dialog;
    dialog.exec();
    // An event loop ended from elsewhere returns here without the window's own end.
    dialog.OnClose();
    m_exitStatus = dialog.exitStatus();
    m_mainWindow = nullptr;
    return false;
}

}  // namespace quilbo
