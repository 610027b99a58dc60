// The Frequency page: control values, the Play handler's render and the render progress.
#include "FrequencyPage.h"

#include "audio/WaveFile.h"
#include "pages/LeadingNumber.h"
#include "pages/LevelGain.h"
#include "pages/LevelSlider.h"
#include "pages/PageKeys.h"
#include "synth/BlockSize.h"
#include "synth/Synthesis.h"
#include "ui_FrequencyPage.h"

#include <QCompleter>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionFrame>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace quilbo {

CFrequencyPage* g_pRenderPage = nullptr;

namespace {

constexpr std::int32_t kMinFrequency = 20;
constexpr std::int32_t kMaxFrequency = 40000;
constexpr std::int32_t kMinTime = 1;
constexpr std::int32_t kMaxTime = 300;
// Channel counts a speaker mask and the sound servers can describe.
constexpr std::int32_t kMaxChannels = 32;
// The clock is read about this many times per render, and at least every kMaxProgressStride
// sample values (well under a millisecond of rendering), however long the render is.
constexpr std::uint32_t kProgressReadings = 2000;
constexpr std::uint32_t kMaxProgressStride = 1u << 16;

bool isSupportedPrecision(std::int32_t precision) {
    return precision == 8 || precision == 16 || precision == 20 || precision == 24 ||
           precision == 32;
}

// Narrows an edit to the width of a few digits; the default fits a sentence.
void fitToDigits(QLineEdit* edit, int digits) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    const QFontMetrics metrics(edit->font());
    const QSize text(metrics.horizontalAdvance(QString(digits, u'0')) + 8, metrics.height());
    const QSize size = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, edit);
    edit->setFixedWidth(size.width());
}

QString askSaveName(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent, CFrequencyPage::tr("Save as WAV"),
                       QDir(QDir::homePath()).filePath(suggested),
                       CFrequencyPage::tr("WAV files (*.wav)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

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

CFrequencyPage::CFrequencyPage(int /*nTemplateId*/, WaveOutBackend* backend,
                               SleepInhibitor* sleepInhibitor, QWidget* parent)
    : QWidget(parent),
      m_backend(backend),
      m_sleepInhibitor(sleepInhibitor),
      m_presenter(warningBoxPresenter()),
      m_allocator([](std::size_t bytes) { return SampleBlock::allocate(bytes); }),
      m_clock([] { return std::chrono::steady_clock::now(); }),
      m_saveNameAsker(askSaveName),
      m_blockLimit(defaultBlockLimit()) {
    m_pBlock = SampleBlock();
    m_nPieceSize = 24000;
    m_bStopped = true;
    setWaveOutBackend(backend);
    // The end of a block is noticed on the device's thread; the stop runs here, on the window
    // thread. A page that is gone drops the queued call with itself. A playback that ended
    // there (a device gone) lets go of its lock here.
    setWindowThreadPoster([this](std::function<void()> task) {
        QMetaObject::invokeMethod(
            this,
            [this, task = std::move(task)] {
                auto stopped = [this, task] {
                    task();
                    if (!isPlaying()) {
                        m_loopLock.reset();
                    }
                };
                if (!holdDuringRender(this, stopped)) {
                    stopped();
                }
            },
            Qt::QueuedConnection);
    });
}

CFrequencyPage::~CFrequencyPage() {
    // Stopped while the page is still whole, so that a stop posted by the device's thread finds
    // nothing left to do.
    OnStop();
    if (g_pRenderPage == this) {
        g_pRenderPage = nullptr;
    }
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
    QSizePolicy keepPlace = m_progress->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keepPlace);
    m_ui->icon_128->setFixedSize(32, 32);
    m_ui->icon_128->setPixmap(QPixmap(QStringLiteral(":/quilbo/icons/quilbo-32.png")));

    connect(m_ui->play_1015, &QPushButton::clicked, this, [this] { OnPlay(); });
    connect(m_ui->save_1020, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(m_ui->stop_1016, &QPushButton::clicked, this, [this] {
        if (!holdDuringRender(this, [this] { OnStop(); })) {
            OnStop();
        }
    });

    updateData(false);
    m_level->m_pOwner = this;
    m_level->setRange(kLevelTop, kLevelBottom);
    m_level->setTickInterval(6);
    m_level->setValue(kLevelBottom);
    m_level->updateReadout();
    m_comboWave->setCurrentIndex(0);
}

QWidget* CFrequencyPage::control(int id) const {
    const QString suffix = QLatin1Char('_') + QString::number(id);
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->objectName().endsWith(suffix)) {
            return child;
        }
    }
    return nullptr;
}

