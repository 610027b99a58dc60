// The Speakers page: the check blocks it plays, the turn shown while a cycle or a polarity check
// runs, and the default output's layout beside the chosen one.
#include "pages/SpeakersPage.h"

#include "measuring/InputSensitivity.h"
#include "measuring/MeasurementService.h"
#include "measuring/MicrophoneCheckRun.h"
#include "pages/MeasureMessages.h"
#include "pages/OutputChoice.h"
#include "pages/PageKeys.h"
#include "pages/PageSupport.h"
#include "pages/RecordMessages.h"
#include "pages/SpeakerMap.h"
#include "ui_SpeakersPage.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>
#include <cmath>

namespace quilbo {

namespace {

constexpr int kColumnWidth = 250;
// Flag colours: a word says the same, for those who cannot tell the colours apart.
constexpr QRgb kNotHeardColour = 0xF4A0A0;
constexpr QRgb kInvertedColour = 0xF8C880;
constexpr QRgb kLevelColour = 0xF8F090;
constexpr QRgb kGoodColour = 0xB8E8B8;

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
        if (m_match != nullptr) {
            m_match->stop();  // its rows are of the layout before
        }
        m_session->setChannelCount(layoutChannels(layout));
        m_ui->speakerMap_1041->setChannelCount(layoutChannels(layout));
        showSinkLayout();
    });
    connect(m_ui->checkSignal, &QComboBox::currentIndexChanged, this,
            [this, bandHint = m_ui->labelHint->text()](int index) {
                if (m_match != nullptr) {
                    m_match->stop();  // before its speaker's signal changes under it
                }
                const bool standard = index == 1;
                m_session->setCheckSignal(standard ? SpeakerCheckSession::CheckSignal::St2095
                                                   : SpeakerCheckSession::CheckSignal::BandLimited);
                m_ui->labelHint->setText(
                    standard ? tr("Click a speaker to hear SMPTE ST 2095-1 pink noise (10 Hz to "
                                  "22.4 kHz) at its own level, -18.5 dB against a full-scale "
                                  "sine, on that speaker alone (the subwoofer: 30 to 80 Hz).")
                             : bandHint);
            });
    m_session->setChannelCount(channelCount());
    m_ui->speakerMap_1041->setChannelCount(channelCount());
    m_ui->output_1051->addItem(OutputChoice::defaultEntryText(QString()));
    connect(m_ui->micCheck_1052, &QPushButton::clicked, this, [this] { OnMicCheck(); });
    m_ui->micTable_1053->setColumnCount(MicColumnCount);
    m_ui->micTable_1053->verticalHeader()->hide();
    m_ui->micTable_1053->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_ui->matchLevels_1055, &QPushButton::clicked, this, [this] { OnMatchLevels(); });
    connect(m_ui->useTrims_1058, &QPushButton::clicked, this, [this] { OnUseTrims(); });
    m_ui->matchTable_1057->setColumnCount(MatchColumnCount);
    m_ui->matchTable_1057->verticalHeader()->hide();
    m_ui->matchTable_1057->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setMeasurementService(nullptr);
    setSoundServer(nullptr);
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
    if (busy()) {
        return;  // the sweeps must be the only sound
    }
    m_session->playSpeaker(channel);
}

void CSpeakersPage::OnCycle() {
    if (busy()) {
        return;  // the sweeps must be the only sound
    }
    m_session->cycle();
}

void CSpeakersPage::OnPolarity() {
    if (busy()) {
        return;  // the sweeps must be the only sound
    }
    m_session->polarity();
}

void CSpeakersPage::OnStop() {
    if (m_match != nullptr) {
        m_match->stop();  // first: its speaker stopping is no failure then
    }
    m_session->stop();
    if (m_micRequest) {
        m_micRequest->cancel();
    }
}

void CSpeakersPage::setMeasurementService(MeasurementService* service) {
    delete m_micRequest.data();  // a check on the service before stops unheard
    m_measurementService = service;
    m_micChecking = false;
    showMicCheck();
}

