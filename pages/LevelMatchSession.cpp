// The match's steps, each ended by the seconds of input the meter has measured.
#include "pages/LevelMatchSession.h"

#include "measure/LevelMeter.h"

#include <cmath>
#include <utility>

namespace quilbo {

namespace {

constexpr int kMatchRate = 48000;
constexpr int kMatchLfeChannel = 5;  // of a 5.1 layout
// Snapshots come ten times a second: this long without one, the input has stopped.
constexpr int kStalledMilliseconds = 3000;

LevelMatchSession::Failure failureOf(LiveMeterFailure failure) {
    switch (failure) {
        case LiveMeterFailure::NoServer:
            return LevelMatchSession::Failure::NoServer;
        case LiveMeterFailure::NoInput:
            return LevelMatchSession::Failure::NoInput;
        case LiveMeterFailure::BadFormat:
            return LevelMatchSession::Failure::BadFormat;
        case LiveMeterFailure::NotOpened:
            return LevelMatchSession::Failure::NotOpened;
        default:
            return LevelMatchSession::Failure::InputLost;
    }
}

}  // namespace

LevelMatchSession::LevelMatchSession(SpeakerCheckSession* player,
                                     std::shared_ptr<PulseServer> server, QObject* parent)
    : QObject(parent), m_player(player) {
    if (server) {
        m_meter = new LiveMeter(std::move(server), this);
        connect(m_meter, &LiveMeter::updated, this, &LevelMatchSession::onUpdate);
        // Opening is bounded by the meter itself; from then on, snapshots must keep coming.
        connect(m_meter, &LiveMeter::started, this, [this] {
            if (isRunning()) {
                m_watchdog.start();
            }
        });
        connect(m_meter, &LiveMeter::failed, this, [this](LiveMeterFailure failure) {
            // Input lost on the way is left out of the figures: the levels stay right.
            if (failure != LiveMeterFailure::InputDropped && isRunning()) {
                fail(failureOf(failure));
            }
        });
    }
    connect(m_player, &SpeakerCheckSession::changed, this, &LevelMatchSession::playerChanged);
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(kStalledMilliseconds);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { fail(Failure::InputStalled); });
}

LevelMatchSession::~LevelMatchSession() {
    if (isRunning() && m_player) {
        m_switching = true;
        m_player->stop();
    }
}

bool LevelMatchSession::setTiming(const LevelMatchTiming& timing) {
    if (!isLevelMatchTiming(timing)) {
        return false;
    }
    m_timing = timing;
    return true;
}

bool LevelMatchSession::start(int channels, const LevelScale& scale) {
    if (m_meter == nullptr || !m_player || isRunning() || channels < 1) {
        return false;
    }
    // The default input, read against full scale: whether a speaker was heard is judged there.
    LiveMeterRequest request;
    request.settings.rate = kMatchRate;
    request.settings.weighting = FrequencyWeighting::C;
    request.settings.time = TimeWeighting::Slow;
    request.settings.bands.bandsPerOctave = 0;  // the meter only
    if (!m_meter->start(request)) {
        return false;
    }
    m_switching = true;
    m_player->stop();  // the room is read in silence first
    m_switching = false;
    m_channels = channels;
    m_levels.assign(static_cast<std::size_t>(channels), SpeakerLevel{});
    for (int c = 0; c < channels; ++c) {
        m_levels[static_cast<std::size_t>(c)].channel = c;
    }
    // The subwoofer plays its own band only, and its level is set in that band (on most
    // receivers with its own 10 dB of gain): a full-band level beside the others would mislead.
    if (channels == 6) {
        m_levels[kMatchLfeChannel].state = SpeakerLevel::State::SetApart;
    }
    m_floorDb.reset();
    m_failure.reset();
    m_cancelled = false;
    m_scale = scale;
    m_current = -1;
    m_reading = false;
    m_mark = {};
    m_phase = Phase::Opening;
    Q_EMIT changed();
    return true;
}

