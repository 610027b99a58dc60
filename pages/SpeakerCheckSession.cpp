// The speaker check's playback: the blocks it plays and the turn heard.
#include "pages/SpeakerCheckSession.h"

#include "pages/PageSupport.h"
#include "pages/PlayerMessages.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "synth/StandardSignals.h"

namespace quilbo {

namespace {

constexpr int kLfeChannel = 5;
constexpr int kBitsPerSample = 16;
// Any fixed seeds: the same noise at every play.
constexpr std::uint64_t kMainSeed = 0x5eed'0500'2000;
constexpr std::uint64_t kLfeSeed = 0x5eed'0030'0080;
constexpr auto kTurn = std::chrono::nanoseconds(static_cast<std::int64_t>(kCheckPeriodFrames) *
                                                1'000'000'000 / kCheckSampleRate);
// How often the turn heard is brought up to date: well within a turn's first tenth.
constexpr int kTurnTickMilliseconds = 100;

std::vector<float> soloGains(int channel) {
    std::vector<float> gains(static_cast<std::size_t>(channel) + 1, 0.0F);
    gains.back() = 1.0F;
    return gains;
}

}  // namespace

SpeakerCheckSession::SpeakerCheckSession(WaveOutBackend* backend, QObject* parent)
    : QObject(parent), CWavePlayer(backend, {}) {
    setWindowThreadPoster([this, tasks = windowTasks(this)](std::function<void()> task) {
        tasks->post([this, task = std::move(task)] {
            task();
            if (!isPlaying()) {
                returnToIdle();
            }
        });
    });
    // The output went away: the check ends, and says so.
    setOutputLostHandler([this] {
        stop();
        emit failed(PlayerMessages::outputLost());
    });
    // The output was refused after the start had returned: the message of a refused start.
    setOpenFailedHandler([this] {
        stop();
        emit failed(PlayerMessages::openFailed());
    });
    m_turnTimer = new QTimer(this);
    m_turnTimer->setInterval(kTurnTickMilliseconds);
    connect(m_turnTimer, &QTimer::timeout, this, &SpeakerCheckSession::changed);
}

SpeakerCheckSession::~SpeakerCheckSession() {
    // While the session is whole: a stop the device's thread posted finds nothing left to do.
    CWavePlayer::OnStop();
}

void SpeakerCheckSession::setChannelCount(int channels) {
    stop();
    m_channels = channels;
}

int SpeakerCheckSession::turn() const {
    if (m_turns <= 0) {
        return 0;
    }
    const auto elapsed = std::max(std::chrono::steady_clock::now() - m_started,
                                  std::chrono::steady_clock::duration{});
    return static_cast<int>((elapsed / kTurn) % m_turns);
}

void SpeakerCheckSession::setCheckSignal(CheckSignal signal) {
    stop();
    m_signal = signal;
}

std::span<const float> SpeakerCheckSession::noiseFor(int channel, bool alone) {
    if (m_signal == CheckSignal::St2095 && channel != kLfeChannel) {
        if (m_st2095Noise.empty()) {
            St2095Generator generator(kCheckSampleRate);
            // renderCheckBlock plays unit RMS at the check level; this factor brings the
            // standard's full-scale values back to its own level.
            const double toCheckScale =
                std::numbers::sqrt2 / std::pow(10.0, kCheckLevelDbfs / 20.0);
            m_st2095Noise.resize(generator.period());
            for (float& value : m_st2095Noise) {
                value = static_cast<float>(generator.next() * toCheckScale);
            }
        }
        // A turn plays the period's start, faded at both ends; alone, the whole period loops.
        return alone ? std::span<const float>(m_st2095Noise)
                     : std::span<const float>(m_st2095Noise).first(kCheckPeriodFrames);
    }
    std::vector<float>& noise = channel == kLfeChannel ? m_lfeNoise : m_mainNoise;
    if (noise.empty()) {
        noise = channel == kLfeChannel
                    ? periodicBandNoise(kCheckPeriodFrames, kCheckSampleRate, kCheckLfeLowHz,
                                        kCheckLfeHighHz, kLfeSeed)
                    : periodicBandNoise(kCheckPeriodFrames, kCheckSampleRate, kCheckBandLowHz,
                                        kCheckBandHighHz, kMainSeed);
    }
    return noise;
}

void SpeakerCheckSession::playSpeaker(int channel) {
    if (channel < 0 || channel >= m_channels) {
        return;
    }
    if (m_mode == Mode::Speaker && m_channel == channel) {
        stop();
        return;
    }
    start(Mode::Speaker, channel, {CheckTurn{noiseFor(channel, true), soloGains(channel)}});
}

void SpeakerCheckSession::cycle() {
    std::vector<CheckTurn> turns;
    for (int channel = 0; channel < m_channels; ++channel) {
        turns.push_back({noiseFor(channel), soloGains(channel)});
    }
    start(Mode::Cycle, -1, turns);
}

void SpeakerCheckSession::polarity() {
    const std::span<const float> noise = noiseFor(0);
    start(Mode::Polarity, -1, {{noise, {1.0F, 1.0F}}, {noise, {1.0F, -1.0F}}});
}

void SpeakerCheckSession::start(Mode mode, int channel, const std::vector<CheckTurn>& turns) {
    CWavePlayer::OnStop();
    // A single turn loops on itself without a seam; turns that follow each other fade, so that
    // no speaker starts or stops with a step.
    const std::size_t fade = turns.size() > 1 ? kCheckFadeFrames : 0;
    const std::size_t bytes = checkBlockBytes(turns, m_channels);
    SampleBlock block = SampleBlock::allocate(bytes);
    if (!block ||
        renderCheckBlock(turns, m_channels, fade, {block.data(), block.size()}) != bytes) {
        returnToIdle();
        return;
    }
    m_pBlock = std::move(block);
    m_nBlockSize = static_cast<std::int32_t>(bytes);
    m_bRepeat = true;
    const StartResult result = startPlayer(
        buildWaveFormat(m_channels, static_cast<int>(kCheckSampleRate), kBitsPerSample), m_sink);
    if (result != StartResult::Started) {
        returnToIdle();
        if (const QString text = PlayerMessages::forStart(result); !text.isEmpty()) {
            emit failed(text);
        }
        return;
    }
    m_mode = mode;
    m_channel = channel;
    m_turns = static_cast<int>(turns.size());
    m_started = std::chrono::steady_clock::now();
    if (mode != Mode::Speaker) {
        m_turnTimer->start();
    }
    emit changed();
}

void SpeakerCheckSession::stop() {
    CWavePlayer::OnStop();
    returnToIdle();
}

void SpeakerCheckSession::returnToIdle() {
    m_mode = Mode::Idle;
    m_channel = -1;
    m_turns = 0;
    m_turnTimer->stop();
    emit changed();
}

}  // namespace quilbo

#include "moc_SpeakerCheckSession.cpp"
