// The Live view: its choices turned into the live meter's settings, the meter's snapshots shown
// as figures and bands, its failures and the calibrator's reading put into words.
#include "pages/LiveView.h"

#include "measure/OctaveBands.h"
#include "plot/PlotWidget.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace quilbo {

namespace {

constexpr int kRate = 48000;
constexpr double kCalibratorLevels[] = {94.0, 114.0};
constexpr Averaging kAveragings[] = {Averaging::Exponential, Averaging::Frames, Averaging::Forever};
constexpr int kDefaultResolution = 1;  // 1/3 octave
constexpr int kDefaultFrames = 8;
// The band plot's range against full scale; calibrated, the same range in dB SPL.
constexpr double kPlotFloorDb = -100.0;
constexpr double kPlotTopDb = 0.0;

QString levelText(double db) {
    return db <= kSilenceDb ? QStringLiteral("\u2014") : QString::number(db, 'f', 1);
}

QLabel* scaledLabel(QWidget* parent, const QString& name, double scale, bool bold) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

}  // namespace

LiveView::LiveView(QWidget* parent) : QWidget(parent) {
    build();
    setSoundServer(nullptr);
    fillChoices();
    applySettings();
    showIdle();
}

LiveView::~LiveView() = default;

void LiveView::build() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    // Two rows of choices, so that the view fits the window's first size.
    auto* inputRow = new QHBoxLayout;
    auto* choiceRow = new QHBoxLayout;
    m_start = new QPushButton(this);
    m_start->setObjectName(QStringLiteral("liveStart_%1").arg(IDC_LIVE_START));
    const auto caption = [&](QHBoxLayout* row, QWidget* control) {
        auto* label = new QLabel(this);
        label->setBuddy(control);
        m_captions << label;
        row->addWidget(label);
        row->addWidget(control);
    };
    const auto combo = [&](const char* name, int id) {
        auto* box = new QComboBox(this);
        box->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(id));
        return box;
    };
    m_input = combo("liveInput", IDC_LIVE_INPUT);
    m_input->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_input->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_weighting = combo("liveWeighting", IDC_LIVE_WEIGHTING);
    m_time = combo("liveTime", IDC_LIVE_TIME);
    m_resolution = combo("liveResolution", IDC_LIVE_RESOLUTION);
    m_averaging = combo("liveAveraging", IDC_LIVE_AVERAGING);
    m_frames = new QSpinBox(this);
    m_frames->setObjectName(QStringLiteral("liveFrames_%1").arg(IDC_LIVE_FRAMES));
    m_frames->setRange(1, static_cast<int>(kMaxAveragedFrames));
    m_frames->setValue(kDefaultFrames);
    m_reset = new QPushButton(this);
    m_reset->setObjectName(QStringLiteral("liveReset_%1").arg(IDC_LIVE_RESET));
    inputRow->addWidget(m_start);
    caption(inputRow, m_input);
    inputRow->addWidget(m_reset);
    caption(choiceRow, m_weighting);
    caption(choiceRow, m_time);
    caption(choiceRow, m_resolution);
    caption(choiceRow, m_averaging);
    choiceRow->addWidget(m_frames);
    choiceRow->addStretch(1);
    layout->addLayout(inputRow);
    layout->addLayout(choiceRow);

    // The figures, to be read from across a room.
    auto* figures = new QHBoxLayout;
    m_level = scaledLabel(this, QStringLiteral("liveLevel_%1").arg(IDC_LIVE_LEVEL), 4.0, true);
    m_level->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_level->setMinimumWidth(m_level->fontMetrics().horizontalAdvance(QStringLiteral("-188.8")));
    auto* beside = new QVBoxLayout;
    m_unit = scaledLabel(this, QStringLiteral("liveUnit_%1").arg(IDC_LIVE_UNIT), 1.5, false);
    m_over = scaledLabel(this, QStringLiteral("liveOver_%1").arg(IDC_LIVE_OVER), 1.5, true);
    QPalette overPalette = m_over->palette();
    overPalette.setColor(QPalette::WindowText, QColor(0xd5, 0x5e, 0x00));  // vermillion
    m_over->setPalette(overPalette);
    beside->addWidget(m_unit);
    beside->addWidget(m_over);
    m_figures =
        scaledLabel(this, QStringLiteral("liveFigures_%1").arg(IDC_LIVE_FIGURES), 1.2, false);
    figures->addWidget(m_level);
    figures->addLayout(beside);
    figures->addSpacing(m_level->fontMetrics().averageCharWidth());
    figures->addWidget(m_figures);
    figures->addStretch(1);
    layout->addLayout(figures);

    m_plot = new PlotWidget(this);
    m_plot->setObjectName(QStringLiteral("livePlot_%1").arg(IDC_LIVE_PLOT));
    layout->addWidget(m_plot, 1);

    auto* calibration = new QHBoxLayout;
    m_calibrator = combo("liveCalibrator", IDC_LIVE_CALIBRATOR);
    m_calibrate = new QPushButton(this);
    m_calibrate->setObjectName(QStringLiteral("liveCalibrate_%1").arg(IDC_LIVE_CALIBRATE));
    m_uncalibrate = new QPushButton(this);
    m_uncalibrate->setObjectName(QStringLiteral("liveUncalibrate_%1").arg(IDC_LIVE_UNCALIBRATE));
    auto* calibratorCaption = new QLabel(this);
    calibratorCaption->setBuddy(m_calibrator);
    m_captions << calibratorCaption;
    calibration->addWidget(calibratorCaption);
    calibration->addWidget(m_calibrator);
    calibration->addWidget(m_calibrate);
    calibration->addWidget(m_uncalibrate);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("liveStatus_%1").arg(IDC_LIVE_STATUS));
    m_status->setWordWrap(true);
    calibration->addStretch(1);
    layout->addLayout(calibration);
    layout->addWidget(m_status);

    connect(m_start, &QPushButton::clicked, this, [this] { isRunning() ? OnStop() : OnStart(); });
    connect(m_reset, &QPushButton::clicked, this, [this] { m_meter->startRun(); });
    connect(m_calibrate, &QPushButton::clicked, this, &LiveView::OnCalibrate);
    connect(m_uncalibrate, &QPushButton::clicked, this, &LiveView::OnUncalibrate);
    for (QComboBox* box : {m_weighting, m_time, m_resolution, m_averaging}) {
        connect(box, &QComboBox::currentIndexChanged, this, [this] { applySettings(); });
    }
    connect(m_frames, &QSpinBox::valueChanged, this, [this] { applySettings(); });
}

