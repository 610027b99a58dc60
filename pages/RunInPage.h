// The Run In page: an unattended loudspeaker run-in session (opposite-phase pink noise in a loop,
// elapsed time, an end action after a chosen number of hours) and the system volume slider.
#pragma once

#include "measuring/RunInMeasurement.h"
#include "pages/CalendarClock.h"
#include "pages/FrequencyPage.h"
#include "system/PowerOff.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QTimer;

namespace quilbo {

namespace Ui {
class CRunInPage;
}
class CWaveOutVolume;
class MeasurementRequest;
class MeasurementService;
class SystemVolumeSlider;

// Idle -> (button) Running -> (button) Idle. At the first tick at which the whole hours elapsed
// exceed the chosen number, "Exit quilbo" stops the sound and asks the program to quit with
// status 0; "Shut down" asks the system to power off, again at every later tick (Ending) until
// the button stops the session; a refused power-off is shown on the page. The playback is the
// player this page derives from; a session runs (and ends) whether or not its sound could start.
// From its start until it ends, however it ends, a session keeps the computer from sleeping (a
// power-off still goes through). With "Measure before and after", the speakers are measured
// before the noise starts and again, the noise stopped, before the end action; a failed
// measurement is stored as failed and the session goes on.
class CRunInPage : public CFrequencyPage {
    Q_OBJECT

public:
    // Control identifiers; each control's object name ends in "_<id>".
    enum RunInControlId {
        IDC_RUN_IN = 1022,
        IDC_RUN_IN_PROGRESS = 1017,
        IDC_SYSTEM_VOLUME = 1002,
        IDC_HOURS = 1028,
        IDC_SHUT_DOWN = 1029,
        IDC_EXIT_PROGRAM = 1005,
        IDC_ELAPSED = 1030,
        IDC_STATUS = 1031,
        IDC_MEASURE = 1032,
    };
    // m_nEndAction values: the radio buttons in their order.
    enum EndAction { ShutDown = 0, ExitProgram = 1 };

    // Asks the program to end with the given status. It is called from inside the tick, after
    // the sound has stopped: it may close windows later (a queued close), but must not destroy
    // the page before it returns. The default asks the application's event loop to return the
    // status.
    using QuitRequest = std::function<void(int status)>;

    // Five seconds of 44100 Hz, 16-bit stereo frames.
    static constexpr std::int32_t RUN_IN_BLOCK_BYTES = 882000;
    // The Signal list's entries: the described noise, or power-test noise in a chosen band.
    enum RunInSignal { OppositePhasePink = 0, PowerTestNoise = 1 };
    static constexpr int kTickMilliseconds = 1000;

    // The page of the program. None of the four is owned, and each must outlive the page:
    // the back end plays the noise; the volume object is unmuted and bound to the slider (null
    // leaves the slider inert); the requester powers off at a "Shut down" end (null: nothing);
    // the inhibitor keeps the computer awake during a session (null: nothing). The clock is the
    // system's calendar clock until setCalendarClock.
    CRunInPage(WaveOutBackend* backend, CWaveOutVolume* volume, PowerOffRequester* powerOff,
               SleepInhibitor* sleepInhibitor = nullptr, QWidget* parent = nullptr);
    // Stops the playback and unregisters the page from the volume object's notices.
    ~CRunInPage() override;

    void setCalendarClock(CalendarClock clock);
    void setQuitRequest(QuitRequest quit);
    // The program's measurement service (not owned); null disables "Measure before and after".
    void setMeasurementService(MeasurementService* service);
    // True while the measurement before or after the noise runs.
    bool isMeasuring() const { return m_measuring.has_value(); }

    // The Run In button: starts or stops a session.
    void OnRunInButton();
    // Renders the run-in noise and starts it looping; nothing while this page's player plays.
    void StartRunInPlayback();
    // The once-a-second tick: elapsed label and end test while a session runs.
    void OnTimer();
    // The mouse released the volume slider: the system volume follows its position.
    void OnVolumeSliderReleased();
    // The volume object's change notice; context is the page.
    static void OnVolumeChanged(std::uint32_t value, void* context);

    bool isRunning() const { return m_bRunning; }
    // The free-running timer that calls OnTimer; tests stop it and tick by hand.
    QTimer* tickTimer() const { return m_timer; }

