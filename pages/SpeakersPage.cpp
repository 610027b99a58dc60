// The Speakers page: the check blocks it plays, the turn shown while a cycle or a polarity check
// runs, and the default output's layout beside the chosen one.
#include "pages/SpeakersPage.h"

#include "pages/OutputChoice.h"
#include "pages/PageKeys.h"
#include "pages/PageSupport.h"
#include "pages/SpeakerMap.h"
#include "ui_SpeakersPage.h"

#include <QEvent>
#include <QKeyEvent>

namespace quilbo {

namespace {

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
      m_session(new SpeakerCheckSession(backend, this)),
      m_sinkLayouts(sinkLayouts),
      m_presenter(warningBoxPresenter()) {
    m_ui->setupUi(this);
    for (QLabel* label : {m_ui->labelHint, m_ui->nowPlaying_1046, m_ui->sink_1045}) {
        label->setFixedWidth(kColumnWidth);
    }
    connect(m_session, &SpeakerCheckSession::changed, this, &CSpeakersPage::showNowPlaying);
    connect(m_session, &SpeakerCheckSession::failed, this, [this](const QString& text) {
        if (m_presenter) {
            m_presenter(this, text);
        }
    });
    connect(m_ui->speakerMap_1041, &SpeakerMap::speakerClicked, this,
            [this](int channel) { OnSpeaker(channel); });
    connect(m_ui->cycle_1042, &QPushButton::clicked, this, [this] { OnCycle(); });
    connect(m_ui->polarity_1043, &QPushButton::clicked, this, [this] { OnPolarity(); });
    connect(m_ui->stop_1044, &QPushButton::clicked, this, [this] { OnStop(); });
    connect(m_ui->layout_1047, &QComboBox::currentIndexChanged, this, [this](int layout) {
        m_session->setChannelCount(layoutChannels(layout));
        m_ui->speakerMap_1041->setChannelCount(layoutChannels(layout));
        showSinkLayout();
    });
    m_session->setChannelCount(channelCount());
    m_ui->speakerMap_1041->setChannelCount(channelCount());
    m_ui->output_1051->addItem(OutputChoice::defaultEntryText(QString()));
    showNowPlaying();
}

CSpeakersPage::~CSpeakersPage() = default;

QWidget* CSpeakersPage::control(int id) const {
    return findControl(this, id);
}

SpeakerMap* CSpeakersPage::speakerMap() const {
    return m_ui->speakerMap_1041;
}

int CSpeakersPage::channelCount() const {
    return layoutChannels(m_ui->layout_1047->currentIndex());
}

void CSpeakersPage::setMessagePresenter(MessagePresenter presenter) {
    m_presenter = std::move(presenter);
}

void CSpeakersPage::setOutputChoice(OutputChoice* choice) {
    m_outputChoice = choice;
    choice->bind(m_ui->output_1051);
    connect(choice, &OutputChoice::changed, this, [this] {
        if (m_session->isPlaying() || m_session->canResume()) {
            return;  // the playing output keeps playing; the next play takes the choice
        }
        refreshSinkLayout();
    });
    refreshSinkLayout();
}

void CSpeakersPage::OnSpeaker(int channel) {
    m_session->playSpeaker(channel);
}

void CSpeakersPage::OnCycle() {
    m_session->cycle();
}

void CSpeakersPage::OnPolarity() {
    m_session->polarity();
}

void CSpeakersPage::OnStop() {
    m_session->stop();
}

void CSpeakersPage::showNowPlaying() {
    const int turn = m_session->turn();
    QString text;
    std::vector<int> lit;
    switch (m_session->mode()) {
        case SpeakerCheckSession::Mode::Idle:
            break;
        case SpeakerCheckSession::Mode::Speaker:
            lit = {m_session->channel()};
            text = tr("Playing: %1").arg(speakerName(m_session->channel()));
            break;
        case SpeakerCheckSession::Mode::Cycle:
            lit = {turn};
            text = tr("Cycle: %1").arg(speakerName(turn));
            break;
        case SpeakerCheckSession::Mode::Polarity:
            lit = {0, 1};
            text = turn == 0 ? tr("Front pair in phase: the sound stands in the middle.")
                             : tr("Front pair in opposite phase: the sound has no middle.");
            break;
    }
    m_ui->speakerMap_1041->setLit(lit);
    m_ui->nowPlaying_1046->setText(text);
}

void CSpeakersPage::refreshSinkLayout() {
    const std::string chosen = m_outputChoice != nullptr ? m_outputChoice->sink() : std::string();
    m_session->setSink(chosen);
    m_sink = m_sinkLayouts != nullptr ? m_sinkLayouts->sinkLayout(chosen) : std::nullopt;
    // The first output seen chooses the layout, while nothing has been chosen by hand.
    if (m_sink && !m_sinkRead && m_session->mode() == SpeakerCheckSession::Mode::Idle) {
        m_sinkRead = true;
        const std::size_t channels = m_sink->positions.size();
        m_ui->layout_1047->setCurrentIndex(channels >= 6   ? Surround51
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
    const bool chosen = m_outputChoice != nullptr && !m_outputChoice->sink().empty();
    QString text = (chosen ? tr("Chosen output: %1. Its channels: %2.")
                           : tr("Default output: %1. Its channels: %2."))
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