void CSpeakersPage::OnMicCheck() {
    if (!m_measurementService || busy()) {
        return;
    }
    if (const auto refusal = m_measurementService->refusal()) {
        m_micFailure = RecordResult::Failed;
        m_micMessage = RecordMessages::failure(RecordResult::Failed,
                                               *refusal == MeasurementRefusal::NoRecorder
                                                   ? RecordProblem::NoRecorder
                                                   : RecordProblem::Busy,
                                               {});
        showMicCheck();
        return;
    }
    m_session->stop();  // the sweeps must be the only sound
    const std::string sink = m_outputChoice != nullptr ? m_outputChoice->sink() : std::string();
    const auto channels = static_cast<unsigned>(channelCount());
    m_micRows.clear();
    m_micFailure.reset();
    m_micPositions = microphoneCheckPositions(
        channels, m_sinkLayouts != nullptr ? m_sinkLayouts->sinkLayout(sink) : std::nullopt);
    m_micRequest = m_measurementService->start(
        [settings = microphoneCheckSettings(channels, sink),
         reference = microphoneCheckReference(m_micPositions)](
            SweepRecorder& recorder, const SweepRecorder::Progress& progress) {
            return runMicrophoneCheck(recorder, settings, reference, progress);
        },
        this);
    m_micChecking = !m_micRequest.isNull();
    if (m_micRequest) {
        connect(m_micRequest, &MeasurementRequest::finished, this,
                &CSpeakersPage::micCheckFinished);
    }
    showMicCheck();
}

void CSpeakersPage::micCheckFinished(const MeasureResult& result) {
    m_micRequest.clear();  // it deletes itself
    m_micChecking = false;
    m_micRows.clear();
    m_micMeasuredAgain = !result.disturbedRuns.empty();
    if (result.record != RecordResult::Ok) {
        m_micFailure = result.record;
        m_micMessage = RecordMessages::runFailure(result);
    } else {
        m_micRows = judgeMicrophoneCheck(result, m_micPositions);
    }
    showMicCheck();
}

void CSpeakersPage::showMicCheck() {
    const bool available = m_measurementService != nullptr;
    m_ui->micCheck_1052->setEnabled(available && !busy());
    m_ui->matchLevels_1055->setEnabled(m_match != nullptr && !busy());
    m_ui->micCheck_1052->setToolTip(
        available ? tr("Each speaker plays a short sweep in turn while the default input "
                       "records: heard or not, polarity, delay and level against the front left.")
                  : tr("This program has no measurement recorder: nothing can be measured."));
    QString status;
    if (m_micChecking) {
        status = tr("Checking with the microphone: each speaker sweeps in turn...");
    } else if (m_micFailure == RecordResult::Cancelled) {
        status = tr("The microphone check was stopped.");
    } else if (m_micFailure) {
        status = tr("The microphone check could not be made: %1").arg(m_micMessage);
    } else if (!m_micRows.empty()) {
        const bool good = std::none_of(m_micRows.begin(), m_micRows.end(),
                                       [](const MicrophoneCheckRow& row) { return row.flagged(); });
        const bool disturbed =
            std::any_of(m_micRows.begin(), m_micRows.end(),
                        [](const MicrophoneCheckRow& row) { return row.disturbance.has_value(); });
        status = good ? tr("Every speaker was heard, in phase and level with the front left.")
                 : disturbed
                     ? tr("Some sweeps were disturbed on their way each time they were made (a "
                          "busy computer?): check again when it is quieter.")
                     : tr("Some speakers need a look: see the flags.");
        if (m_micMeasuredAgain) {
            status += QLatin1Char(' ') +
                      tr("Speakers whose sweep was disturbed on its way were measured again.");
        }
    }
    m_ui->micStatus_1054->setText(status);

    QTableWidget* table = m_ui->micTable_1053;
    table->setHorizontalHeaderLabels({tr("Speaker"), tr("Heard"), tr("Polarity"), tr("Delay (ms)"),
                                      tr("Distance (m)"), tr("Level (dB)"), tr("Check")});
    table->setRowCount(static_cast<int>(m_micRows.size()));
    table->setVisible(!m_micRows.empty());
    const auto number = [](const std::optional<double>& value, int decimals) {
        return value ? QString::number(*value, 'f', decimals) : QStringLiteral("-");
    };
    // A disturbed sweep says when in it, that the server lost sound, or that another sweep of
    // its run was disturbed.
    const auto heardText = [](const MicrophoneCheckRow& row) {
        if (row.heard) {
            return tr("heard (%1 dB)")
                .arg(std::isfinite(row.snrDb) ? QString::number(row.snrDb, 'f', 0)
                                              : QStringLiteral(">100"));
        }
        if (!row.disturbance) {
            return tr("not heard");
        }
        const MeasureProblem code = row.disturbance->code;
        if (code == MeasureProblem::OutputRanDry || code == MeasureProblem::InputOverflowed) {
            return tr("disturbed (sound lost by the server)");
        }
        return row.disturbance->detail.empty()
                   ? tr("disturbed (another sweep)")
                   : tr("disturbed at %1 s").arg(QString::fromStdString(row.disturbance->detail));
    };
    for (int r = 0; r < static_cast<int>(m_micRows.size()); ++r) {
        const MicrophoneCheckRow& row = m_micRows[static_cast<std::size_t>(r)];
        const std::optional<double> distance =
            row.delayMs ? std::optional<double>(*row.delayMs / 1000.0 * kSpeedOfSound)
                        : std::nullopt;
        QStringList flags;
        QRgb colour = kGoodColour;
        const bool byAnother = row.disturbance && row.disturbance->detail.empty() &&
                               row.disturbance->code == MeasureProblem::SoundOutOfPlace;
        if (row.levelOff()) {
            flags << tr("level off");
            colour = kLevelColour;
        }
        if (row.inverted.value_or(false)) {
            flags.prepend(tr("inverted"));
            colour = kInvertedColour;
        }
        if (row.clipped) {
            flags.prepend(tr("clipped"));
            colour = kNotHeardColour;
        }
        if (row.disturbance) {
            flags.prepend(tr("disturbed"));
            colour = kNotHeardColour;
        } else if (!row.heard && !row.clipped) {
            flags.prepend(tr("not heard"));
            colour = kNotHeardColour;
        }
        const QString cells[MicColumnCount] = {row.position == SpeakerPosition::Other
                                                   ? tr("other")
                                                   : speakerName(static_cast<int>(row.position)),
                                               heardText(row),
                                               !row.inverted   ? QStringLiteral("-")
                                               : *row.inverted ? tr("inverted")
                                                               : tr("normal"),
                                               number(row.delayMs, 2),
                                               number(distance, 2),
                                               number(row.levelDb, 1),
                                               flags.isEmpty() ? tr("OK") : flags.join(tr(", "))};
        for (int c = 0; c < MicColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == FlagsColumn && row.disturbance) {
                item->setToolTip(
                    byAnother ? tr("The sound was disturbed on its way elsewhere in the same run "
                                   "(a stretch lost or repeated), which may have moved this "
                                   "speaker's sweep.")
                              : MeasureMessages::problem(*row.disturbance));
            }
            if (c == FlagsColumn) {
                item->setBackground(QColor(colour));
                item->setForeground(Qt::black);
                item->setIcon(style()->standardIcon(
                    flags.isEmpty() ? QStyle::SP_DialogApplyButton : QStyle::SP_MessageBoxWarning));
            }
            table->setItem(r, c, item);
        }
    }
}

