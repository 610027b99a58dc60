// The Speakers page: the check blocks it plays, the turn shown while a cycle or a polarity check
// runs, and the default output's layout beside the chosen one.
#include "pages/SpeakersPage.h"

#include "pages/FrequencyPage.h"
#include "pages/PageKeys.h"
#include "pages/SpeakerMap.h"
#include "ui_SpeakersPage.h"

#include <QEvent>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>

namespace quilbo {

namespace {

constexpr int kLfeChannel = 5;
constexpr int kBitsPerSample = 16;
// Any fixed seeds: the same noise at every play.
constexpr std::uint64_t kMainSeed = 0x5eed'0500'2000;
constexpr std::uint64_t kLfeSeed = 0x5eed'0030'0080;
constexpr auto kTurn = std::chrono::nanoseconds(static_cast<std::int64_t>(kCheckPeriodFrames) *
                                                1'000'000'000 / kCheckSampleRate);
// How often the shown turn is brought up to date: well within a turn's first tenth.
constexpr int kTurnTickMilliseconds = 100;
constexpr int kColumnWidth = 250;

int layoutChannels(int layout) {
    switch (layout) {
        case CSpeakersPage::Quad:
            return 4;
        case CSpeakersPage::Surround51:
            return 6;
        default:
            return 2;
    }
}

}  // namespace

CSpeakersPage::CSpeakersPage(WaveOutBackend* backend, SinkLayoutSource* sinkLayouts,
                             QWidget* parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::CSpeakersPage>()),
      m_backend(backend),
      m_sinkLayouts(sinkLayouts),
      m_presenter(warningBoxPresenter()) {
    m_ui->setupUi(this);
    setWaveOutBackend(backend);
    // A playback that ended on the device's side (the output went away) ends here, on the
    // window thread, and the page goes back to idle.
    setWindowThreadPoster([this](std::function<void()> task) {
        QMetaObject::invokeMethod(
            this,
            [this, task = std::move(task)] {
                auto ended = [this, task] {
                    task();
                    if (!isPlaying()) {
                        returnToIdle();
                    }
                };
                if (!holdDuringRender(this, ended)) {
                    ended();
                }
            },
            Qt::QueuedConnection);
    });

    for (QLabel* label : {m_ui->labelHint, m_ui->nowPlaying_1046, m_ui->sink_1045}) {
        label->setFixedWidth(kColumnWidth);
    }
    m_turnTimer = new QTimer(this);
    m_turnTimer->setInterval(kTurnTickMilliseconds);
    connect(m_turnTimer, &QTimer::timeout, this, [this] { showNowPlaying(); });

    connect(m_ui->speakerMap_1041, &SpeakerMap::speakerClicked, this, [this](int channel) {
        if (!holdDuringRender(this, [this, channel] { OnSpeaker(channel); })) {
            OnSpeaker(channel);
        }
    });
    connect(m_ui->cycle_1042, &QPushButton::clicked, this,
            [this] { whenNotRendering(&CSpeakersPage::OnCycle); });
    connect(m_ui->polarity_1043, &QPushButton::clicked, this,
            [this] { whenNotRendering(&CSpeakersPage::OnPolarity); });
    connect(m_ui->stop_1044, &QPushButton::clicked, this,
            [this] { whenNotRendering(&CSpeakersPage::OnStop); });
    connect(m_ui->layout_1040, &QComboBox::currentIndexChanged, this, [this](int layout) {
        OnStop();
        m_ui->speakerMap_1041->setChannelCount(layoutChannels(layout));
        showSinkLayout();
    });
    m_ui->speakerMap_1041->setChannelCount(channelCount());
    returnToIdle();
}

CSpeakersPage::~CSpeakersPage() {
    // While the page is whole: a stop the device's thread posted finds nothing left to do.
    OnStop();
}

QWidget* CSpeakersPage::control(int id) const {
    const QString suffix = QLatin1Char('_') + QString::number(id);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->objectName().endsWith(suffix)) {
            return child;
        }
    }
    return nullptr;
}

SpeakerMap* CSpeakersPage::speakerMap() const {
    return m_ui->speakerMap_1041;
}

int CSpeakersPage::channelCount() const {
    return layoutChannels(m_ui->layout_1040->currentIndex());
}

void CSpeakersPage::setMessagePresenter(MessagePresenter presenter) {
    m_presenter = std::move(presenter);
}

void CSpeakersPage::whenNotRendering(void (CSpeakersPage::*action)()) {
    if (!holdDuringRender(this, [this, action] { (this->*action)(); })) {
        (this->*action)();
    }
}

