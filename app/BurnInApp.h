// CBurnInApp: the application object: holds the back ends the pages use and runs the main window.
#pragma once

#include "app/MainDlg.h"

#include <memory>

namespace quilbo {

class CMainDlg;

class CBurnInApp {
public:
    // The program's own back ends: PulseAudio playback and output volume, power-off and the
    // locks against sleep through systemd-logind, the system's calendar clock and browser. Needs
    // the QApplication.
    CBurnInApp();
    // Runs the window on services owned by the caller instead.
    explicit CBurnInApp(MainDlgServices services);
    ~CBurnInApp();
    CBurnInApp(const CBurnInApp&) = delete;
    CBurnInApp& operator=(const CBurnInApp&) = delete;

    // Runs the main window modally and returns once it has ended and its pages are gone. Always
    // false: there is nothing to run after the window.
    bool InitInstance();

    // The status the program exits with, as the window ended.
    int exitStatus() const { return m_exitStatus; }
    // The main window while InitInstance runs, otherwise null.
    CMainDlg* mainWindow() const { return m_mainWindow; }

private:
    struct BackEnds;
    std::unique_ptr<BackEnds> m_backEnds;  // outlives every window
    MainDlgServices m_services;
    CMainDlg* m_mainWindow = nullptr;
    int m_exitStatus = 0;
};

}  // namespace quilbo
