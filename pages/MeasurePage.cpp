// The Measure page: its settings turned into a run on the measurement service, the result shown and
// stored, and the stored measurements listed, drawn together, renamed, deleted and exported.
#include "pages/MeasurePage.h"
#include "pages/SpeakerNames.h"

#include "audio/SinkLayout.h"
#include "measuring/MeasureCurves.h"
#include "measuring/MeasurementService.h"
#include "pages/CorrectionPanel.h"
#include "pages/FileMessages.h"
#include "pages/LiveView.h"
#include "pages/MeasureMessages.h"
#include "pages/MeasurePlot.h"
#include "pages/OutputChoice.h"
#include "pages/PageSupport.h"
#include "pages/RecordMessages.h"
#include "plot/PlotWidget.h"
#include "ui_MeasurePage.h"

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace quilbo {

namespace {

constexpr int kDefaultLength = 2;  // 5 s
constexpr double kDefaultLevel = -20;

QString smoothingText(Smoothing smoothing) {
    if (smoothing == Smoothing::None) {
        return CMeasurePage::tr("None");
    }
    return CMeasurePage::tr("1/%1 octave").arg(std::lround(1.0 / smoothingOctaves(smoothing)));
}

}  // namespace

CMeasurePage::CMeasurePage(MeasurementService* service, QWidget* parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::CMeasurePage>()),
      m_service(service),
      m_presenter(warningBoxPresenter()),
      m_model(MeasurementStore::defaultFolder()) {
    m_ui->setupUi(this);
    m_correction = new CorrectionPanel(this);
    m_correction->setFileChooser([this](const QString& title, const QString& filter) {
        return m_fileChooser(title, filter, false);
    });
    m_correction->setFolderChooser(
        [this](const QString& title) { return QFileDialog::getExistingDirectory(this, title); });
    m_correction->setMeasure(
        [this](const MeasureSettings& settings) { return startRun(settings, true); });
    connect(m_correction, &CorrectionPanel::curvesChanged, this, [this] { redraw(); });
    connect(m_correction, &QDialog::finished, this, [this] { redraw(); });
    m_storedList = new StoredMeasurementList(
        m_ui->stored_1117, m_model, [this](const QString& text) { warn(text); }, this);
    m_fileChooser = [this](const QString& title, const QString& filter, bool save) {
        return save ? QFileDialog::getSaveFileName(this, title, {}, filter)
                    : QFileDialog::getOpenFileName(this, title, {}, filter);
    };
    m_live = new LiveView(this);
    // The view gives way to the page's size rather than widen the window.
    m_live->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_live->hide();
    m_ui->plotLayout->addWidget(m_live, 1);
    // One list of inputs, chosen in either place.
    m_live->inputChoice()->setModel(m_ui->input_1107->model());
    connect(m_live->inputChoice(), &QComboBox::currentIndexChanged, this, [this](int at) {
        if (!m_filling && at >= 0) {
            m_ui->input_1107->setCurrentIndex(at);
        }
    });
    fillChoices();
    m_ui->level_1103->setCurrentText(QString::number(kDefaultLevel));
    m_ui->length_1104->setCurrentIndex(kDefaultLength);
    m_ui->smoothing_1115->setCurrentIndex(1);  // 1/48 octave, as the analysis gives it
    m_ui->stop_1111->setEnabled(false);

    connect(m_ui->measure_1110, &QPushButton::clicked, this, &CMeasurePage::OnMeasure);
    connect(m_ui->stop_1111, &QPushButton::clicked, this, &CMeasurePage::OnStop);
    connect(m_ui->calibrationBrowse_1109, &QPushButton::clicked, this,
            &CMeasurePage::OnBrowseCalibration);
    connect(m_ui->delete_1118, &QPushButton::clicked, this,
            [this] { m_storedList->removeChosen(); });
    connect(m_ui->exportResponse_1119, &QPushButton::clicked, this, [this] { OnExport(false); });
    connect(m_ui->exportImpulse_1120, &QPushButton::clicked, this, [this] { OnExport(true); });
    connect(m_ui->view_1114, &QComboBox::currentIndexChanged, this, [this] { redraw(); });
    connect(m_ui->live_1122, &QPushButton::toggled, this, [this](bool live) { setLive(live); });
    connect(m_ui->input_1107, &QComboBox::currentIndexChanged, this, [this] { liveInput(); });
    connect(m_ui->smoothing_1115, &QComboBox::currentIndexChanged, this, [this] { redraw(); });
    connect(m_storedList, &StoredMeasurementList::drawnChanged, this, [this] { redraw(); });
    connect(m_storedList, &StoredMeasurementList::listed, this, &CMeasurePage::storedListed);
    connect(m_ui->correct_1140, &QPushButton::clicked, this, &CMeasurePage::OnCorrect);
    connect(m_ui->stored_1117, &QTreeWidget::currentItemChanged, this, [this] { updateCorrect(); });
    connect(m_storedList, &StoredMeasurementList::drawnChanged, this, [this] { updateCorrect(); });
    updateCorrect();
    // The inputs are asked for when the page is first shown: a server that does not answer
    // must not hold up the window's start.
    refreshStored();
    redraw();
}

CMeasurePage::~CMeasurePage() {
    delete m_correction;  // before the page's own parts go: its session's action ends first
}

QWidget* CMeasurePage::control(int id) const {
    return findControl(this, id);
}

PlotWidget* CMeasurePage::plot() const {
    return m_ui->plot_1116;
}

void CMeasurePage::setOutputChoice(OutputChoice* choice) {
    m_outputChoice = choice;
    if (choice != nullptr) {
        choice->bind(m_ui->output_1101);
    }
}

void CMeasurePage::setSinkLayouts(SinkLayoutSource* layouts) {
    m_sinkLayouts = layouts;
}

void CMeasurePage::setMessagePresenter(MessagePresenter presenter) {
    m_presenter = std::move(presenter);
}

void CMeasurePage::setFileChooser(FileChooser chooser) {
    m_fileChooser = std::move(chooser);
}

void CMeasurePage::setStoreFolder(const std::string& folder) {
    m_model.setFolder(folder);
    refreshStored();
}

void CMeasurePage::setSoundServer(std::shared_ptr<PulseServer> server) {
    m_correction->session()->setServer(server);
    m_live->setSoundServer(std::move(server));
}

void CMeasurePage::setLive(bool live) {
    m_ui->live_1122->setChecked(live);
    // The Live view takes the measurement's place, its settings' too.
    for (QWidget* measurement : std::initializer_list<QWidget*>{
             m_ui->sideTabs, m_ui->measure_1110, m_ui->stop_1111, m_ui->progress_1112,
             m_ui->status_1113, m_ui->plot_1116, m_ui->labelView, m_ui->view_1114,
             m_ui->labelSmoothing, m_ui->smoothing_1115}) {
        measurement->setVisible(!live);
    }
    m_live->setVisible(live);
    if (!live) {
        m_live->OnStop();  // a page never shown hides nothing
    }
}

bool CMeasurePage::isLive() const {
    return m_ui->live_1122->isChecked();
}

void CMeasurePage::liveInput() {
    if (m_filling) {
        return;
    }
    m_live->inputChoice()->setCurrentIndex(m_ui->input_1107->currentIndex());
    const std::string source = m_ui->input_1107->currentData().toString().toStdString();
    m_live->setInput(source, source.empty() ? m_defaultInput : source);
}

void CMeasurePage::fillChoices() {
    const int channel = std::max(m_ui->channel_1102->currentIndex(), 0);
    const int reference = std::max(m_ui->reference_1121->currentIndex(), 0);
    const int length = std::max(m_ui->length_1104->currentIndex(), 0);
    const int view = std::max(m_ui->view_1114->currentIndex(), 0);
    const int smoothing = std::max(m_ui->smoothing_1115->currentIndex(), 0);
    m_filling = true;
    m_ui->channel_1102->clear();
    for (int i = 0; i < kMeasureSpeakers; ++i) {
        m_ui->channel_1102->addItem(tr("%1: %2").arg(i + 1).arg(SpeakerNames::of(i)));
    }
    m_ui->channel_1102->addItem(tr("All, in turn"));
    m_ui->reference_1121->clear();
    m_ui->reference_1121->addItem(tr("None"));
    for (int i = 1; i <= kMeasureReferenceChannels; ++i) {
        m_ui->reference_1121->addItem(tr("Output channel %1 to input 2").arg(i));
    }
    m_ui->length_1104->clear();
    for (const double seconds : kMeasureSweepSeconds) {
        m_ui->length_1104->addItem(tr("%1 s").arg(seconds));
    }
    m_ui->view_1114->clear();
    m_ui->view_1114->addItems({tr("Response"), tr("Phase"), tr("Impulse"), tr("Distortion")});
    m_ui->smoothing_1115->clear();
    for (const Smoothing s : kSmoothingChoices) {
        m_ui->smoothing_1115->addItem(smoothingText(s));
    }
    m_ui->channel_1102->setCurrentIndex(channel);
    m_ui->reference_1121->setCurrentIndex(reference);
    m_ui->length_1104->setCurrentIndex(length);
    m_ui->view_1114->setCurrentIndex(view);
    m_ui->smoothing_1115->setCurrentIndex(smoothing);
    m_filling = false;
}

void CMeasurePage::refreshInputs() {
    const QString chosen = m_ui->input_1107->currentData().toString();
    m_filling = true;  // one change of input at the end, not one per item
    m_ui->input_1107->clear();
    const InputChoices choices = m_service != nullptr ? m_service->inputChoices() : InputChoices();
    m_defaultInput = choices.defaultName;
    const QString defaultName = QString::fromStdString(choices.defaultDescription);
    m_ui->input_1107->addItem(
        defaultName.isEmpty() ? tr("System default") : tr("System default (%1)").arg(defaultName),
        QString());
    for (const SourceInfo& source : choices.inputs) {
        m_ui->input_1107->addItem(QString::fromStdString(source.description),
                                  QString::fromStdString(source.name));
    }
    m_ui->input_1107->setCurrentIndex(std::max(m_ui->input_1107->findData(chosen), 0));
    m_filling = false;
    liveInput();
}

void CMeasurePage::refreshStored() {
    m_storedList->refresh();
}

bool CMeasurePage::isListingStored() const {
    return m_storedList->isReading();
}

std::vector<std::string> CMeasurePage::storedIds() const {
    return m_model.listedIds();
}

void CMeasurePage::setChecked(const std::string& id, bool checked) {
    m_storedList->setChecked(id, checked);
}

void CMeasurePage::setView(View view) {
    m_ui->view_1114->setCurrentIndex(view);
}

void CMeasurePage::setSmoothing(Smoothing smoothing) {
    const auto at =
        std::find(std::begin(kSmoothingChoices), std::end(kSmoothingChoices), smoothing);
    m_ui->smoothing_1115->setCurrentIndex(static_cast<int>(at - std::begin(kSmoothingChoices)));
}

std::optional<MeasureSettings> CMeasurePage::settingsFromFields() {
    MeasureRequest request;
    request.levelDbfs = fieldNumber(m_ui->level_1103->currentText().toStdString());
    request.from = fieldNumber(m_ui->from_1105->text().toStdString());
    request.to = fieldNumber(m_ui->to_1106->text().toStdString());
    request.length = m_ui->length_1104->currentIndex();
    request.channel = m_ui->channel_1102->currentIndex();
    request.reference = std::max(m_ui->reference_1121->currentIndex(), 0);
    const std::string sink = m_outputChoice != nullptr ? m_outputChoice->sink() : std::string();
    if (m_sinkLayouts != nullptr) {
        if (const auto layout = m_sinkLayouts->sinkLayout(sink)) {
            request.outputChannels = layout->positions.size();
        }
    }
    MeasureRequestCheck check = m_model.settingsFor(
        request, sink, m_ui->input_1107->currentData().toString().toStdString());
    if (check.error != MeasureRequestError::None) {
        warn(MeasureMessages::request(check));
        return std::nullopt;
    }
    return std::move(check.settings);
}

void CMeasurePage::OnMeasure() {
    if (m_measuring) {
        return;
    }
    if (m_service == nullptr || m_service->recorder() == nullptr) {
        warn(tr("Nothing can be measured: there is no recorder."));
        return;
    }
    const auto settings = settingsFromFields();
    if (!settings) {
        return;
    }
    startRun(*settings, false);
}

bool CMeasurePage::startRun(const MeasureSettings& settings, bool throughCorrection) {
    if (m_measuring || m_service == nullptr) {
        return false;
    }
    m_request = m_service->start(settings, this);
    if (!m_request) {
        m_ui->status_1113->setText(tr("Another measurement is running."));
        return false;
    }
    connect(m_request, &MeasurementRequest::progress, this, [this](double fraction) {
        m_ui->progress_1112->setValue(static_cast<int>(std::lround(fraction * 1000)));
    });
    connect(m_request, &MeasurementRequest::finished, this, &CMeasurePage::onFinished);
    m_runSettings = settings;
    m_throughCorrection = throughCorrection;
    m_ui->progress_1112->setValue(0);
    m_ui->status_1113->setText(tr("Measuring..."));
    showBusy(true);
    return true;
}

void CMeasurePage::OnStop() {
    if (m_request) {
        m_request->cancel();
    }
}

void CMeasurePage::showBusy(bool busy) {
    m_measuring = busy;
    m_ui->measure_1110->setEnabled(!busy);
    m_ui->stop_1111->setEnabled(busy);
    m_ui->live_1122->setEnabled(!busy);  // the run's Stop stays in sight
}

void CMeasurePage::onFinished(const MeasureResult& result) {
    showBusy(false);
    m_ui->progress_1112->setValue(result.ok() ? 1000 : 0);
    if (m_throughCorrection) {
        m_correction->measuredThrough(result, m_runSettings);
    }
    if (result.record == RecordResult::Cancelled) {
        m_ui->status_1113->setText(RecordMessages::runFailure(result));
        emit measured();
        return;
    }
    storeResult(result, m_runSettings);
    redraw();
    emit measured();
}

void CMeasurePage::storeResult(const MeasureResult& result, const MeasureSettings& settings) {
    const QString local = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    const StoredRun stored = m_model.finishRun(
        result, settings,
        [&](unsigned channel) {
            return tr("Measurement %1, channel %2").arg(local).arg(channel).toStdString();
        },
        [&](unsigned channel) {
            return RecordMessages::channelFailure(result, channel).toStdString();
        });
    for (const MeasurementEntry& entry : stored.entries) {
        m_storedList->add(entry);
    }
    QString text =
        result.ok() ? tr("Measured.") : tr("Failed: %1").arg(RecordMessages::runFailure(result));
    if (const QString again = RecordMessages::measuredAgain(result); !again.isEmpty()) {
        text = again + QLatin1Char(' ') + text;
    }
    if (!stored.failure) {
        text += QLatin1Char(' ') +
                tr("It could not be stored: %1").arg(FileMessages::reason(stored.failure));
    } else if (m_model.lastResultStored()) {
        text += QLatin1Char(' ') + tr("Stored.");
    }
    m_ui->status_1113->setText(text);
}

void CMeasurePage::redraw() {
    if (m_filling) {
        return;
    }
    const auto view = static_cast<MeasureView>(std::max(m_ui->view_1114->currentIndex(), 0));
    m_ui->smoothing_1115->setEnabled(view == MeasureView::Response || view == MeasureView::Phase);
    const Smoothing smoothing =
        kSmoothingChoices[std::clamp(m_ui->smoothing_1115->currentIndex(), 0,
                                     static_cast<int>(std::size(kSmoothingChoices)) - 1)];
    MeasurePlot::show(m_ui->plot_1116, view, m_model.curves(view, smoothing), m_model.summary());
    if (m_correction->isVisible() && view == MeasureView::Response) {
        for (PlotCurve& curve : m_correction->curves()) {
            m_ui->plot_1116->addCurve(std::move(curve));
        }
        m_ui->plot_1116->autoscale();
    }
}

void CMeasurePage::updateCorrect() {
    m_ui->correct_1140->setEnabled(!measurementToCorrect().empty());
}

std::string CMeasurePage::measurementToCorrect() const {
    if (m_ui->stored_1117->currentItem() != nullptr) {
        return m_storedList->chosen();
    }
    const auto& ids = m_model.listedIds();
    const auto checked = std::find_if(
        ids.begin(), ids.end(), [this](const std::string& i) { return m_model.isChecked(i); });
    return checked != ids.end() ? *checked : std::string();
}

void CMeasurePage::setCorrectionInstaller(CorrectionInstaller::Options options) {
    m_correction->session()->setOptions(std::move(options));
}

void CMeasurePage::useLevelTrims(const std::string& output, std::map<int, double> trims) {
    m_correction->offerLevelTrims(output, std::move(trims));
}

void CMeasurePage::OnCorrect() {
    const std::string id = measurementToCorrect();
    if (const QString refused = id.empty() ? tr("Choose a stored measurement to correct.")
                                           : m_correction->openRunOf(m_model, id);
        !refused.isEmpty()) {
        warn(refused);
        return;
    }
    m_correction->show();
    setView(ResponseView);
    redraw();
}

bool CMeasurePage::setCalibrationFile(const QString& path) {
    if (const auto error = m_model.setCalibration(path.toStdString())) {
        warn(MeasureMessages::calibration(path, *error));
        return false;
    }
    m_ui->calibration_1108->setText(path);
    m_live->setCalibration(m_model.calibration());
    return true;
}

void CMeasurePage::OnBrowseCalibration() {
    const QString path =
        m_fileChooser(tr("Microphone calibration file"),
                      tr("Calibration files (*.txt *.cal *.frd);;All files (*)"), false);
    if (!path.isEmpty()) {
        setCalibrationFile(path);
    }
}

void CMeasurePage::OnExport(bool impulse) {
    m_storedList->exportChosen(impulse, [this](const QString& title, const QString& filter) {
        return m_fileChooser(title, filter, true);
    });
}

void CMeasurePage::warn(const QString& text) {
    if (m_presenter) {
        m_presenter(this, text);
    }
}

void CMeasurePage::showEvent(QShowEvent* event) {
    refreshInputs();
    refreshStored();
    redraw();
    QWidget::showEvent(event);
}

void CMeasurePage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        fillChoices();
        refreshInputs();
        refreshStored();
        redraw();
    }
    QWidget::changeEvent(event);
}

}  // namespace quilbo

#include "moc_MeasurePage.cpp"