void CFrequencyPage::setMessagePresenter(MessagePresenter presenter) {
    m_presenter = std::move(presenter);
}

void CFrequencyPage::setBlockAllocator(BlockAllocator allocator) {
    m_allocator = std::move(allocator);
}

void CFrequencyPage::setProgressClock(Clock clock) {
    m_clock = std::move(clock);
}

void CFrequencyPage::setSaveNameAsker(SaveNameAsker asker) {
    m_saveNameAsker = std::move(asker);
}

void CFrequencyPage::setBlockLimit(std::int64_t bytes) {
    m_blockLimit = bytes;
}

std::int64_t CFrequencyPage::defaultBlockLimit() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    constexpr std::int64_t kAddressable = std::numeric_limits<std::int32_t>::max();
    if (pages <= 0 || pageSize <= 0) {
        return kAddressable;
    }
    // A quarter leaves the desktop, the sound server and the rest of the program room to run.
    const std::int64_t quarter = static_cast<std::int64_t>(pages) / 4 * pageSize;
    return std::min(quarter, kAddressable);
}

QString CFrequencyPage::unsupportedFormatText() {
    return tr("UnSupported Format.");
}

QString CFrequencyPage::openFailedText() {
    return tr("Failed to open waveform output device.");
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
    dx.check(m_ui->fade_1040, m_fade);
}

int CFrequencyPage::selectedWaveform() const {
    // Text typed into the box selects nothing, even when it spells an entry.
    const int index = m_comboWave->currentIndex();
    if (index < 0 || m_comboWave->currentText() != m_comboWave->itemText(index)) {
        return -1;
    }
    return index;
}

std::optional<CFrequencyPage::Request> CFrequencyPage::checkedRequest(bool askDevice) {
    g_pRenderPage = this;
    if (!updateData(true)) {
        return std::nullopt;
    }
    Request request;
    request.waveform = selectedWaveform();
    if (request.waveform < 0) {
        showMessage(tr("Please choose a waveform from the list."));
        m_comboWave->setFocus(Qt::OtherFocusReason);
        return std::nullopt;
    }
    request.rate = leadingNumber(m_strSampleRate);
    request.precision = leadingNumber(m_strPrecision);
    request.channelCode = leadingNumber(m_strChannels);
    request.channelCount = static_cast<std::int32_t>(blockChannels(request.channelCode));

    // A format nobody can play is refused before anything is rendered: a precision the encoders
    // do not write would otherwise leave the block as allocated and play it.
    request.format = buildWaveFormat(request.channelCount, request.rate, request.precision);
    if (!isSupportedPrecision(request.precision) || request.rate <= 0 || request.channelCode < 0 ||
        request.channelCode > kMaxChannels ||
        (askDevice && m_backend != nullptr &&
         m_backend->queryFormat(request.format) == WaveResult::BadFormat)) {
        showMessage(unsupportedFormatText());
        return std::nullopt;
    }

    request.gain = levelGain(m_level->value());
    const BlockSize size =
        computeBlockSize(m_nTime, request.channelCount, request.precision, request.rate);
    if (!size.fits || size.requestedBytes > m_blockLimit) {
        const QString bytes = QString::number(size.requestedBytes);
        showMessage(size.saturated
                        ? tr("This signal needs more than %1 bytes of memory. Choose a shorter "
                             "time, a lower sample rate or precision, or fewer channels.")
                              .arg(bytes)
                        : tr("This signal needs %1 bytes of memory, more than can be set aside "
                             "for it. Choose a shorter time, a lower sample rate or precision, "
                             "or fewer channels.")
                              .arg(bytes));
        return std::nullopt;
    }
    request.blockBytes = size.bytes();
    return request;
}

