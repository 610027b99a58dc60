// The Run In page: construction, the session's button and tick, the end actions and the system
// volume slider.
#include "RunInPage.h"

#include "audio/WaveOutVolume.h"
#include "measure/MeasurementStore.h"
#include "measuring/MeasurementService.h"
#include "pages/ElapsedTime.h"
#include "pages/FileMessages.h"
#include "pages/LeadingNumber.h"
#include "pages/Logging.h"
#include "pages/PageSupport.h"
#include "pages/RecordMessages.h"
#include "pages/SystemVolumeSlider.h"
#include "ui_RunInPage.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace quilbo {

namespace {
constexpr std::int64_t kTopValue = 65535;
// Eight tick marks down the slider; one per value would paint a solid bar.
constexpr int kTickInterval = 8192;
constexpr int kPageStep = 4096;
}  // namespace

CRunInPage::CRunInPage(WaveOutBackend* backend, CWaveOutVolume* volume, PowerOffRequester* powerOff,
                       SleepInhibitor* sleepInhibitor, QWidget* parent)
    : CFrequencyPage(139, backend, sleepInhibitor, parent),
      m_powerOff(powerOff),
      m_clock(systemCalendarClock()),
      m_quit([](int status) { QCoreApplication::exit(status); }),
      m_pVolume(volume) {
    m_strHours = QStringLiteral("6");
    m_nEndAction = ShutDown;
    m_bRunning = false;

    m_ui = std::make_unique<Ui::CRunInPage>();
    m_ui->setupUi(this);
    m_progress = m_ui->progress_1017;
    m_sliderVolume = m_ui->volume_1002;
    OnInitDialog();
}

CRunInPage::~CRunInPage() {
    OnStop();
    delete m_measureRequest.data();  // its run stops
    if (m_powerOff != nullptr) {
        m_powerOff->setRefusalHandler(nullptr);
    }
    // The volume object outlives the page: a later notice must not reach a page that is gone.
    if (m_pVolume != nullptr) {
        m_pVolume->SetChangeCallback(nullptr, nullptr);
    }
}

void CRunInPage::OnInitDialog() {
    // What is typed into the hours box stays as typed.
    m_ui->hours_1028->setCompleter(nullptr);
    keepPlaceWhenHidden(m_progress);
    m_progress->hide();
    m_sliderVolume->setTickInterval(kTickInterval);
    m_sliderVolume->setPageStep(kPageStep);

    connect(m_ui->runIn_1022, &QPushButton::clicked, this, [this] { OnRunInButton(); });
    const auto showBand = [this] {
        const bool band = m_ui->signalChoice->currentIndex() == PowerTestNoise;
        for (QWidget* w :
             std::initializer_list<QWidget*>{m_ui->labelBandFrom, m_ui->bandLow, m_ui->labelBandTo,
                                             m_ui->bandHigh, m_ui->labelBandUnit}) {
            w->setVisible(band);
        }
    };
    connect(m_ui->signalChoice, &QComboBox::currentIndexChanged, this, showBand);
    showBand();
    connect(m_sliderVolume, &SystemVolumeSlider::releasedCapture, this,
            [this] { OnVolumeSliderReleased(); });

    updateData(false);
    m_ui->runIn_1022->setText(startText());
    setMeasurementService(nullptr);
    if (m_pVolume != nullptr) {
        m_pVolume->ActivateLine();
        m_pVolume->SetChangeCallback(&CRunInPage::OnVolumeChanged, this);
        setUpVolumeSlider(m_pVolume->GetVolume());
    } else {
        setUpVolumeSlider(CWaveOutVolume::kNoValue);
    }

    if (m_powerOff != nullptr) {
        m_powerOff->setRefusalHandler([this](const PowerOffRefusal& refusal) {
            if (m_bRunning) {
                m_powerOffRefusal = refusal;
                showStatus();
            }
        });
    }

    setOpenedHandler([this] { outputOpened(); });
    m_retryTimer = new QTimer(this);
    m_retryTimer->setInterval(kRetryMilliseconds);
    connect(m_retryTimer, &QTimer::timeout, this, [this] { retryOutput(); });

    m_timer = new QTimer(this);
    m_timer->setInterval(kTickMilliseconds);
    connect(m_timer, &QTimer::timeout, this, [this] { OnTimer(); });
    m_timer->start();
}