void LiveView::setSoundServer(std::shared_ptr<PulseServer> server) {
    delete m_meter;  // stops it
    m_meter = new LiveMeter(std::move(server), this);
    connect(m_meter, &LiveMeter::started, this, &LiveView::onStarted);
    connect(m_meter, &LiveMeter::failed, this, &LiveView::onFailed);
    connect(m_meter, &LiveMeter::calibratorRead, this, &LiveView::onCalibratorRead);
    connect(m_meter, &LiveMeter::updated, this, [this] {
        showFigures();
        showPlot();
    });
    setRunning(false);
}

void LiveView::setSensitivityFile(const QString& path) {
    m_sensitivity = InputSensitivity(path);
    applySettings();
}

void LiveView::setInput(const std::string& source, const std::string& sensitivityKey) {
    if (source == m_source && sensitivityKey == m_sensitivityKey) {
        return;  // the list read again: a running meter goes on undisturbed
    }
    const bool again = isRunning() && source != m_source;
    m_source = source;
    m_sensitivityKey = sensitivityKey;
    applySettings();
    if (again) {
        OnStart();
    }
}

void LiveView::setCalibration(const std::optional<Calibration>& calibration) {
    m_calibration = calibration;
    applySettings();
}

void LiveView::fillChoices() {
    m_filling = true;
    const auto refill = [](QComboBox* box, const QStringList& items, int fallback) {
        const int at = box->currentIndex();
        box->clear();
        box->addItems(items);
        box->setCurrentIndex(at >= 0 ? at : fallback);
    };
    refill(m_weighting, {tr("A"), tr("C"), tr("Z")}, 0);
    refill(m_time, {tr("Fast"), tr("Slow")}, 0);
    QStringList resolutions;
    for (const int b : kBandsPerOctave) {
        resolutions << tr("1/%1 octave").arg(b);
    }
    refill(m_resolution, resolutions, kDefaultResolution);
    refill(m_averaging, {tr("Exponential"), tr("Over N spectra"), tr("For ever")}, 0);
    QStringList calibrators;
    for (const double level : kCalibratorLevels) {
        calibrators << tr("%1 dB SPL at 1 kHz").arg(level);
    }
    refill(m_calibrator, calibrators, 0);
    const QString captions[] = {tr("&Input:"),      tr("&Weighting:"), tr("&Time:"),
                                tr("Resol&ution:"), tr("A&veraging:"), tr("Cali&brator:")};
    for (qsizetype i = 0; i < m_captions.size(); ++i) {
        m_captions[i]->setText(captions[i]);
    }
    m_frames->setToolTip(
        tr("Exponential: the time constant in spectra (ten a second). "
           "Over N spectra: how many."));
    m_reset->setText(tr("R&eset"));
    m_reset->setToolTip(tr("Leq, maximum, peak, averages and peak hold start again."));
    m_calibrate->setText(tr("&Calibrate"));
    m_calibrate->setToolTip(
        tr("With the acoustic calibrator sealed on the microphone and "
           "switched on: reads the input for a few seconds."));
    m_uncalibrate->setText(tr("Clear calibration"));
    m_start->setText(isRunning() ? tr("Sto&p") : tr("Sta&rt"));
    m_filling = false;
}

