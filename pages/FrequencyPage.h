// The Frequency page: the signal generator that renders a test signal and hands it to the player.
#pragma once

#include "audio/WavePlayer.h"
#include "pages/DataExchange.h"
#include "pages/FrequencyRequest.h"
#include "pages/MessagePresenter.h"
#include "pages/RenderSession.h"
#include "system/SleepInhibitor.h"

#include <QString>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QComboBox;
class QProgressBar;

namespace quilbo {

namespace Ui {
class CFrequencyPage;
}
class CVolumeSlider;
class OutputChoice;

// Renders the chosen waveform completely in memory on Play, then plays it through the player it
// derives from. Stop (or the end of a block without Repeat) returns it to idle. The members
// carry the control values between data exchanges. A play with Repeat keeps the computer awake
// until the playback stops, however it stops.
class CFrequencyPage : public QWidget, public CWavePlayer {
    Q_OBJECT

public:
    // Control identifiers; each control's object name ends in "_<id>".
    enum ControlId {
        IDCANCEL = 2,
        IDI_APPLICATION = 128,
        IDC_WAVE = 1001,
        IDC_LEVEL = 1002,
        IDC_LEVEL_TEXT = 1003,
        IDC_SIMPLE = 1004,
        IDC_SCAN = 1005,
        IDC_FREQUENCY = 1006,
        IDC_SCAN_FROM = 1007,
        IDC_SCAN_TO = 1008,
        IDC_TIME = 1009,
        IDC_PRECISION = 1012,
        IDC_SAMPLE_RATE = 1013,
        IDC_CHANNELS = 1014,
        IDC_PLAY = 1015,
        IDC_STOP = 1016,
        IDC_PROGRESS = 1017,
        IDC_REPEAT = 1018,
        IDC_LOGARITHMIC = 1019,
        IDC_SAVE = 1020,
        IDC_FADE = 1039,
        IDC_OUTPUT = 1050,
    };

    // Returns an empty block when the memory cannot be had.
    using BlockAllocator = std::function<SampleBlock(std::size_t bytes)>;
    // Asks for the name of the WAV file Save writes; an empty name cancels the save.
    using SaveNameAsker = std::function<QString(QWidget* parent, const QString& suggested)>;

    // The page of the program: builds its controls and moves the initial values into them.
    // Neither the back end nor the inhibitor is owned, and each must outlive the page; a null
    // inhibitor keeps nothing awake.
    explicit CFrequencyPage(WaveOutBackend* backend, SleepInhibitor* sleepInhibitor = nullptr,
                            QWidget* parent = nullptr);
    ~CFrequencyPage() override;

    // The control with the given identifier, or null.
    QWidget* control(int id) const;

    // Moves the controls into the members (with the range checks) or the members into the
    // controls. False when a field failed its check: its message has been shown and it has
    // the focus.
    bool updateData(bool bSaveAndValidate = true);

    void OnPlay();
    // Renders the request of the controls as Play would and writes it to a WAV file whose name
    // it asks for. Works while the page plays: the playing block is left alone.
    void OnSave();
    // The player's stop; a looped play's lock against sleep goes with it.
    void OnStop();

    // Writes the level readout (control 1003).
    void setLevelReadout(const QString& text);

    void setMessagePresenter(MessagePresenter presenter);
    void setBlockAllocator(BlockAllocator allocator);
    void setProgressClock(RenderSession::Clock clock);
    void setSaveNameAsker(SaveNameAsker asker);
    // Plays to the output chosen there (not owned; it must outlive the page) and shows the
    // choice in the page's Output list. Without one the page plays to the system default.
    void setOutputChoice(OutputChoice* choice);
    // The largest block Play renders, in bytes; larger requests are refused with a message.
    void setBlockLimit(std::int64_t bytes);
    std::int64_t blockLimit() const { return m_blockLimit; }

    // Control values, in the order they are exchanged with the controls.
    QProgressBar* m_progress = nullptr;
    CVolumeSlider* m_level = nullptr;
    QComboBox* m_comboWave = nullptr;
    QString m_strPrecision;
    QString m_strSampleRate;
    std::int32_t m_nScanTo = 0;
    std::int32_t m_nScanFrom = 0;
    std::int32_t m_nTime = 0;
    std::int32_t m_nFrequency = 0;
    std::int32_t m_nTestType = 0;
    QString m_strLevel;
    QString m_strChannels;
    bool m_logarithmic = false;
    // m_bRepeat, m_fade and the other player members come from CWavePlayer.

    // Size in bytes of the block of the last Play that got as far as rendering.
    std::int32_t blockSize() const { return m_nBlockSize; }

protected:
    // For derived pages: builds no controls and sets only the player values; the derived page
    // binds m_progress to its own bar.
    CFrequencyPage(int nTemplateId, WaveOutBackend* backend, SleepInhibitor* sleepInhibitor,
                   QWidget* parent);

    virtual void doDataExchange(DataExchange& dx);

    // Renders a block of range sample values with render, the bar showing its progress.
    bool renderWithProgress(std::uint32_t range, const std::function<void()>& render);
    // The output the page plays to; empty for the system default.
    std::string chosenSink() const;
    // The player's output went away under it: the play ends with a message.
    virtual void outputLost();
    // The output of a play that had started failed to open after all: the same message as a
    // start refused at once.
    virtual void outputNotOpened();
    // Plays block (size bytes of format) from its start, looped with repeat, faded in and out
    // with fade; the failure messages are shown here. False when it did not start.
    bool playBlock(SampleBlock block, std::int32_t size, const WaveFormatExtensible& format,
                   bool repeat, bool fade);
    void showMessage(const QString& text);
    // A lock against sleep and idle for as long as the result is kept; null when none was had.
    std::unique_ptr<SleepLock> inhibitSleep(const QString& why) const;

    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnInitDialog();
    // Moves the controls into the members and checks the request; on a refusal its message has
    // been shown. askDevice: whether the output device must accept the format.
    std::optional<FrequencyRequest> checkedRequest(bool askDevice);
    // The request rendered into a block from the allocator, the bar showing the progress; an
    // empty block when there was no memory for it (after the message) or no render.
    SampleBlock renderedBlock(const FrequencyRequest& request);

    std::unique_ptr<Ui::CFrequencyPage> m_ui;
    WaveOutBackend* m_backend = nullptr;
    SleepInhibitor* m_sleepInhibitor = nullptr;
    std::unique_ptr<SleepLock> m_loopLock;  // held while a play with Repeat runs
    MessagePresenter m_presenter;
    BlockAllocator m_allocator;
    SaveNameAsker m_saveNameAsker;
    std::int64_t m_blockLimit;
    RenderSession* m_renderSession = nullptr;
    OutputChoice* m_outputChoice = nullptr;
};

}  // namespace quilbo