void CRunInPage::setCalendarClock(CalendarClock clock) {
    m_clock = std::move(clock);
}

void CRunInPage::setQuitRequest(QuitRequest quit) {
    m_quit = std::move(quit);
}

void CRunInPage::setMeasurementService(MeasurementService* service) {
    m_measurementService = service;
    showMeasureBox();
}

void CRunInPage::showMeasureBox() {
    m_ui->measure_1032->setEnabled(m_measurementService != nullptr);
    m_ui->measure_1032->setToolTip(
        m_measurementService
            ? tr("Before the noise, and again at the end before the end action, each speaker of "
                 "the pair plays a sweep that the default input records; the measurements are "
                 "stored for the Measure page.")
            : tr("This program has no measurement recorder: nothing can be measured."));
}

QString CRunInPage::measuringText(RunInStage stage) {
    return stage == RunInStage::Before ? tr("Measuring the speakers before the run-in...")
                                       : tr("Measuring the speakers after the run-in...");
}

QString CRunInPage::measureFailedText(RunInStage stage, const QString& reason) {
    return stage == RunInStage::Before
               ? tr("The measurement before the run-in failed (%1); the run-in goes on.")
                     .arg(reason)
               : tr("The measurement after the run-in failed (%1).").arg(reason);
}

QString CRunInPage::measuredAgainText(RunInStage stage, const QString& note) {
    return stage == RunInStage::Before ? tr("The measurement before the run-in: %1").arg(note)
                                       : tr("The measurement after the run-in: %1").arg(note);
}

QString CRunInPage::startText() {
    return tr("START RUN IN");
}

QString CRunInPage::stopText() {
    return tr("STOP RUN IN");
}

QString CRunInPage::elapsedFormat() {
    return tr("%H:%M:%S");
}

void CRunInPage::doDataExchange(DataExchange& dx) {
    // No validation: any hours text is a choice (one without digits never ends the session).
    dx.text(m_ui->hours_1028, m_strHours);
    dx.radioGroup({m_ui->shutDown_1029, m_ui->exit_1005}, m_nEndAction);
}

QString CRunInPage::negativeHoursText() {
    return tr("Please choose a number of hours from the list, or ALL.");
}

QString CRunInPage::powerOffRefusedText(const PowerOffRefusal& refusal) {
    QString why;
    switch (refusal.kind) {
        case PowerOffRefusal::Kind::NoSystemBus:
            why = tr("the system bus cannot be reached");
            break;
        case PowerOffRefusal::Kind::NoService:
            why = tr("no power-off service (systemd-logind) answers");
            break;
        case PowerOffRefusal::Kind::NotAllowed:
            why = tr("this user may not power it off without a password");
            break;
        case PowerOffRefusal::Kind::Other:
            why = tr("the system answered: %1").arg(refusal.detail);
            break;
    }
    return tr("The computer could not be powered off: %1. Quilbo asks again every second.")
        .arg(why);
}

void CRunInPage::readHours() {
    updateData(true);
    const std::int32_t hours = leadingNumber(m_strHours);
    if (hours >= 0) {
        m_hoursInForce = hours;
    }
}

void CRunInPage::OnRunInButton() {
    if (!m_bRunning) {
        // A typo must not power the computer off at the first tick.
        updateData(true);
        if (leadingNumber(m_strHours) < 0) {
            showMessage(negativeHoursText());
            return;
        }
        m_powerNoiseBand.reset();
        if (m_ui->signalChoice->currentIndex() == PowerTestNoise) {
            const int low = m_ui->bandLow->value();
            const int high = m_ui->bandHigh->value();
            if (low >= high) {
                showMessage(tr("The power-test noise's band must start below where it ends."));
                return;
            }
            m_powerNoiseBand.emplace(low, high);
        }
    }

    m_bRunning = !m_bRunning;
    if (m_bRunning) {
        m_ui->runIn_1022->setText(stopText());
        setSignalChoiceEnabled(false);  // fixed while a session runs
        m_timeStart = m_clock();
        m_powerOffRefusal.reset();
        showStatus();
        readHours();
        m_sessionLock = inhibitSleep(tr("A loudspeaker run-in is in progress."));
        m_measureSession = m_measurementService && m_ui->measure_1032->isChecked();
        m_measuredAfter = false;
        m_measureFailures.clear();
        m_measuredAgain.clear();
        if (m_measureSession) {
            startMeasurement(RunInStage::Before);
        } else {
            StartRunInPlayback();
        }
    } else {
        stopSession();
    }
}