void CSpeakersPage::setSoundServer(std::shared_ptr<PulseServer> server) {
    delete m_match;  // a match on the server before stops, its stream closed
    m_match = nullptr;
    if (server) {
        m_match = new LevelMatchSession(m_session, std::move(server), this);
        connect(m_match, &LevelMatchSession::changed, this, &CSpeakersPage::showMatch);
    }
    showMatch();
}

void CSpeakersPage::OnMatchLevels() {
    if (m_match == nullptr || busy()) {
        return;
    }
    m_matchRefused = m_measurementService != nullptr &&
                     m_measurementService->refusal() == MeasurementRefusal::Busy;
    if (m_matchRefused) {
        showMatch();
        return;
    }
    // The default input's kept sensitivity, as read with the calibrator: this page loads no
    // microphone calibration file, so none corrects it.
    LevelScale scale;
    const std::string input =
        m_measurementService ? m_measurementService->inputChoices().defaultName : std::string();
    if (!input.empty()) {
        scale = InputSensitivity(m_sensitivityFile).scaleFor(input, 0.0);
    }
    m_match->start(channelCount(), scale);
    showMicCheck();
}

QString CSpeakersPage::matchFailureText(LevelMatchSession::Failure failure) const {
    switch (failure) {
        case LevelMatchSession::Failure::NoServer:
            return tr("no sound server answered.");
        case LevelMatchSession::Failure::NoInput:
            return tr(
                "there is no default input: connect a microphone and choose it as the "
                "system's input.");
        case LevelMatchSession::Failure::BadFormat:
            return tr("the default input cannot be recorded at 48000 Hz.");
        case LevelMatchSession::Failure::NotOpened:
            return tr("the sound server would not open the default input.");
        case LevelMatchSession::Failure::InputLost:
            return tr("the input or the sound server went away.");
        case LevelMatchSession::Failure::InputStalled:
            return tr("the input stopped delivering sound.");
        case LevelMatchSession::Failure::OutputFailed:
            return tr("a speaker's playback did not start or stopped.");
    }
    return {};
}

