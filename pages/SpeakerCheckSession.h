// The speaker check's playback: band-limited pink noise on one speaker, on each in turn, or on
// the front pair in and out of phase, looped until stopped. No widget: the Speakers page shows it.
#pragma once

#include "audio/WavePlayer.h"
#include "synth/SpeakerCheck.h"

#include <QObject>

#include <chrono>
#include <span>
#include <string>
#include <vector>

class QTimer;

namespace quilbo {

// Plays through its own player in the layout the Frequency page uses for 2, 4 and 6 channels,
// so that the stream's channel map sends each channel to its own speaker. A playback that ends
// on the device's side (the output went away) returns the session to idle.
class SpeakerCheckSession : public QObject, public CWavePlayer {
    Q_OBJECT

public:
    enum class Mode { Idle, Speaker, Cycle, Polarity };
    // The main speakers' noise: band-limited (the default) or ST 2095-1's full-band pink noise
    // at the standard's level. The subwoofer keeps its own band with both.
    enum class CheckSignal { BandLimited, St2095 };

    // The back end is not owned and must outlive the session.
    explicit SpeakerCheckSession(WaveOutBackend* backend, QObject* parent = nullptr);
    ~SpeakerCheckSession() override;

    // Changing the layout's channel count stops what plays.
    void setChannelCount(int channels);
    // The output the next play goes to; empty for the system default.
    void setSink(const std::string& sink) { m_sink = sink; }
    int channelCount() const { return m_channels; }
    // Changing the signal stops what plays.
    void setCheckSignal(CheckSignal signal);
    CheckSignal checkSignal() const { return m_signal; }

    // Noise on one channel, looped; a second call for the same channel stops it.
    void playSpeaker(int channel);
    // Each speaker in turn, one period each.
    void cycle();
    // The front pair in phase, then in opposite phase, by turns.
    void polarity();
    void stop();

    Mode mode() const { return m_mode; }
    int channel() const { return m_channel; }
    // The turn heard now: the channel of a cycle, 0 (in phase) or 1 of a polarity check.
    int turn() const;

signals:
    // The mode, the channel or the turn heard has changed.
    void changed();
    // A playback could not start; text says why.
    void failed(const QString& text);

private:
    void start(Mode mode, int channel, const std::vector<CheckTurn>& turns);
    void returnToIdle();
    // The noise of one turn; a whole period of ST 2095-1 noise, longer than a turn, when its
    // loop plays alone.
    std::span<const float> noiseFor(int channel, bool alone = false);

    QTimer* m_turnTimer = nullptr;
    std::string m_sink;
    int m_channels = 2;
    Mode m_mode = Mode::Idle;
    int m_channel = -1;
    int m_turns = 0;
    std::chrono::steady_clock::time_point m_started;  // of the playback, for the turn heard
    std::vector<float> m_mainNoise;                   // made at the first play
    std::vector<float> m_lfeNoise;
    std::vector<float> m_st2095Noise;  // one whole period, made at the first play
    CheckSignal m_signal = CheckSignal::BandLimited;
};

}  // namespace quilbo
