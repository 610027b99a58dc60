// CMainDlg: the one window of the program: title banner with the two link buttons, the tab strip
// with the Frequency, Run In, Speakers, Measure and statement pages, and the advertisement banner.
#pragma once

#include "pages/CalendarClock.h"
#include "system/UrlOpener.h"

#include <QDialog>

#include <memory>

namespace quilbo {

class CLinkButton;
class CStatementPage;

namespace Ui {
class CMainDlg;
}
class CFrequencyPage;
class CMeasurePage;
class CRunInPage;
class CSpeakersPage;
class CWaveOutVolume;
class DeviceModel;
class PowerOffRequester;
class OutputList;
class PulseServer;
class SweepRecorder;
class MeasurementService;
class SinkLayoutSource;
class SleepInhibitor;
class TabPane;
class WaveOutBackend;

// What the pages play through and ask for. Nothing here is owned but the shared sound server;
// everything must outlive the window. Null volume or power-off leave those parts of the Run In page
// inert, a null inhibitor keeps nothing awake, a null sink layout source leaves the Speakers page
// without the output's layout; an empty clock or opener means the system's.
struct MainDlgServices {
    WaveOutBackend* waveOut = nullptr;
    CWaveOutVolume* volume = nullptr;
    PowerOffRequester* powerOff = nullptr;
    SleepInhibitor* sleepInhibitor = nullptr;
    CalendarClock clock;
    UrlOpener urlOpener;
    SinkLayoutSource* sinkLayouts = nullptr;
    OutputList* outputs = nullptr;      // the Output lists' choices; null: the default alone
    SweepRecorder* recorder = nullptr;  // plays and records measurements; null: none
    DeviceModel* devices = nullptr;     // told of changes of inputs and outputs; null: none
    // What the live meters read the inputs through (shared with them); null: they read nothing.
    std::shared_ptr<PulseServer> soundServer;
};

// Every way the window can end (close box, Alt+F4, Escape or Enter on the window's own controls,
// the Run In page's "Exit quilbo", the end of the event loop) goes through OnClose, which stops
// every page's player and lets go of the volume notices before any page is destroyed.
class CMainDlg : public QDialog {
    Q_OBJECT

public:
    // Control identifiers; each control's object name ends in "_<id>".
    enum ControlId {
        IDC_TAB = 1019,
        IDC_PAGE_FRAME = 1021,
        IDC_PARTNER_LINK = 1025,
        IDC_MAKER_LINK = 1026,
        IDC_AD_BANNER = 1032,
    };
    // Tab indexes, in the order the pages are created.
    enum PageIndex {
        FrequencyTab = 0,
        RunInTab = 1,
        SpeakersTab = 2,
        MeasureTab = 3,
        StatementTab = 4,
    };

    // Creates the five pages, each initialising as it is created: Frequency (shown), Run In,
    // Speakers, Measure and statement (hidden).
    explicit CMainDlg(MainDlgServices services, QWidget* parent = nullptr);
    // Runs OnClose if no end has run it yet.
    ~CMainDlg() override;

    // The control with the given identifier, or null.
    QWidget* control(int id) const;
    TabPane* tabPane() const;

    // The pages; null once OnClose has destroyed them.
    CFrequencyPage* frequencyPage() const { return m_pFrequencyPage; }
    CRunInPage* runInPage() const { return m_pRunInPage; }
    CSpeakersPage* speakersPage() const { return m_pSpeakersPage; }
    CMeasurePage* measurePage() const { return m_pMeasurePage; }
    CStatementPage* statementPage() const { return m_pStatementPage; }

    // Hides every page, then shows the one of the tab strip's selection (none for another index).
    void OnSelChangeTab();
    void OnPartnerLink();
    void OnMakerLink();
    // The About box, modal over this window; pages go on playing and counting behind it.
    void OnAbout();
    // The one teardown: stops the Run In page's playback, then the Frequency page's, then the
    // Speakers page's and the Measure page's run, unregisters the volume notices, then destroys
    // the Run In, Frequency, Speakers, Measure and statement pages. Runs once.
    void OnClose();
    bool isClosed() const { return m_closed; }

    // Ends the window with a program exit status once no other modal window is open (a message
    // box or the About box over it is closed first, so that nothing is destroyed under a
    // running dialog). Safe to call from inside a page's handler: the end comes later.
    void requestEnd(int status);
    // What the program returns when this window has ended.
    int exitStatus() const { return m_exitStatus; }

public slots:
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnInitDialog();
    void addPage(QWidget* page, const QString& tabText, bool shown);
    void retranslate();
    void endWhenUnblocked();
    // The banner in this window's coordinates; left and top edges inside, right and bottom out.
    QRect adBannerRect() const;

    std::unique_ptr<Ui::CMainDlg> m_ui;
    MainDlgServices m_services;
    bool m_closed = false;
    bool m_endPending = false;
    int m_exitStatus = 0;

    CFrequencyPage* m_pFrequencyPage = nullptr;
    CRunInPage* m_pRunInPage = nullptr;
    CSpeakersPage* m_pSpeakersPage = nullptr;
    CMeasurePage* m_pMeasurePage = nullptr;
    CStatementPage* m_pStatementPage = nullptr;
    MeasurementService* m_measurementService = nullptr;
    CLinkButton* m_linkMaker = nullptr;
    CLinkButton* m_linkPartner = nullptr;
    TabPane* m_tab = nullptr;
};

}  // namespace quilbo