void CRunInPage::setSignalChoiceEnabled(bool enabled) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_ui->signalChoice, m_ui->bandLow, m_ui->bandHigh}) {
        w->setEnabled(enabled);
    }
}

void CRunInPage::stopSession() {
    m_bRunning = false;
    m_ui->runIn_1022->setText(startText());
    setSignalChoiceEnabled(true);
    OnStop();
    delete m_measureRequest.data();  // its run stops, and its result comes to no one
    m_measuring.reset();
    m_sessionLock.reset();
    m_powerOffRefusal.reset();
    m_soundLostAt.reset();
    m_retryTimer->stop();
    showStatus();
}

void CRunInPage::showStatus() {
    QStringList lines;
    for (const auto& [stage, note] : m_measuredAgain) {
        lines << measuredAgainText(stage, note);
    }
    for (const auto& [stage, reason] : m_measureFailures) {
        lines << measureFailedText(stage, reason);
    }
    if (m_measuring) {
        lines << measuringText(*m_measuring);
    }
    if (m_soundLostAt) {
        lines << waitingForOutputText(
            QDateTime::fromSecsSinceEpoch(*m_soundLostAt).toString(QStringLiteral("HH:mm:ss")));
    }
    if (m_powerOffRefusal) {
        lines << powerOffRefusedText(*m_powerOffRefusal);
    }
    m_ui->status_1031->setText(lines.join(QLatin1Char('\n')));
}

QString CRunInPage::waitingForOutputText(const QString& since) {
    return tr("No sound since %1: waiting for an output").arg(since);
}

void CRunInPage::outputLost() {
    if (!m_bRunning) {
        OnStop();
        return;
    }
    qCWarning(lcPages) << "The run-in's output went away; asking again every" << kRetryMilliseconds
                       << "ms";
    m_soundLostAt = m_clock();
    showStatus();
    m_retryTimer->start();
}

void CRunInPage::outputNotOpened() {
    if (!m_bRunning || !canResume()) {
        CFrequencyPage::outputNotOpened();
        return;
    }
    qCWarning(lcPages) << "The run-in's output did not open; asking again every"
                       << kRetryMilliseconds << "ms";
    if (!m_soundLostAt) {
        m_soundLostAt = m_clock();
    }
    showStatus();
    m_retryTimer->start();
}

void CRunInPage::retryOutput() {
    if (!m_bRunning || !canResume()) {
        m_retryTimer->stop();
        return;
    }
    // The run-in stays on the system's default output, whichever that is now. The page goes on
    // saying the sound is missing until the output is there (outputOpened): it may yet fail.
    if (resumePlayer() == StartResult::Started) {
        m_retryTimer->stop();
    }
}

void CRunInPage::outputOpened() {
    if (!m_bRunning || !m_soundLostAt) {
        return;  // the session's first start: nothing was missing
    }
    qCInfo(lcPages) << "The run-in's noise plays again";
    m_soundLostAt.reset();
    showStatus();
}

void CRunInPage::OnTimer() {
    if (!m_bRunning) {
        return;
    }
    readHours();
    const std::int64_t elapsed = m_clock() - m_timeStart;
    showElapsed(elapsed);
    if (m_hoursInForce != 0 && wholeHours(elapsed) > m_hoursInForce) {
        if (m_measuring) {
            return;  // the end waits for the measurement
        }
        if (m_measureSession && !m_measuredAfter) {
            // The speakers are measured in silence: the noise stops, and the session with it
            // stops waiting for a lost output.
            OnStop();
            m_retryTimer->stop();
            m_soundLostAt.reset();
            startMeasurement(RunInStage::After);
            return;
        }
        endSession();
    }
}

void CRunInPage::startMeasurement(RunInStage stage) {
    m_measuring = stage;
    showStatus();
    if (m_measurementService) {
        m_measureRequest = m_measurementService->start(runInMeasureSettings(), this);
    }
    if (m_measureRequest) {
        connect(m_measureRequest, &MeasurementRequest::finished, this,
                &CRunInPage::measurementFinished);
        return;
    }
    MeasureResult refused;
    refused.problem = !m_measurementService || m_measurementService->recorder() == nullptr
                          ? RecordProblem::NoRecorder
                          : RecordProblem::Busy;
    measurementFinished(refused);
}