void CSpeakersPage::showMatch() {
    const bool available = m_match != nullptr;
    m_ui->matchLevels_1055->setEnabled(available && !busy());
    m_ui->matchLevels_1055->setToolTip(
        available ? tr("Each speaker plays ST 2095-1 pink noise in turn while the default input "
                       "reads its C-weighted level at the listening place: each speaker's trim "
                       "brings it to the quietest.")
                  : tr("This program has no sound server to read the input from: nothing can "
                       "be matched."));
    m_ui->micCheck_1052->setEnabled(m_measurementService != nullptr && !busy());
    if (!available) {
        m_ui->useTrims_1058->setEnabled(false);
        m_ui->matchStatus_1056->clear();
        m_ui->matchTable_1057->hide();
        return;
    }
    const std::vector<SpeakerLevel>& levels = m_match->levels();
    m_ui->useTrims_1058->setEnabled(
        !isMatching() && std::any_of(levels.begin(), levels.end(),
                                     [](const SpeakerLevel& l) { return l.trimDb.has_value(); }));
    const QString unit = m_match->calibrated() ? tr("dB SPL") : tr("dBFS");
    QString status;
    switch (m_match->phase()) {
        case LevelMatchSession::Phase::Opening:
            status = tr("Matching levels: opening the default input...");
            break;
        case LevelMatchSession::Phase::Floor:
            status = tr("Matching levels: reading the room's noise in silence...");
            break;
        case LevelMatchSession::Phase::Speaker:
            status = tr("Matching levels: reading %1...").arg(speakerName(m_match->channel()));
            break;
        case LevelMatchSession::Phase::Idle:
            if (m_matchRefused) {
                status =
                    tr("The levels cannot be matched while a measurement runs: its sweeps "
                       "would be heard with the speakers.");
            } else if (m_match->failure()) {
                status = tr("The levels could not be matched: %1")
                             .arg(matchFailureText(*m_match->failure()));
            } else if (m_match->cancelled()) {
                status = tr("The level match was stopped.");
            } else if (std::none_of(levels.begin(), levels.end(),
                                    [](const SpeakerLevel& l) { return l.trimDb.has_value(); })) {
                status = levels.empty() ? QString()
                                        : tr("No speaker was heard above the room's noise: check "
                                             "the microphone, its input and the volume.");
            } else {
                status = tr("Levels are C-weighted, in %1. Turn each speaker by its trim (on the "
                            "receiver or the output) and every one plays as loud as the "
                            "quietest.")
                             .arg(unit);
            }
            break;
    }
    m_ui->matchStatus_1056->setText(status);

    QTableWidget* table = m_ui->matchTable_1057;
    table->setHorizontalHeaderLabels({tr("Speaker"), tr("Level (%1)").arg(unit), tr("Trim (dB)")});
    table->setRowCount(static_cast<int>(levels.size()));
    table->setVisible(!levels.empty());
    for (int r = 0; r < static_cast<int>(levels.size()); ++r) {
        const SpeakerLevel& level = levels[static_cast<std::size_t>(r)];
        QString levelText = QStringLiteral("-");
        QString trimText;
        switch (level.state) {
            case SpeakerLevel::State::Measured:
                levelText = QString::number(level.levelDb, 'f', 1);
                trimText =
                    level.trimDb ? QString::asprintf("%+.1f", *level.trimDb) : QStringLiteral("-");
                break;
            case SpeakerLevel::State::NotHeard:
                trimText = tr("not heard");
                break;
            case SpeakerLevel::State::Clipped:
                trimText = tr("clipped: turn the input down");
                break;
            case SpeakerLevel::State::NotMeasured:
                trimText = isMatching() ? QStringLiteral("...") : tr("not measured");
                break;
            case SpeakerLevel::State::SetApart:
                trimText = tr("set apart: it plays its own band only");
                break;
        }
        const QString cells[MatchColumnCount] = {speakerName(level.channel), levelText, trimText};
        for (int c = 0; c < MatchColumnCount; ++c) {
            table->setItem(r, c, new QTableWidgetItem(cells[c]));
        }
    }
}

void CSpeakersPage::OnUseTrims() {
    if (m_match == nullptr || isMatching()) {
        return;
    }
    std::map<int, double> trims;
    for (const SpeakerLevel& level : m_match->levels()) {
        if (level.trimDb) {
            trims[level.channel + 1] = *level.trimDb;
        }
    }
    if (trims.empty()) {
        return;
    }
    Q_EMIT levelTrimsOffered(m_outputChoice != nullptr ? m_outputChoice->sink() : std::string(),
                             trims);
    m_ui->matchStatus_1056->setText(
        tr("The trims are offered to the next correction of this output on the Measure page."));
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
        showMicCheck();
        showMatch();
    }
    QWidget::changeEvent(event);
}

}  // namespace quilbo

#include "moc_SpeakersPage.cpp"