const std::vector<float>& CSpeakersPage::noiseFor(int channel) {
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

void CSpeakersPage::OnSpeaker(int channel) {
    if (channel < 0 || channel >= channelCount()) {
        return;
    }
    // The speaker that plays stops at a second click.
    if (m_mode == Mode::Speaker && m_channel == channel) {
        OnStop();
        return;
    }
    std::vector<float> gains(static_cast<std::size_t>(channel) + 1, 0.0F);
    gains.back() = 1.0F;
    start(Mode::Speaker, channel, {CheckTurn{noiseFor(channel), std::move(gains)}});
}

void CSpeakersPage::OnCycle() {
    std::vector<CheckTurn> turns;
    for (int channel = 0; channel < channelCount(); ++channel) {
        std::vector<float> gains(static_cast<std::size_t>(channel) + 1, 0.0F);
        gains.back() = 1.0F;
        turns.push_back({noiseFor(channel), std::move(gains)});
    }
    start(Mode::Cycle, -1, turns);
}

void CSpeakersPage::OnPolarity() {
    const std::vector<float>& noise = noiseFor(0);
    start(Mode::Polarity, -1, {{noise, {1.0F, 1.0F}}, {noise, {1.0F, -1.0F}}});
}

void CSpeakersPage::start(Mode mode, int channel, const std::vector<CheckTurn>& turns) {
    CWavePlayer::OnStop();
    const int channels = channelCount();
    // A single turn loops on itself without a seam; turns that follow each other fade, so that
    // no speaker starts or stops with a step.
    const std::size_t fade = turns.size() > 1 ? kCheckFadeFrames : 0;
    const std::size_t bytes = checkBlockBytes(turns, channels);
    SampleBlock block = SampleBlock::allocate(bytes);
    if (!block || renderCheckBlock(turns, channels, fade, {block.data(), block.size()}) != bytes) {
        returnToIdle();
        return;
    }
    m_pBlock = std::move(block);
    m_nBlockSize = static_cast<std::int32_t>(bytes);
    m_bRepeat = true;
    const WaveFormatExtensible format =
        buildWaveFormat(channels, static_cast<int>(kCheckSampleRate), kBitsPerSample);
    const StartResult result = startPlayer(format);
    if (result != StartResult::Started) {
        returnToIdle();
        if (m_presenter && result != StartResult::NothingToPlay) {
            m_presenter(this, result == StartResult::UnsupportedFormat
                                  ? CFrequencyPage::unsupportedFormatText()
                                  : CFrequencyPage::openFailedText());
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
    showNowPlaying();
}

void CSpeakersPage::OnStop() {
    CWavePlayer::OnStop();
    returnToIdle();
}

void CSpeakersPage::returnToIdle() {
    m_mode = Mode::Idle;
    m_channel = -1;
    if (m_turnTimer != nullptr) {
        m_turnTimer->stop();
    }
    showNowPlaying();
}

void CSpeakersPage::showNowPlaying() {
    int turn = 0;
    if (m_turns > 0) {
        const auto elapsed = std::max(std::chrono::steady_clock::now() - m_started,
                                      std::chrono::steady_clock::duration{});
        turn = static_cast<int>((elapsed / kTurn) % m_turns);
    }
    QString text;
    std::vector<int> lit;
    switch (m_mode) {
        case Mode::Idle:
            break;
        case Mode::Speaker:
            lit = {m_channel};
            text = tr("Playing: %1").arg(speakerName(m_channel));
            break;
        case Mode::Cycle:
            lit = {turn};
            text = tr("Cycle: %1").arg(speakerName(turn));
            break;
        case Mode::Polarity:
            lit = {0, 1};
            text = turn == 0 ? tr("Front pair in phase: the sound stands in the middle.")
                             : tr("Front pair in opposite phase: the sound has no middle.");
            break;
    }
    m_ui->speakerMap_1041->setLit(lit);
    m_ui->nowPlaying_1046->setText(text);
}

void CSpeakersPage::refreshSinkLayout() {
    m_sink = m_sinkLayouts != nullptr ? m_sinkLayouts->defaultSinkLayout() : std::nullopt;
    // The first output seen chooses the layout, while nothing has been chosen by hand.
    if (m_sink && !m_sinkRead && m_mode == Mode::Idle) {
        m_sinkRead = true;
        const std::size_t channels = m_sink->positions.size();
        m_ui->layout_1040->setCurrentIndex(channels >= 6   ? Surround51
                                           : channels >= 4 ? Quad
                                                           : Stereo);
    }
    showSinkLayout();
}

void CSpeakersPage::showSinkLayout() {
    if (!m_sink) {
        m_ui->sink_1045->setText(tr("No sound output answers: nothing can be played."));
        return;
    }
    QStringList names;
    for (SpeakerPosition position : m_sink->positions) {
        names << (position == SpeakerPosition::Other ? tr("other")
                                                     : speakerName(static_cast<int>(position)));
    }
    const int channels = static_cast<int>(m_sink->positions.size());
    QString text = tr("Default output: %1. Its channels: %2.")
                       .arg(QString::fromStdString(m_sink->description), names.join(tr(", ")));
    if (channels < channelCount()) {
        text += QLatin1Char('\n') +
                tr("It has fewer channels than this layout: the sound server mixes the speakers "
                   "it lacks into the others, so they cannot be heard on their own.");
    }
    m_ui->sink_1045->setText(text);
}

void CSpeakersPage::showEvent(QShowEvent* event) {
    refreshSinkLayout();
    QWidget::showEvent(event);
}

void CSpeakersPage::keyPressEvent(QKeyEvent* event) {
    if (!takeDialogKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

void CSpeakersPage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showNowPlaying();
        showSinkLayout();
    }
    QWidget::changeEvent(event);
}

}  // namespace quilbo