SampleBlock CFrequencyPage::allocateBlock(const Request& request) {
    const auto bytes = static_cast<std::size_t>(request.blockBytes);
    SampleBlock block = m_allocator ? m_allocator(bytes) : SampleBlock();
    if (!block || block.size() < bytes) {
        showMessage(
            tr("Could not get %1 bytes of memory for this signal.").arg(request.blockBytes));
        return SampleBlock();
    }
    return block;
}

void CFrequencyPage::OnPlay() {
    // A Play that reaches the page during a render (from an accessibility tool, say) waits for
    // its end like a click would.
    if (!m_bStopped || holdDuringRender(this, [this] { OnPlay(); })) {
        return;
    }
    const std::optional<Request> request = checkedRequest(true);
    if (!request) {
        return;
    }
    m_nBlockSize = request->blockBytes;
    SampleBlock block = allocateBlock(*request);
    if (!block) {
        return;
    }
    m_pBlock = std::move(block);
    renderWithProgress(*request, m_pBlock.data());
    if (startPlayback(request->format) && m_bRepeat) {
        m_loopLock = inhibitSleep(tr("A test signal is playing in a loop."));
    }
}

void CFrequencyPage::OnSave() {
    if (holdDuringRender(this, [this] { OnSave(); })) {
        return;
    }
    // The file is not played here: whether this computer's device takes the format is no
    // reason to refuse it.
    const std::optional<Request> request = checkedRequest(false);
    if (!request) {
        return;
    }
    const WaveFileError fits =
        checkWaveFile(static_cast<std::uint64_t>(request->blockBytes), request->channelCount,
                      request->rate, request->precision);
    if (fits != WaveFileError::None) {
        showMessage(fits == WaveFileError::TooLarge ? tooLargeForWaveText()
                                                    : unsupportedFormatText());
        return;
    }
    const QString path =
        m_saveNameAsker ? m_saveNameAsker(this, suggestedFileName(*request)) : QString();
    if (path.isEmpty()) {
        return;
    }
    const SampleBlock block = allocateBlock(*request);
    if (!block) {
        return;
    }
    renderWithProgress(*request, block.data());
    const WaveFileResult written =
        writeWaveFile(QFile::encodeName(path).toStdString(), block.data(),
                      static_cast<std::uint64_t>(request->blockBytes), request->channelCount,
                      request->rate, request->precision);
    if (!written) {
        showMessage(written.error == WaveFileError::TooLarge
                        ? tooLargeForWaveText()
                        : saveFailedText(path, written.systemError));
    }
}

QString CFrequencyPage::tooLargeForWaveText() {
    return tr(
        "This signal makes a WAV file larger than 4 GiB, which the format cannot hold. "
        "Choose a shorter time, a lower sample rate or precision, or fewer channels.");
}

QString CFrequencyPage::saveFailedText(const QString& path, int systemError) {
    QString why;
    switch (systemError) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            why = tr("There is not enough room on the disk.");
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            why = tr("You may not write to that folder.");
            break;
        case ENOENT:
        case ENOTDIR:
            why = tr("The folder does not exist.");
            break;
        case EISDIR:
            why = tr("A folder of that name is in the way.");
            break;
        default:
            why = tr("The system reports: %1.")
                      .arg(QString::fromLocal8Bit(std::strerror(systemError)));
            break;
    }
    return tr("Could not save %1. %2 Nothing was written.")
        .arg(QDir::toNativeSeparators(path), why);
}

QString CFrequencyPage::suggestedFileName(const Request& request) const {
    QString name = m_comboWave->itemText(request.waveform).trimmed();
    if (isToneWaveform(request.waveform)) {
        name += m_nTestType == 0 ? QStringLiteral(" %1 Hz").arg(m_nFrequency)
                                 : QStringLiteral(" %1-%2 Hz").arg(m_nScanFrom).arg(m_nScanTo);
    }
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    return name + QStringLiteral(".wav");
}

void CFrequencyPage::OnStop() {
    CWavePlayer::OnStop();
    m_loopLock.reset();
}