void CRunInPage::measurementFinished(const MeasureResult& result) {
    m_measureRequest.clear();  // it deletes itself
    if (!m_measuring || !m_bRunning) {
        return;  // the run of a session that was stopped
    }
    const RunInStage stage = *m_measuring;
    m_measuring.reset();
    const FileWriteResult stored = storeRunInMeasurements(
        result, runInMeasureSettings(), QDateTime::fromSecsSinceEpoch(m_timeStart), stage,
        MeasurementStore::defaultFolder(), [&result](unsigned channel) {
            return RecordMessages::channelFailure(result, channel).toStdString();
        });
    QString problem = RecordMessages::runFailure(result);
    if (problem.isEmpty() && !stored) {
        problem = FileMessages::reason(stored);
    }
    if (const QString again = RecordMessages::measuredAgain(result); !again.isEmpty()) {
        m_measuredAgain.emplace_back(stage, again);
    }
    if (!problem.isEmpty()) {
        qCWarning(lcPages) << "A run-in measurement failed:" << problem;
        m_measureFailures.emplace_back(stage, problem);
    }
    showStatus();
    if (stage == RunInStage::Before) {
        StartRunInPlayback();
    } else {
        m_measuredAfter = true;
        endSession();
    }
}

void CRunInPage::endSession() {
    if (m_nEndAction != ShutDown) {
        // Silence the device here, on the window thread, and let the program close in order:
        // ending the process from inside the tick would race the audio thread.
        stopSession();
        if (m_quit) {
            m_quit(0);
        }
        return;
    }
    // The session stays running: the request is repeated at every tick until the system goes
    // down or the user stops the session.
    if (m_powerOff != nullptr) {
        m_powerOff->requestPowerOff();
    }
}

void CRunInPage::showElapsed(std::int64_t elapsed) {
    m_lastElapsed = elapsed;
    m_ui->elapsed_1030->setText(formatElapsed(elapsed, elapsedFormat()));
}

int CRunInPage::sliderPosition(std::uint32_t value) {
    // The getters' "-1" is an unsigned 0xFFFFFFFF; as a signed value it puts the slider at 65536.
    const std::int64_t position = kTopValue - static_cast<std::int32_t>(value);
    return static_cast<int>(std::clamp<std::int64_t>(position, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

void CRunInPage::setUpVolumeSlider(std::uint32_t value) {
    // The bounds are asked again each time: the object follows the default sink and the server,
    // so an inert slider comes alive when a volume control appears.
    const std::uint32_t minimum =
        m_pVolume != nullptr ? m_pVolume->GetMinimum() : CWaveOutVolume::kNoValue;
    const std::uint32_t maximum =
        m_pVolume != nullptr ? m_pVolume->GetMaximum() : CWaveOutVolume::kNoValue;
    const QSignalBlocker quiet(m_sliderVolume);
    m_sliderVolume->setRange(sliderPosition(maximum), sliderPosition(minimum));
    m_sliderVolume->setValue(sliderPosition(value));
}

void CRunInPage::OnVolumeSliderReleased() {
    if (m_pVolume == nullptr) {
        return;
    }
    // An inert slider at 65536 asks for "-1", which the volume object ignores.
    const std::int64_t value = kTopValue - m_sliderVolume->value();
    m_pVolume->SetVolume(static_cast<std::uint32_t>(value));
}

void CRunInPage::OnVolumeChanged(std::uint32_t value, void* context) {
    auto* page = static_cast<CRunInPage*>(context);
    if (page != nullptr) {
        page->setUpVolumeSlider(value);
    }
}

void CRunInPage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange && m_ui) {
        retranslate();
    }
    CFrequencyPage::changeEvent(event);
}

void CRunInPage::retranslate() {
    // Retranslating the list rewrites the box's text; a text typed by hand is kept.
    QComboBox* hours = m_ui->hours_1028;
    const int index = hours->currentIndex();
    const QString text = hours->currentText();
    const bool typed = index < 0 || text != hours->itemText(index);
    m_ui->retranslateUi(this);
    if (typed) {
        hours->setEditText(text);
    }
    m_ui->runIn_1022->setText(m_bRunning ? stopText() : startText());
    if (m_lastElapsed) {
        showElapsed(*m_lastElapsed);
    }
    showMeasureBox();
    showStatus();
}

}  // namespace quilbo

#include "moc_RunInPage.cpp"