void LevelMatchSession::stop() {
    if (!isRunning()) {
        return;
    }
    m_cancelled = true;
    finish();
}

LevelMatchSession::Mark LevelMatchSession::markOf(const LiveSnapshot& snapshot) {
    const LevelReadings& m = snapshot.meter;
    // The running Leq times the time it covers is the energy so far.
    const double energy = m.leqDb <= kSilenceDb ? 0.0 : std::pow(10.0, m.leqDb / 10.0) * m.seconds;
    return {m.seconds, energy, m.overSamples};
}

void LevelMatchSession::onUpdate() {
    if (!isRunning()) {
        return;
    }
    m_watchdog.start();
    const LiveSnapshot& snapshot = m_meter->snapshot();
    const Mark now = markOf(snapshot);
    if (m_phase == Phase::Opening) {
        m_phase = Phase::Floor;
        m_mark = now;
        Q_EMIT changed();
        return;
    }
    if (now.seconds < m_mark.seconds) {
        // The meter's run began again under the read: this step starts over from here.
        m_mark = now;
        m_reading = false;
        return;
    }
    if (!m_reading) {
        if (now.seconds - m_mark.seconds >= m_timing.settleSeconds) {
            m_reading = true;
            m_mark = now;
        }
        return;
    }
    const double wanted = m_phase == Phase::Floor ? m_timing.floorSeconds : m_timing.readSeconds;
    const double seconds = now.seconds - m_mark.seconds;
    if (seconds < wanted) {
        return;
    }
    const double energy = now.energy - m_mark.energy;
    const double levelDb = energy > 0.0 ? 10.0 * std::log10(energy / seconds) : kSilenceDb;
    if (m_phase == Phase::Floor) {
        m_floorDb = levelDb;
    } else {
        SpeakerLevel& level = m_levels[static_cast<std::size_t>(m_current)];
        level = judgeSpeakerLevel(m_current, levelDb, now.over > m_mark.over, *m_floorDb);
        level.levelDb = m_scale.shown(level.levelDb);
    }
    m_mark = now;
    nextSpeaker();
}

void LevelMatchSession::nextSpeaker() {
    int next = m_current + 1;
    while (next < m_channels &&
           m_levels[static_cast<std::size_t>(next)].state == SpeakerLevel::State::SetApart) {
        ++next;
    }
    if (next >= m_channels) {
        finish();
        return;
    }
    if (!m_player) {
        fail(Failure::OutputFailed);
        return;
    }
    m_switching = true;
    if (m_phase == Phase::Floor) {
        m_signalBefore = m_player->checkSignal();
        m_player->setCheckSignal(SpeakerCheckSession::CheckSignal::St2095);
    }
    m_player->playSpeaker(next);
    m_switching = false;
    m_phase = Phase::Speaker;
    m_current = next;
    m_reading = false;
    if (m_player->mode() != SpeakerCheckSession::Mode::Speaker) {
        fail(Failure::OutputFailed);  // the player has said why
        return;
    }
    Q_EMIT changed();
}

void LevelMatchSession::playerChanged() {
    // The speaker's playback ended on the device's side, or the user played something else.
    if (!m_switching && m_phase == Phase::Speaker &&
        (m_player->mode() != SpeakerCheckSession::Mode::Speaker ||
         m_player->channel() != m_current)) {
        fail(Failure::OutputFailed);
    }
}

void LevelMatchSession::fail(Failure failure) {
    if (!isRunning()) {
        return;
    }
    m_failure = failure;
    finish();
}

void LevelMatchSession::finish() {
    m_watchdog.stop();
    m_meter->stop();
    m_switching = true;
    if (m_phase == Phase::Speaker && m_player) {
        m_player->stop();
        m_player->setCheckSignal(m_signalBefore);
    }
    m_switching = false;
    m_phase = Phase::Idle;
    m_current = -1;
    assignTrims(m_levels);
    Q_EMIT changed();
    Q_EMIT finished();
}

}  // namespace quilbo

#include "moc_LevelMatchSession.cpp"