    // The hours box holds a negative number when a session is asked to start.
    static QString negativeHoursText();
    // The status line while the session's output is gone; since: the time of day it went.
    static QString waitingForOutputText(const QString& since);
    // How often the session asks for an output again while its own is gone.
    static constexpr int kRetryMilliseconds = 2000;
    // The status line after a refused power-off.
    static QString powerOffRefusedText(const PowerOffRefusal& refusal);
    // The status lines of the measurements before and after the noise.
    static QString measuringText(RunInStage stage);
    static QString measureFailedText(RunInStage stage, const QString& reason);
    // A measurement made again because its first sweeps were disturbed; note says when.
    static QString measuredAgainText(RunInStage stage, const QString& note);

    static QString startText();
    static QString stopText();
    // The elapsed label's format, in the interface language.
    static QString elapsedFormat();

    // Slider position for a volume value: p = 65535 - v, where the getters' "-1" counts as -1
    // (an inert slider sits at 65536). Clamped to what a slider can hold.
    static int sliderPosition(std::uint32_t value);

protected:
    void doDataExchange(DataExchange& dx) override;
    // The session's output went away: it waits for one, and the session goes on counting.
    void outputLost() override;
    // A retry's output failed to open after all: the session goes on waiting for one. The
    // session's first start: the message, and the session counts on silently.
    void outputNotOpened() override;
    void changeEvent(QEvent* event) override;

private:
    // The Frequency page's own actions work on controls this page does not have: out of reach.
    using CFrequencyPage::OnPlay;
    using CFrequencyPage::OnSave;
    using CFrequencyPage::setLevelReadout;
    using CFrequencyPage::setOutputChoice;

    void OnInitDialog();
    // Range and position from the volume object's bounds and value.
    void setUpVolumeSlider(std::uint32_t value);
    void showElapsed(std::int64_t elapsed);
    // The session's number of hours from the box: a negative number keeps the last one read.
    void readHours();
    void showStatus();
    // Asks for the system's default output again; the noise resumes when one answers.
    void retryOutput();
    // The output of a start or a retry is there: a retry's session has its sound back.
    void outputOpened();
    void endSession();
    void showMeasureBox();
    void startMeasurement(RunInStage stage);
    void measurementFinished(const MeasureResult& result);
    void stopSession();
    void setSignalChoiceEnabled(bool enabled);
    void retranslate();

    std::unique_ptr<Ui::CRunInPage> m_ui;
    PowerOffRequester* m_powerOff = nullptr;
    std::unique_ptr<SleepLock> m_sessionLock;  // held while m_bRunning
    // The power-test noise's band of this session, low and high in Hz; none for the described
    // noise. Read at the start, so that a resumed session plays what it started with.
    std::optional<std::pair<int, int>> m_powerNoiseBand;
    CalendarClock m_clock;
    QuitRequest m_quit;
    QTimer* m_timer = nullptr;
    std::optional<std::int64_t> m_lastElapsed;  // what the label shows, once a tick has run

    bool m_bRunning = false;
    CWaveOutVolume* m_pVolume = nullptr;
    std::int64_t m_timeStart = 0;
    SystemVolumeSlider* m_sliderVolume = nullptr;
    QString m_strHours;
    std::int32_t m_hoursInForce = 0;
    std::optional<PowerOffRefusal> m_powerOffRefusal;  // of this session's last request
    std::optional<std::int64_t> m_soundLostAt;         // calendar time the output went
    QTimer* m_retryTimer = nullptr;
    std::int32_t m_nEndAction = ShutDown;

    QPointer<MeasurementService> m_measurementService;
    QPointer<MeasurementRequest> m_measureRequest;  // the run of the stage below
    bool m_measureSession = false;                  // this session measures before and after
    bool m_measuredAfter = false;                   // the end action may run
    std::optional<RunInStage> m_measuring;          // the stage whose run this page waits for
    // Failed measurements with their reasons, and measurements made again with when the first
    // sweep was disturbed, shown until the next session starts.
    std::vector<std::pair<RunInStage, QString>> m_measureFailures;
    std::vector<std::pair<RunInStage, QString>> m_measuredAgain;
};

}  // namespace quilbo
