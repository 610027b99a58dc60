// The Frequency page: its controls, the data exchange, and Play, Save and Stop.
#include "FrequencyPage.h"

#include "pages/LevelGain.h"
#include "pages/LevelSlider.h"
#include "pages/OutputChoice.h"
#include "pages/PageKeys.h"
#include "pages/PageSupport.h"
#include "pages/PlayerMessages.h"
#include "pages/WaveSaver.h"
#include "ui_FrequencyPage.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPixmap>
#include <QProgressBar>

namespace quilbo {

namespace {

constexpr std::int32_t kMinFrequency = 20;
constexpr std::int32_t kMaxFrequency = 40000;
constexpr std::int32_t kMinTime = 1;
constexpr std::int32_t kMaxTime = 300;

}  // namespace

CFrequencyPage::CFrequencyPage(WaveOutBackend* backend, SleepInhibitor* sleepInhibitor,
                               QWidget* parent)
    : CFrequencyPage(102, backend, sleepInhibitor, parent) {
    m_strPrecision = QStringLiteral("16");
    m_strSampleRate = QStringLiteral("44100");
    m_nScanTo = 20000;
    m_nScanFrom = 20;
    m_nTime = 5;
    m_nFrequency = 1000;
    m_nTestType = 0;
    m_strChannels = QStringLiteral("2");
    m_bRepeat = false;
    m_fade = true;

    m_ui = std::make_unique<Ui::CFrequencyPage>();
    m_ui->setupUi(this);
    m_progress = m_ui->progress_1017;
    m_level = m_ui->level_1002;
    m_comboWave = m_ui->wave_1001;
    OnInitDialog();
}

CFrequencyPage::CFrequencyPage(int nTemplateId, WaveOutBackend* backend,
                               SleepInhibitor* sleepInhibitor, QWidget* parent)
    : QWidget(parent),
      m_backend(backend),
      m_sleepInhibitor(sleepInhibitor),
      m_presenter(warningBoxPresenter()),
      m_allocator([](std::size_t bytes) { return SampleBlock::allocate(bytes); }),
      m_saveNameAsker(&WaveSaver::askName),
      m_blockLimit(FrequencyRequest::defaultBlockLimit()),
      m_renderSession(new RenderSession(this)) {
    setObjectName(QStringLiteral("page_%1").arg(nTemplateId));
    m_pBlock = SampleBlock();
    m_nPieceSize = 24000;
    m_bStopped = true;
    setWaveOutBackend(backend);
    // The end of a block is noticed on the device's thread; the stop runs here, on the window
    // thread. A playback that ended there (a device gone) lets go of its lock here.
    setWindowThreadPoster([this, tasks = windowTasks(this)](std::function<void()> task) {
        tasks->post([this, task = std::move(task)] {
            task();
            if (!isPlaying()) {
                m_loopLock.reset();
            }
        });
    });
    setOutputLostHandler([this] { outputLost(); });
    setOpenFailedHandler([this] { outputNotOpened(); });
}

CFrequencyPage::~CFrequencyPage() {
    // Stopped while the page is still whole, so that a stop posted by the device's thread finds
    // nothing left to do.
    OnStop();
}

void CFrequencyPage::OnInitDialog() {
    for (QComboBox* combo :
         {m_ui->wave_1001, m_ui->precision_1012, m_ui->sampleRate_1013, m_ui->channels_1014}) {
        // A list box with an edit field: what is typed stays as typed.
        combo->setCompleter(nullptr);
    }
    fitToDigits(m_ui->time_1009, 4);
    for (QLineEdit* edit : {m_ui->scanFrom_1007, m_ui->scanTo_1008, m_ui->frequency_1006}) {
        fitToDigits(edit, 6);
    }
    m_ui->levelReadout_1003->setMinimumWidth(
        m_ui->levelReadout_1003->fontMetrics().horizontalAdvance(levelReadout(-8888)) + 6);
    m_ui->level_1002->setMinimumHeight(150);
    keepPlaceWhenHidden(m_progress);
    m_ui->output_1050->addItem(OutputChoice::defaultEntryText(QString()));
    m_ui->icon_128->setFixedSize(32, 32);
    m_ui->icon_128->setPixmap(QPixmap(QStringLiteral(":/quilbo/icons/quilbo-32.png")));

    connect(m_ui->play_1015, &QPushButton::clicked, this, [this] { OnPlay(); });
    connect(m_ui->save_1020, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(m_ui->stop_1016, &QPushButton::clicked, this, [this] { OnStop(); });
    connect(m_level, &CVolumeSlider::readoutChanged, this, &CFrequencyPage::setLevelReadout);

    updateData(false);
    m_level->setRange(kLevelTop, kLevelBottom);
    m_level->setTickInterval(6);
    m_level->setValue(kLevelBottom);
    m_level->updateReadout();
    connect(m_comboWave, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_ui->waveNote->setText(FrequencyRequest::waveformNote(index));
        m_ui->waveNote->setVisible(!m_ui->waveNote->text().isEmpty());
    });
    m_comboWave->setCurrentIndex(0);
    m_ui->waveNote->setVisible(false);
}

QWidget* CFrequencyPage::control(int id) const {
    return findControl(this, id);
}

void CFrequencyPage::setMessagePresenter(MessagePresenter presenter) {
    m_presenter = std::move(presenter);
}

void CFrequencyPage::setBlockAllocator(BlockAllocator allocator) {
    m_allocator = std::move(allocator);
}

void CFrequencyPage::setProgressClock(RenderSession::Clock clock) {
    m_renderSession->setClock(std::move(clock));
}

void CFrequencyPage::setSaveNameAsker(SaveNameAsker asker) {
    m_saveNameAsker = std::move(asker);
}

void CFrequencyPage::setOutputChoice(OutputChoice* choice) {
    m_outputChoice = choice;
    if (m_ui && choice != nullptr) {
        choice->bind(m_ui->output_1050);
    }
}

std::string CFrequencyPage::chosenSink() const {
    return m_outputChoice != nullptr ? m_outputChoice->sink() : std::string();
}

void CFrequencyPage::outputLost() {
    OnStop();
    showMessage(PlayerMessages::outputLost());
}

void CFrequencyPage::outputNotOpened() {
    OnStop();  // a block kept for a resume goes too
    showMessage(PlayerMessages::openFailed());
}

void CFrequencyPage::setBlockLimit(std::int64_t bytes) {
    m_blockLimit = bytes;
}

void CFrequencyPage::showMessage(const QString& text) {
    if (m_presenter) {
        m_presenter(this, text);
    }
}

void CFrequencyPage::setLevelReadout(const QString& text) {
    if (m_ui) {
        m_ui->levelReadout_1003->setText(text);
    }
}

bool CFrequencyPage::updateData(bool bSaveAndValidate) {
    DataExchange dx(bSaveAndValidate ? DataExchange::Direction::FromControls
                                     : DataExchange::Direction::ToControls,
                    this, m_presenter);
    doDataExchange(dx);
    return !dx.failed();
}

void CFrequencyPage::doDataExchange(DataExchange& dx) {
    if (!m_ui) {
        return;
    }
    // m_progress, m_level and m_comboWave are bound once, when the controls are built.
    dx.text(m_ui->precision_1012, m_strPrecision);
    dx.text(m_ui->sampleRate_1013, m_strSampleRate);
    dx.integer(m_ui->scanTo_1008, m_nScanTo, kMinFrequency, kMaxFrequency);
    dx.integer(m_ui->scanFrom_1007, m_nScanFrom, kMinFrequency, kMaxFrequency);
    dx.integer(m_ui->time_1009, m_nTime, kMinTime, kMaxTime);
    dx.integer(m_ui->frequency_1006, m_nFrequency, kMinFrequency, kMaxFrequency);
    dx.radioGroup({m_ui->simple_1004, m_ui->scan_1005}, m_nTestType);
    dx.text(m_ui->levelReadout_1003, m_strLevel);
    dx.text(m_ui->channels_1014, m_strChannels);
    dx.check(m_ui->repeat_1018, m_bRepeat);
    dx.check(m_ui->logarithmic_1019, m_logarithmic);
    dx.check(m_ui->fade_1039, m_fade);
}

std::optional<FrequencyRequest> CFrequencyPage::checkedRequest(bool askDevice) {
    if (!updateData(true)) {
        return std::nullopt;
    }
    FrequencyFields fields;
    // Text typed into the box selects nothing, even when it spells an entry.
    const int index = m_comboWave->currentIndex();
    fields.waveform =
        index >= 0 && m_comboWave->currentText() == m_comboWave->itemText(index) ? index : -1;
    fields.precision = m_strPrecision;
    fields.sampleRate = m_strSampleRate;
    fields.channels = m_strChannels;
    fields.scanFrom = m_nScanFrom;
    fields.scanTo = m_nScanTo;
    fields.seconds = m_nTime;
    fields.frequency = m_nFrequency;
    fields.testType = m_nTestType;
    fields.logarithmic = m_logarithmic;
    fields.levelPosition = m_level->value();
    FrequencyRequest::FormatRefusal refuses;
    if (askDevice && m_backend != nullptr) {
        refuses = [this](const WaveFormatExtensible& format) {
            return m_backend->queryFormat(format, chosenSink()) == WaveResult::BadFormat;
        };
    }
    FrequencyRequest::Checked checked = FrequencyRequest::check(fields, m_blockLimit, refuses);
    if (!checked.request) {
        showMessage(checked.refusal);
        if (checked.waveformMissing) {
            m_comboWave->setFocus(Qt::OtherFocusReason);
        }
    }
    return checked.request;
}

SampleBlock CFrequencyPage::renderedBlock(const FrequencyRequest& request) {
    const auto size = static_cast<std::size_t>(request.blockBytes);
    SampleBlock block = m_allocator ? m_allocator(size) : SampleBlock();
    if (!block || block.size() < size) {
        showMessage(
            tr("Could not get %1 bytes of memory for this signal.").arg(request.blockBytes));
        return SampleBlock();
    }
    std::uint8_t* bytes = block.data();
    bool rendered = true;
    if (!renderWithProgress(request.progressRange(), [&] { rendered = request.render(bytes); })) {
        return SampleBlock();
    }
    if (!rendered) {
        showMessage(tr("Could not get memory to work out this signal."));
        return SampleBlock();
    }
    return block;
}

bool CFrequencyPage::renderWithProgress(std::uint32_t range, const std::function<void()>& render) {
    return m_renderSession->render(m_progress, range, render);
}

void CFrequencyPage::OnPlay() {
    if (!m_bStopped) {
        return;
    }
    const std::optional<FrequencyRequest> request = checkedRequest(true);
    if (!request) {
        return;
    }
    m_nBlockSize = request->blockBytes;
    SampleBlock block = renderedBlock(*request);
    if (!block) {
        return;
    }
    if (playBlock(std::move(block), request->blockBytes, request->format, m_bRepeat, m_fade) &&
        m_bRepeat) {
        m_loopLock = inhibitSleep(tr("A test signal is playing in a loop."));
    }
}

bool CFrequencyPage::playBlock(SampleBlock block, std::int32_t size,
                               const WaveFormatExtensible& format, bool repeat, bool fade) {
    if (!m_bStopped) {
        return false;
    }
    m_pBlock = std::move(block);
    m_nBlockSize = size;
    m_bRepeat = repeat;
    m_fade = fade;
    const QString message = PlayerMessages::forStart(startPlayer(format, chosenSink()));
    if (!message.isEmpty()) {
        showMessage(message);
    }
    return isPlaying();
}

void CFrequencyPage::OnSave() {
    // The file is not played here: whether this computer's device takes the format is no
    // reason to refuse it.
    const std::optional<FrequencyRequest> request = checkedRequest(false);
    if (!request) {
        return;
    }
    if (const QString refusal = WaveSaver::refusal(*request); !refusal.isEmpty()) {
        showMessage(refusal);
        return;
    }
    const QString path =
        m_saveNameAsker
            ? m_saveNameAsker(
                  this, request->suggestedFileName(m_comboWave->itemText(request->fields.waveform)))
            : QString();
    if (path.isEmpty()) {
        return;
    }
    const SampleBlock block = renderedBlock(*request);
    if (!block) {
        return;
    }
    if (const QString failure = WaveSaver::write(path, block.data(), *request);
        !failure.isEmpty()) {
        showMessage(failure);
    }
}

void CFrequencyPage::OnStop() {
    CWavePlayer::OnStop();
    m_loopLock.reset();
}

std::unique_ptr<SleepLock> CFrequencyPage::inhibitSleep(const QString& why) const {
    return m_sleepInhibitor != nullptr ? m_sleepInhibitor->inhibitSleep(why) : nullptr;
}

void CFrequencyPage::keyPressEvent(QKeyEvent* event) {
    if (!takeDialogKey(event)) {
        QWidget::keyPressEvent(event);
    }
}

void CFrequencyPage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange && m_ui) {
        m_ui->retranslateUi(this);
    }
    QWidget::changeEvent(event);
}

}  // namespace quilbo

#include "moc_FrequencyPage.cpp"