LiveSettings LiveView::settings() const {
    LiveSettings s;
    s.rate = kRate;
    s.channel = 0;  // the microphone's, as a measurement records it
    s.weighting = static_cast<FrequencyWeighting>(std::max(m_weighting->currentIndex(), 0));
    s.time = m_time->currentIndex() == 1 ? TimeWeighting::Slow : TimeWeighting::Fast;
    s.bands.rate = kRate;
    s.bands.bandsPerOctave = kBandsPerOctave[std::clamp(
        m_resolution->currentIndex(), 0, static_cast<int>(std::size(kBandsPerOctave)) - 1)];
    s.bands.frameLength = defaultFrameLength(kRate);
    s.bands.lowestHz = 20.0;
    s.bands.highestHz = 20000.0;
    s.averaging.mode = kAveragings[std::clamp(m_averaging->currentIndex(), 0,
                                              static_cast<int>(std::size(kAveragings)) - 1)];
    s.averaging.frames = static_cast<std::size_t>(m_frames->value());
    s.spectraPerSecond = 10;
    s.scale = m_scale;
    return s;
}

void LiveView::applySettings() {
    if (m_filling) {
        return;
    }
    m_frames->setEnabled(m_averaging->currentIndex() != 2);
    const auto unsaved = m_unsaved.find(m_sensitivityKey);
    m_scale = unsaved != m_unsaved.end()
                  ? LevelScale::fromSensitivity(unsaved->second)
                  : m_sensitivity.scaleFor(m_sensitivityKey,
                                           m_calibration ? m_calibration->sensitivityDb : 0.0);
    if (isRunning()) {
        m_meter->setSettings(settings());
    }
    m_uncalibrate->setEnabled(m_scale.calibrated());
    const double floor = std::floor(m_scale.shown(kPlotFloorDb) / 10) * 10;
    const double top = std::ceil(m_scale.shown(kPlotTopDb) / 10) * 10;
    m_plot->setYTitle(tr("Band level"));  // the line above the plot says in which unit
    m_plot->setYRange(floor, top);
    showIdle();
}

void LiveView::setRunning(bool running) {
    m_start->setText(running ? tr("Sto&p") : tr("Sta&rt"));
}

void LiveView::OnStart() {
    LiveMeterRequest request;
    request.input = m_source;
    request.settings = settings();
    if (!m_meter->start(request)) {
        status(tr("These analysis settings cannot be used."));
        return;
    }
    setRunning(true);
    showIdle();
    m_plot->clear();
    status(tr("Opening the input..."));
}

void LiveView::OnStop() {
    const bool was = isRunning();
    m_meter->stop();
    m_calibrating = false;
    setRunning(false);
    if (was) {
        status(tr("Stopped."));
    }
}

void LiveView::onStarted() {
    status(tr("Listening."));
    if (m_calibrating) {
        m_meter->readCalibrator(kCalibratorLevels[std::max(m_calibrator->currentIndex(), 0)]);
    }
}

void LiveView::onFailed(LiveMeterFailure failure) {
    switch (failure) {
        case LiveMeterFailure::NoServer:
            status(tr("No sound server answered: the input cannot be read."));
            break;
        case LiveMeterFailure::NoInput:
            status(m_source.empty() ? tr("There is no default input: choose one on the "
                                         "Measurement tab.")
                                    : tr("That input is not there any more: choose another on "
                                         "the Measurement tab."));
            break;
        case LiveMeterFailure::BadFormat:
            status(tr("The input cannot be read at %1 Hz.").arg(kRate));
            break;
        case LiveMeterFailure::NotOpened:
            status(tr("The sound server would not open the input."));
            break;
        case LiveMeterFailure::Lost:
            status(tr("The input or the sound server went away: the Live view has stopped."));
            break;
        case LiveMeterFailure::InputDropped:
            // The meter goes on; said once a run.
            status(
                tr("Some input was lost on the way (the computer was too busy): Leq and the "
                   "averages leave it out."));
            return;
    }
    m_calibrating = false;
    setRunning(false);
}

void LiveView::OnCalibrate() {
    if (m_calibrating) {
        return;
    }
    m_calibrating = true;
    if (!isRunning()) {
        OnStart();  // the reading starts once the input is open
        if (!isRunning()) {
            m_calibrating = false;
            return;
        }
    } else if (m_meter->isOpen()) {
        m_meter->readCalibrator(kCalibratorLevels[std::max(m_calibrator->currentIndex(), 0)]);
    }
    status(tr("Reading the calibrator for %1 s: keep it still on the microphone.")
               .arg(0.5 + kCalibratorSeconds));
}

