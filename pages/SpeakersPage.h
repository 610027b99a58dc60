// The Speakers page: band-limited pink noise on one speaker at a time, on each in turn, or on the
// front pair in and out of phase, to check a system's wiring, channel order and polarity.
#pragma once

#include "audio/SinkLayout.h"
#include "measuring/MicrophoneCheck.h"
#include "pages/LevelMatchSession.h"
#include "pages/MessagePresenter.h"
#include "pages/SpeakerCheckSession.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <optional>

namespace quilbo {

namespace Ui {
class CSpeakersPage;
}
class MeasurementRequest;
class MeasurementService;
class OutputChoice;
class PulseServer;
class SpeakerMap;

// Shows the speaker check's session (the playback) and forwards the clicks to it. The default
// output's own layout is read whenever the page is shown.
class CSpeakersPage : public QWidget {
    Q_OBJECT

public:
    // Control identifiers; each control's object name ends in "_<id>".
    enum ControlId {
        IDC_LAYOUT = 1047,
        IDC_SPEAKER_MAP = 1041,
        IDC_CYCLE = 1042,
        IDC_POLARITY = 1043,
        IDC_STOP = 1044,
        IDC_SINK = 1045,
        IDC_NOW_PLAYING = 1046,
        IDC_OUTPUT = 1051,
        IDC_MIC_CHECK = 1052,
        IDC_MIC_TABLE = 1053,
        IDC_MIC_STATUS = 1054,
        IDC_MATCH_LEVELS = 1055,
        IDC_MATCH_STATUS = 1056,
        IDC_MATCH_TABLE = 1057,
        IDC_MATCH_TO_CORRECTION = 1058,
    };
    // The microphone check table's columns.
    enum MicColumn {
        SpeakerColumn,
        HeardColumn,
        PolarityColumn,
        DelayColumn,
        DistanceColumn,
        LevelColumn,
        FlagsColumn,
        MicColumnCount
    };
    // The level match table's columns.
    enum MatchColumn { MatchSpeakerColumn, MatchLevelColumn, MatchTrimColumn, MatchColumnCount };
    // The layouts, in the order the list shows them.
    enum Layout { Stereo = 0, Quad = 1, Surround51 = 2 };

    // Neither back end is owned; each must outlive the page. A null layout source reads nothing.
    CSpeakersPage(WaveOutBackend* backend, SinkLayoutSource* sinkLayouts,
                  QWidget* parent = nullptr);
    ~CSpeakersPage() override;

    QWidget* control(int id) const;
    SpeakerMap* speakerMap() const;
    SpeakerCheckSession* session() const { return m_session; }
    bool isPlaying() const { return m_session->isPlaying(); }
    int channelCount() const;

    // Noise on one channel of the chosen layout, looped, that speaker lit.
    void OnSpeaker(int channel);
    // Each speaker in turn, one period each, its name shown.
    void OnCycle();
    // The front pair in phase, then in opposite phase, by turns, the state named.
    void OnPolarity();
    // Stop also cancels a microphone check or a level match that runs.
    void OnStop();
    // Each speaker of the layout sweeps in turn while the default input records; the table
    // shows what was heard.
    void OnMicCheck();
    bool isMicChecking() const { return m_micChecking; }
    // Each speaker of the layout plays the check signal in turn while the default input reads its
    // level; the table shows each one's level and the trim to the quietest.
    void OnMatchLevels();
    bool isMatching() const { return m_match != nullptr && m_match->isRunning(); }
    LevelMatchSession* levelMatch() const { return m_match; }
    // Offers the last match's trims to the next correction of the chosen output.
    void OnUseTrims();
    // Reads the default output's layout again and says how it compares with the chosen one.
    void refreshSinkLayout();

    void setMessagePresenter(MessagePresenter presenter);
    // Plays to, and reads the layout of, the output chosen there (not owned; it must outlive the
    // page). Without one the page uses the system default.
    void setOutputChoice(OutputChoice* choice);
    // The program's measurement worker (not owned); null disables the microphone check.
    void setMeasurementService(MeasurementService* service);
    // The sound server whose default input the level match reads; null disables the match.
    void setSoundServer(std::shared_ptr<PulseServer> server);
    // Where the inputs' sensitivities are kept; empty: the user's settings. A match shows levels
    // in dB SPL when the default input (as the measurement service names it) has one kept.
    void setSensitivityFile(const QString& path) { m_sensitivityFile = path; }

Q_SIGNALS:
    // The trims of a match (per 1-based channel, each speaker's trim to the quietest) offered to
    // the corrections of the output (a sink name; empty: the default output).
    void levelTrimsOffered(const std::string& output, const std::map<int, double>& trims);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showNowPlaying();
    void showSinkLayout();
    void micCheckFinished(const MeasureResult& result);
    void showMicCheck();
    void showMatch();
    QString matchFailureText(LevelMatchSession::Failure failure) const;
    // Another check or the match runs: the speakers' own buttons wait.
    bool busy() const { return m_micChecking || isMatching(); }

    std::unique_ptr<Ui::CSpeakersPage> m_ui;
    SpeakerCheckSession* m_session;
    SinkLayoutSource* m_sinkLayouts;
    MessagePresenter m_presenter;
    OutputChoice* m_outputChoice = nullptr;
    bool m_sinkRead = false;
    std::optional<SinkLayout> m_sink;
    QPointer<MeasurementService> m_measurementService;
    QPointer<MeasurementRequest> m_micRequest;  // the check's run
    bool m_micChecking = false;
    std::optional<RecordResult> m_micFailure;  // of the last check, with its message
    QString m_micMessage;
    std::vector<MicrophoneCheckRow> m_micRows;    // of the last check that ran
    std::vector<SpeakerPosition> m_micPositions;  // the speakers its channels reach
    bool m_micMeasuredAgain = false;              // whether it measured disturbed speakers again
    LevelMatchSession* m_match = nullptr;         // null without a sound server
    QString m_sensitivityFile;
    bool m_matchRefused = false;  // a measurement ran: its sweeps and the match's noise would mix
};

}  // namespace quilbo