std::unique_ptr<SleepLock> CFrequencyPage::inhibitSleep(const QString& why) const {
    return m_sleepInhibitor != nullptr ? m_sleepInhibitor->inhibitSleep(why) : nullptr;
}

void CFrequencyPage::renderWithProgress(const Request& request, std::uint8_t* bytes) {
    const auto blockBytes = static_cast<std::uint32_t>(request.blockBytes);
    const auto rate = static_cast<std::uint32_t>(request.rate);
    const auto code = static_cast<std::uint32_t>(request.channelCode);
    const auto precision = static_cast<std::uint16_t>(request.precision);
    const int waveform = request.waveform;
    const double gain = request.gain;
    beginRenderProgress(blockBytes / static_cast<std::uint32_t>(containerBytes(precision)));
    if (!isToneWaveform(waveform)) {
        SynthesizeNoise(bytes, blockBytes, rate, code, precision, waveform, gain,
                        ReportRenderProgress);
    } else if (m_nTestType == 0) {
        SynthesizeTone(bytes, blockBytes, rate, code, precision, waveform,
                       static_cast<double>(m_nFrequency), gain, ReportRenderProgress);
    } else {
        const auto sweep = m_logarithmic ? SynthesizeLogSweep : SynthesizeSweep;
        sweep(bytes, blockBytes, rate, code, precision, waveform, static_cast<double>(m_nScanFrom),
              static_cast<double>(m_nScanTo), gain, ReportRenderProgress);
    }
    endRenderProgress();
}

bool CFrequencyPage::startPlayback(const WaveFormatExtensible& format) {
    switch (startPlayer(format)) {
        case StartResult::Started:
            return true;
        case StartResult::UnsupportedFormat:
            showMessage(unsupportedFormatText());
            return false;
        case StartResult::OpenFailed:
            showMessage(openFailedText());
            return false;
        case StartResult::NothingToPlay:
            return false;
    }
    return false;
}

void CFrequencyPage::beginRenderProgress(std::uint32_t range) {
    m_renderGuard.begin();
    m_progressRange = range;
    m_progressNext = std::numeric_limits<std::uint32_t>::max();
    if (range == 0) {
        return;
    }
    m_progressStride = std::clamp(range / kProgressReadings, 1u, kMaxProgressStride);
    m_progressNext = m_progressStride;
    m_lastProgressPaint = m_clock();
    if (m_progress != nullptr) {
        m_progress->setRange(
            0, static_cast<int>(std::min<std::uint32_t>(range, std::numeric_limits<int>::max())));
        m_progress->setValue(0);
        m_progress->show();
    }
    RenderGuard::handleEvents();
}

void CFrequencyPage::advanceRenderProgress(std::uint32_t count) {
    const std::uint64_t next = std::uint64_t{count} + m_progressStride;
    m_progressNext = next < m_progressRange ? static_cast<std::uint32_t>(next)
                                            : std::numeric_limits<std::uint32_t>::max();
    const auto now = m_clock();
    if (now - m_lastProgressPaint < kProgressPaintInterval) {
        return;
    }
    m_lastProgressPaint = now;
    if (m_progress != nullptr) {
        m_progress->setValue(static_cast<int>(std::min(count, m_progressRange)));
    }
    // Paints the bar and answers the desktop; what must wait for the render's end is held.
    RenderGuard::handleEvents();
}

void CFrequencyPage::endRenderProgress() {
    m_progressNext = std::numeric_limits<std::uint32_t>::max();
    if (m_progress != nullptr) {
        m_progress->setValue(0);
        m_progress->hide();
    }
    m_renderGuard.end();
}

void ReportRenderProgress(std::uint32_t count) {
    CFrequencyPage* page = g_pRenderPage;
    if (page == nullptr || count < page->m_progressNext) {
        return;
    }
    page->advanceRenderProgress(count);
}

bool holdDuringRender(QObject* context, std::function<void()> task) {
    CFrequencyPage* page = g_pRenderPage;
    if (page == nullptr || !page->m_renderGuard.active()) {
        return false;
    }
    page->m_renderGuard.hold(context, std::move(task));
    return true;
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