void LiveView::onCalibratorRead(const CalibratorReading& reading) {
    m_calibrating = false;
    switch (reading.problem) {
        case CalibratorProblem::None:
            break;
        case CalibratorProblem::TooShort:
            status(tr("Not calibrated: the input stopped before the calibrator was read."));
            return;
        case CalibratorProblem::Over:
            status(
                tr("Not calibrated: the input clipped. Turn the microphone input's gain down "
                   "and calibrate again."));
            return;
        case CalibratorProblem::NoTone:
            status(
                tr("Not calibrated: there is no steady 1 kHz tone on the input. Seal the "
                   "calibrator on the microphone, switch it on and calibrate again."));
            return;
        case CalibratorProblem::Unsteady:
            status(
                tr("Not calibrated: the level moved while it was read. Hold the calibrator "
                   "sealed and still on the microphone and calibrate again."));
            return;
    }
    const double sensFactor = m_calibration ? m_calibration->sensitivityDb : 0.0;
    const bool stored = m_sensitivity.store(m_sensitivityKey, *reading.sensitivityDb, sensFactor);
    if (stored) {
        m_unsaved.erase(m_sensitivityKey);
    } else {
        // The reading holds for this session even where the settings could not keep it.
        m_unsaved[m_sensitivityKey] = *reading.sensitivityDb;
    }
    applySettings();
    QString text = tr("Calibrated: 94 dB SPL reads %1 dBFS on this input.")
                       .arg(*reading.sensitivityDb, 0, 'f', 1);
    if (!stored) {
        text += QLatin1Char(' ') + tr("It could not be kept in the settings: it holds until the "
                                      "program ends.");
    }
    status(text);
}

void LiveView::OnUncalibrate() {
    m_unsaved.erase(m_sensitivityKey);
    if (!m_sensitivity.forget(m_sensitivityKey)) {
        status(tr("The calibration could not be cleared from the settings."));
        return;
    }
    applySettings();
    status(tr("Figures in dBFS: not calibrated."));
}

void LiveView::showIdle() {
    const LiveSettings s = settings();
    const QString weighting = m_weighting->currentText();
    const QString time = m_time->currentText();
    m_unit->setText(
        tr("%1, %2, %3").arg(s.scale.calibrated() ? tr("dB SPL") : tr("dBFS"), weighting, time));
    if (!isRunning() || m_meter->updates() == 0) {
        m_level->setText(levelText(kSilenceDb));
        m_figures->clear();
        m_over->clear();
    }
}

void LiveView::showFigures() {
    const LiveSnapshot& s = m_meter->snapshot();
    const QString unit = s.calibrated ? tr("dB SPL") : tr("dBFS");
    m_unit->setText(tr("%1, %2, %3").arg(unit, m_weighting->currentText(), m_time->currentText()));
    m_level->setText(levelText(s.meter.levelDb));
    m_figures->setText(
        tr("Leq %1\nMax %2\nPeak (C) %3")
            .arg(levelText(s.meter.leqDb), levelText(s.meter.maxDb), levelText(s.meter.peakDb)));
    m_over->setText(s.over ? tr("OVER") : QString());
}

void LiveView::showPlot() {
    const LiveSnapshot& s = m_meter->snapshot();
    if (s.spectra == 0) {
        return;  // the first frame is still filling
    }
    PlotCurve bands;
    bands.name = tr("Bands");
    PlotCurve held;
    held.name = tr("Peak hold");
    const double gap = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t b = 0; b < s.bands.size(); ++b) {
        // A band narrower than the analysis resolves would show a tone in the wrong place.
        if (!s.resolved[b]) {
            continue;
        }
        const double correction = m_calibration ? m_calibration->dbAt(s.bands[b].centre) : 0.0;
        const auto step = [&](PlotCurve& curve, double db) {
            curve.x.insert(curve.x.end(), {s.bands[b].lower, s.bands[b].upper});
            const double y = db <= kSilenceDb ? gap : db - correction;
            curve.y.insert(curve.y.end(), {y, y});
        };
        step(bands, s.bandDb[b]);
        step(held, s.peakHoldDb[b]);
    }
    m_plot->setCurves({std::move(bands), std::move(held)});
    m_plot->setInfoText(
        tr("%1, %2").arg(m_resolution->currentText(), s.calibrated ? tr("dB SPL") : tr("dBFS")));
}

void LiveView::status(const QString& text) {
    m_status->setText(text);
}

void LiveView::hideEvent(QHideEvent* event) {
    // A minimised window goes on measuring; a view put away does not.
    if (!event->spontaneous()) {
        OnStop();
    }
    QWidget::hideEvent(event);
}

void LiveView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        fillChoices();
        applySettings();
    }
    QWidget::changeEvent(event);
}

}  // namespace quilbo

#include "moc_LiveView.cpp"
