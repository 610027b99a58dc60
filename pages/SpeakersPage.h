// The Speakers page: band-limited pink noise on one speaker at a time, on each in turn, or on the
// front pair in and out of phase, to check a system's wiring, channel order and polarity.
#pragma once

#include "audio/SinkLayout.h"
#include "audio/WavePlayer.h"
#include "pages/MessagePresenter.h"
#include "synth/SpeakerCheck.h"

#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace quilbo {

namespace Ui {
class CSpeakersPage;
}
class SpeakerMap;

// Plays through its own player, as the other pages do, in the layout the Frequency page uses for
// 2, 4 and 6 channels, so that the stream's channel map sends each channel to its own speaker.
// The default output's own layout is read whenever the page is shown.
class CSpeakersPage : public QWidget, public CWavePlayer {
    Q_OBJECT

public:
    // Control identifiers; each control's object name ends in "_<id>".
    enum ControlId {
        IDC_LAYOUT = 1040,
        IDC_SPEAKER_MAP = 1041,
        IDC_CYCLE = 1042,
        IDC_POLARITY = 1043,
        IDC_STOP = 1044,
        IDC_SINK = 1045,
        IDC_NOW_PLAYING = 1046,
    };
    // The layouts, in the order the list shows them.
    enum Layout { Stereo = 0, Quad = 1, Surround51 = 2 };

    // Neither back end is owned; each must outlive the page. A null layout source reads nothing.
    CSpeakersPage(WaveOutBackend* backend, SinkLayoutSource* sinkLayouts,
                  QWidget* parent = nullptr);
    ~CSpeakersPage() override;

    QWidget* control(int id) const;
    SpeakerMap* speakerMap() const;
    int channelCount() const;

    // Noise on one channel of the chosen layout, looped, that speaker lit.
    void OnSpeaker(int channel);
    // Each speaker in turn, one period each, its name shown.
    void OnCycle();
    // The front pair in phase, then in opposite phase, by turns, the state named.
    void OnPolarity();
    void OnStop();
    // Reads the default output's layout again and says how it compares with the chosen one.
    void refreshSinkLayout();

    void setMessagePresenter(MessagePresenter presenter);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Mode { Idle, Speaker, Cycle, Polarity };

    void start(Mode mode, int channel, const std::vector<CheckTurn>& turns);
    void returnToIdle();
    void showNowPlaying();
    void showSinkLayout();
    const std::vector<float>& noiseFor(int channel);
    // Runs action now, or after a render on another page has returned.
    void whenNotRendering(void (CSpeakersPage::*action)());

    std::unique_ptr<Ui::CSpeakersPage> m_ui;
    WaveOutBackend* m_backend;
    SinkLayoutSource* m_sinkLayouts;
    MessagePresenter m_presenter;
    QTimer* m_turnTimer = nullptr;
    Mode m_mode = Mode::Idle;
    int m_channel = -1;
    int m_turns = 0;
    std::chrono::steady_clock::time_point m_started;  // of the playback, for the turn shown
    bool m_sinkRead = false;
    std::optional<SinkLayout> m_sink;
    std::vector<float> m_mainNoise;  // made at the first play
    std::vector<float> m_lfeNoise;
};

}  // namespace quilbo
