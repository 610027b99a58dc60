// Speakers matched by level: the check signal on each speaker in turn while a live meter reads
// the C-weighted level at the listening place, after a first read of the room in silence. No
// widget: the Speakers page shows it.
#pragma once

#include "measuring/LevelMatch.h"
#include "measuring/LiveMeter.h"
#include "pages/SpeakerCheckSession.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

namespace quilbo {

class PulseServer;

// Times are counted in seconds of input the meter has measured, so that a slow machine neither
// shortens a read nor lets one speaker's sound into the next one's. The level of each read is
// the Leq between two of the meter's snapshots (its running Leq and time at each), so that no
// reset has to reach the meter's thread before the read begins.
class LevelMatchSession : public QObject {
    Q_OBJECT

public:
    enum class Phase { Idle, Opening, Floor, Speaker };
    enum class Failure {
        NoServer,
        NoInput,
        BadFormat,
        NotOpened,
        InputLost,     // the input or the server went away
        InputStalled,  // the input stopped delivering sound
        OutputFailed,  // a speaker's playback did not start or stopped (its player says why)
    };

    // Plays through player (not owned; it must outlive the session); reads the default input on
    // server. A null server matches nothing.
    LevelMatchSession(SpeakerCheckSession* player, std::shared_ptr<PulseServer> server,
                      QObject* parent = nullptr);
    ~LevelMatchSession() override;

    bool available() const { return m_meter != nullptr; }
    // Taken by the next match; false, nothing changed, unless isLevelMatchTiming.
    bool setTiming(const LevelMatchTiming& timing);
    const LevelMatchTiming& timing() const { return m_timing; }

    // Every speaker of a layout of that many channels in turn (a 5.1 layout's subwoofer set
    // apart), the levels shown through the input's scale. False when no meter is available or a
    // match runs.
    bool start(int channels, const LevelScale& scale = {});
    // Cancels a match: the playback and the input close; the speakers measured keep their rows.
    void stop();

    bool isRunning() const { return m_phase != Phase::Idle; }
    Phase phase() const { return m_phase; }
    int channel() const { return m_current; }  // the speaker playing, or -1
    // One row per speaker of the last match, in channel order.
    const std::vector<SpeakerLevel>& levels() const { return m_levels; }
    std::optional<Failure> failure() const { return m_failure; }
    bool cancelled() const { return m_cancelled; }
    bool calibrated() const { return m_scale.calibrated(); }  // levels in dB SPL, else in dBFS

Q_SIGNALS:
    // The phase, the speaker playing or the rows have changed.
    void changed();
    // The match is over: done, stopped or failed.
    void finished();

private:
    // One read: its start on the meter's clock and the energy counted until then.
    struct Mark {
        double seconds = 0.0;
        double energy = 0.0;
        std::uint64_t over = 0;
    };
    static Mark markOf(const LiveSnapshot& snapshot);

    void onUpdate();
    void nextSpeaker();
    void playerChanged();
    void fail(Failure failure);
    void finish();

    QPointer<SpeakerCheckSession> m_player;  // gone first when both are a page's children
    LiveMeter* m_meter = nullptr;
    QTimer m_watchdog;  // no snapshot for a while: the input has stopped
    LevelMatchTiming m_timing;
    Phase m_phase = Phase::Idle;
    bool m_reading = false;    // past the settling, into the read
    bool m_switching = false;  // the player changes at the match's own call
    Mark m_mark;
    int m_channels = 0;
    int m_current = -1;
    std::vector<SpeakerLevel> m_levels;
    std::optional<double> m_floorDb;  // dBFS, as every level is read
    LevelScale m_scale;
    std::optional<Failure> m_failure;
    bool m_cancelled = false;
    // The player's check signal, given back at the end.
    SpeakerCheckSession::CheckSignal m_signalBefore = SpeakerCheckSession::CheckSignal::BandLimited;
};

}  // namespace quilbo
