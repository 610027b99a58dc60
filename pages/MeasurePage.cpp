// The Measure page: its settings turned into a run on the measurement service, the result shown and
// stored, and the stored measurements listed, drawn together, renamed, deleted and exported.
#include "pages/MeasurePage.h"
#include "pages/SpeakerNames.h"

#include "audio/SinkLayout.h"
#include "measure/Export.h"
#include "measuring/MeasureCurves.h"
#include "measuring/MeasureRequest.h"
#include "measuring/MeasureViewModel.h"
#include "measuring/MeasurementService.h"
#include "measuring/ResultSummary.h"
#include "measuring/StoredResult.h"
#include "pages/FileMessages.h"
#include "pages/Logging.h"
#include "pages/MeasureMessages.h"
#include "pages/OutputChoice.h"
#include "pages/PageSupport.h"
#include "pages/RecordMessages.h"
#include "plot/PlotWidget.h"
#include "ui_MeasurePage.h"

#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

namespace quilbo {

namespace {

constexpr int kDefaultLength = 2;  // 5 s
constexpr double kDefaultLevel = -20;
constexpr int kIdRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;
constexpr int kDateRole = Qt::UserRole + 2;

QString readErrorText(const MeasurementEntry& entry) {
    return FileMessages::readReason(entry.readError, entry.readCode);
}

QString smoothingText(Smoothing smoothing) {
    if (smoothing == Smoothing::None) {
        return CMeasurePage::tr("None");
    }
    return CMeasurePage::tr("1/%1 octave").arg(std::lround(1.0 / smoothingOctaves(smoothing)));
}

QString recordFailure(const MeasureResult& result) {
    return RecordMessages::runFailure(result);
}

}  // namespace

CMeasurePage::CMeasurePage(MeasurementService* service, QWidget* parent)
    : QWidget(parent),
      m_ui(std::make_unique<Ui::CMeasurePage>()),
      m_service(service),
      m_presenter(warningBoxPresenter()),
      m_index(MeasurementStore::defaultFolder()),
      m_storedReader(new StoredListReader(this)) {
    m_ui->setupUi(this);
    m_fileChooser = [this](const QString& title, const QString& filter, bool save) {
        return save ? QFileDialog::getSaveFileName(this, title, {}, filter)
                    : QFileDialog::getOpenFileName(this, title, {}, filter);
    };
    fillChoices();
    m_ui->level_1103->setCurrentText(QString::number(kDefaultLevel));
    m_ui->length_1104->setCurrentIndex(kDefaultLength);
    m_ui->smoothing_1115->setCurrentIndex(1);  // 1/48 octave, as the analysis gives it
    m_ui->stop_1111->setEnabled(false);
    m_ui->stored_1117->header()->setStretchLastSection(false);
    m_ui->stored_1117->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_ui->stored_1117->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);

    connect(m_ui->measure_1110, &QPushButton::clicked, this, &CMeasurePage::OnMeasure);
    connect(m_ui->stop_1111, &QPushButton::clicked, this, &CMeasurePage::OnStop);
    connect(m_ui->calibrationBrowse_1109, &QPushButton::clicked, this,
            &CMeasurePage::OnBrowseCalibration);
    connect(m_ui->delete_1118, &QPushButton::clicked, this, &CMeasurePage::OnDelete);
    connect(m_ui->exportResponse_1119, &QPushButton::clicked, this, [this] { OnExport(false); });
    connect(m_ui->exportImpulse_1120, &QPushButton::clicked, this, [this] { OnExport(true); });
    connect(m_ui->view_1114, &QComboBox::currentIndexChanged, this, [this] { redraw(); });
    connect(m_ui->smoothing_1115, &QComboBox::currentIndexChanged, this, [this] { redraw(); });
    connect(m_ui->stored_1117, &QTreeWidget::itemChanged, this, &CMeasurePage::onItemChanged);
    connect(m_storedReader, &StoredListReader::entryRead, this, &CMeasurePage::addStored);
    connect(m_storedReader, &StoredListReader::finished, this, &CMeasurePage::onStoredListed);
    // The inputs are asked for when the page is first shown: a server that does not answer
    // must not hold up the window's start.
    refreshStored();
    redraw();
}

CMeasurePage::~CMeasurePage() = default;

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
    m_index = MeasurementIndex(folder);
    m_checked.clear();
    refreshStored();
}

void CMeasurePage::fillChoices() {
    const int channel = std::max(m_ui->channel_1102->currentIndex(), 0);
    const int length = std::max(m_ui->length_1104->currentIndex(), 0);
    const int view = std::max(m_ui->view_1114->currentIndex(), 0);
    const int smoothing = std::max(m_ui->smoothing_1115->currentIndex(), 0);
    m_filling = true;
    m_ui->channel_1102->clear();
    for (int i = 0; i < kMeasureSpeakers; ++i) {
        m_ui->channel_1102->addItem(tr("%1: %2").arg(i + 1).arg(SpeakerNames::of(i)));
    }
    m_ui->channel_1102->addItem(tr("All, in turn"));
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
    m_ui->length_1104->setCurrentIndex(length);
    m_ui->view_1114->setCurrentIndex(view);
    m_ui->smoothing_1115->setCurrentIndex(smoothing);
    m_filling = false;
}

void CMeasurePage::refreshInputs() {
    const QString chosen = m_ui->input_1107->currentData().toString();
    m_ui->input_1107->clear();
    SweepRecorder* recorder = m_service != nullptr ? m_service->recorder() : nullptr;
    std::vector<SourceInfo> sources;
    std::string fallback;
    if (recorder != nullptr) {
        sources = recorder->sources();
        fallback = recorder->defaultSource();
    }
    QString defaultName = QString::fromStdString(fallback);
    for (const SourceInfo& source : sources) {
        if (source.name == fallback) {
            defaultName = QString::fromStdString(source.description);
        }
    }
    m_ui->input_1107->addItem(
        defaultName.isEmpty() ? tr("System default") : tr("System default (%1)").arg(defaultName),
        QString());
    for (const SourceInfo& source : sources) {
        m_ui->input_1107->addItem(QString::fromStdString(source.description),
                                  QString::fromStdString(source.name));
    }
    m_ui->input_1107->setCurrentIndex(std::max(m_ui->input_1107->findData(chosen), 0));
}

void CMeasurePage::refreshStored() {
    m_filling = true;
    m_ui->stored_1117->clear();
    m_filling = false;
    m_index.clear();
    m_storedReader->read(m_index.store());
}

bool CMeasurePage::isListingStored() const {
    return m_storedReader->isReading();
}

void CMeasurePage::addStored(const MeasurementEntry& entry) {
    m_index.add(entry);
    m_filling = true;
    QTreeWidget* list = m_ui->stored_1117;
    // A measurement saved while the folder was being read comes twice: the later one stays.
    delete storedItem(entry.id);
    // Kept by date as the entries come, in whatever order the folder gives them.
    const QString date = QString::fromStdString(entry.date), id = QString::fromStdString(entry.id);
    const auto before = [&](const QTreeWidgetItem* other) {
        return std::make_tuple(date, id) < std::make_tuple(other->data(0, kDateRole).toString(),
                                                           other->data(0, kIdRole).toString());
    };
    int at = list->topLevelItemCount();
    while (at > 0 && before(list->topLevelItem(at - 1))) {
        --at;
    }
    auto* item = new QTreeWidgetItem;
    list->insertTopLevelItem(at, item);
    item->setData(0, kIdRole, QString::fromStdString(entry.id));
    item->setData(0, kDateRole, QString::fromStdString(entry.date));
    item->setText(1, QString::fromStdString(entry.date));
    if (entry.readError != FileReadError::None) {
        // Named by its file so that the user can find it; nothing to check, rename or draw.
        const QString text =
            tr("%1: unreadable: %2").arg(QString::fromStdString(entry.id), readErrorText(entry));
        item->setText(0, text);
        item->setToolTip(0, text);
        item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
        m_filling = false;
        return;
    }
    item->setText(0, QString::fromStdString(entry.name));
    item->setData(0, kNameRole, QString::fromStdString(entry.name));
    if (!entry.ok) {
        item->setToolTip(0, entry.refusal.failed() ? MeasureMessages::problem(entry.refusal)
                                                   : QString::fromStdString(entry.problem));
        item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    const bool checked = m_checked.contains(entry.id);
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    if (m_styles.count(entry.id) == 0) {
        m_styles[entry.id] = m_nextStyle++;
    }
    QPixmap swatch(12, 12);
    swatch.fill(plotColour(m_styles[entry.id], palette()));
    item->setIcon(0, QIcon(swatch));
    m_filling = false;
}

void CMeasurePage::onStoredListed() {
    // Those gone from the folder are drawn no more.
    if (m_checked.keepOnly(storedIds())) {
        redraw();
    }
    emit storedListed();
}

std::vector<std::string> CMeasurePage::storedIds() const {
    std::vector<std::string> ids;
    for (int i = 0; i < m_ui->stored_1117->topLevelItemCount(); ++i) {
        ids.push_back(
            m_ui->stored_1117->topLevelItem(i)->data(0, kIdRole).toString().toStdString());
    }
    return ids;
}

void CMeasurePage::setChecked(const std::string& id, bool checked) {
    if (QTreeWidgetItem* item = storedItem(id)) {
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    }
}

QTreeWidgetItem* CMeasurePage::storedItem(const std::string& id) const {
    for (int i = 0; i < m_ui->stored_1117->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_ui->stored_1117->topLevelItem(i);
        if (item->data(0, kIdRole).toString().toStdString() == id) {
            return item;
        }
    }
    return nullptr;
}

void CMeasurePage::setView(View view) {
    m_ui->view_1114->setCurrentIndex(view);
}

void CMeasurePage::setSmoothing(Smoothing smoothing) {
    const auto at =
        std::find(std::begin(kSmoothingChoices), std::end(kSmoothingChoices), smoothing);
    m_ui->smoothing_1115->setCurrentIndex(static_cast<int>(at - std::begin(kSmoothingChoices)));
}

QString CMeasurePage::renameStored(const std::string& id, const QString& name) {
    FileWriteResult saved;
    if (const auto failed = m_index.rename(id, name.toStdString(), saved)) {
        return MeasureMessages::load(*failed);
    }
    return saved ? QString() : FileMessages::reason(saved);
}

void CMeasurePage::onItemChanged(QTreeWidgetItem* item, int column) {
    if (m_filling || column != 0) {
        return;
    }
    const std::string id = item->data(0, kIdRole).toString().toStdString();
    const QString stored = item->data(0, kNameRole).toString();
    const QString name = item->text(0).trimmed();
    if (name != stored) {
        const QString error = name.isEmpty() ? QString() : renameStored(id, name);
        m_filling = true;
        if (name.isEmpty() || !error.isEmpty()) {
            item->setText(0, stored);  // the name stays what the file says
        } else {
            item->setData(0, kNameRole, name);
            m_checked.rename(id, name.toStdString());
        }
        m_filling = false;
        if (!error.isEmpty()) {
            warn(tr("The measurement cannot be renamed: %1").arg(error));
        }
    }
    if (item->checkState(0) != Qt::Checked) {
        m_checked.uncheck(id);
    } else if (const auto failed = m_checked.check(m_index.store(), id)) {
        m_filling = true;
        item->setCheckState(0, Qt::Unchecked);
        m_filling = false;
        warn(tr("The measurement cannot be read: %1").arg(MeasureMessages::load(*failed)));
        return;
    }
    redraw();
}

std::optional<MeasureSettings> CMeasurePage::settingsFromFields() {
    const auto number = [](const QString& text) {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        return ok ? std::optional<double>(value) : std::nullopt;
    };
    MeasureRequest request;
    request.levelDbfs = number(m_ui->level_1103->currentText());
    request.from = number(m_ui->from_1105->text());
    request.to = number(m_ui->to_1106->text());
    request.length = m_ui->length_1104->currentIndex();
    request.channel = m_ui->channel_1102->currentIndex();
    const std::string sink = m_outputChoice != nullptr ? m_outputChoice->sink() : std::string();
    if (m_sinkLayouts != nullptr) {
        if (const auto layout = m_sinkLayouts->sinkLayout(sink)) {
            request.outputChannels = layout->positions.size();
        }
    }
    MeasureRequestCheck check = checkMeasureRequest(request);
    switch (check.error) {
        case MeasureRequestError::None:
            break;
        case MeasureRequestError::Level:
            warn(tr("The level must be a number of dBFS from -100 to %1.")
                     .arg(kHighestMeasureLevel));
            return std::nullopt;
        case MeasureRequestError::Range:
            warn(tr("The range must go from at least 10 Hz to at most %1 Hz, its end above twice "
                    "its start.")
                     .arg(highestMeasureFrequency()));
            return std::nullopt;
        case MeasureRequestError::Sweep:
            warn(MeasureMessages::problem(check.sweepFailure));
            return std::nullopt;
    }
    MeasureSettings settings = std::move(check.settings);
    settings.output = sink;
    settings.input = m_ui->input_1107->currentData().toString().toStdString();
    settings.calibration = m_calibration;
    return settings;
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
    m_request = m_service->start(*settings, this);
    if (!m_request) {
        m_ui->status_1113->setText(tr("Another measurement is running."));
        return;
    }
    connect(m_request, &MeasurementRequest::progress, this, [this](double fraction) {
        m_ui->progress_1112->setValue(static_cast<int>(std::lround(fraction * 1000)));
    });
    connect(m_request, &MeasurementRequest::finished, this, &CMeasurePage::onFinished);
    m_runSettings = *settings;
    m_ui->progress_1112->setValue(0);
    m_ui->status_1113->setText(tr("Measuring..."));
    showBusy(true);
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
}

void CMeasurePage::onFinished(const MeasureResult& result) {
    showBusy(false);
    m_ui->progress_1112->setValue(result.ok() ? 1000 : 0);
    if (result.record == RecordResult::Cancelled) {
        m_ui->status_1113->setText(recordFailure(result));
        emit measured();
        return;
    }
    m_result = result;
    storeResult(result, m_runSettings);
    redraw();
    emit measured();
}

void CMeasurePage::storeResult(const MeasureResult& result, const MeasureSettings& settings) {
    m_resultIds.clear();
    const QString stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    const QString local = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    MeasurementLabel label{{},
                           stamp.toStdString(),
                           settings.output,
                           settings.input,
                           m_calibrationPath.toStdString(),
                           recordFailure(result).toStdString()};
    FileWriteResult stored;  // the last failure to store, if any
    const bool recorded = !result.channels.empty();
    for (Measurement& m : resultMeasurements(
             result, settings, label,
             [&](unsigned channel) {
                 return tr("Measurement %1, channel %2").arg(local).arg(channel).toStdString();
             },
             [&](unsigned channel) {
                 return RecordMessages::channelFailure(result, channel).toStdString();
             })) {
        if (const FileWriteResult saved = m_index.save(m); !saved) {
            stored = saved;
            continue;
        }
        if (recorded) {
            m_resultIds.push_back(m.id);
            m_styles.emplace(m.id, m_nextStyle++);
        }
        addStored(*m_index.find(m.id));
    }
    QString text = result.ok() ? tr("Measured.") : tr("Failed: %1").arg(recordFailure(result));
    if (const QString again = RecordMessages::measuredAgain(result); !again.isEmpty()) {
        text = again + QLatin1Char(' ') + text;
    }
    if (!stored) {
        text +=
            QLatin1Char(' ') + tr("It could not be stored: %1").arg(FileMessages::reason(stored));
        qCWarning(lcPages) << "A measurement could not be stored:"
                           << fileWriteErrorText(stored.error) << std::strerror(stored.systemError);
    } else if (!m_resultIds.empty()) {
        text += QLatin1Char(' ') + tr("Stored.");
    }
    m_ui->status_1113->setText(text);
}

void CMeasurePage::redraw() {
    if (m_filling) {
        return;
    }
    const View view = static_cast<View>(std::max(m_ui->view_1114->currentIndex(), 0));
    m_ui->smoothing_1115->setEnabled(view == ResponseView || view == PhaseView);
    PlotWidget* plot = m_ui->plot_1116;

    MeasureViewInput input;
    input.view = static_cast<MeasureView>(view);
    input.smoothing =
        kSmoothingChoices[std::clamp(m_ui->smoothing_1115->currentIndex(), 0,
                                     static_cast<int>(std::size(kSmoothingChoices)) - 1)];
    if (m_result) {
        input.result = &*m_result;
        input.resultRate = m_runSettings.sweep.rate;
        input.resultCalibration = m_runSettings.calibration ? &*m_runSettings.calibration : nullptr;
        input.resultIds = m_resultIds;
        for (std::size_t i = 0; i < m_result->channels.size(); ++i) {
            const auto style =
                i < m_resultIds.size() ? m_styles.find(m_resultIds[i]) : m_styles.end();
            input.resultStyles.push_back(style != m_styles.end() ? style->second : 0);
        }
    }
    input.stored = m_checked.sources(storedIds(), m_styles);
    std::vector<PlotCurve> curves;
    for (MeasureCurve& curve : measureCurves(input)) {
        curves.push_back(plotCurveOf(std::move(curve)));
    }
    plot->setCurves(std::move(curves));

    switch (view) {
        case ResponseView:
            plot->setXQuantity(Quantity::Frequency);
            plot->setYQuantity(Quantity::Level);
            break;
        case PhaseView:
            plot->setXQuantity(Quantity::Frequency);
            plot->setYQuantity(Quantity::Phase);
            break;
        case ImpulseView:
            plot->setXQuantity(Quantity::Time);
            plot->setYQuantity(Quantity::Amplitude);
            break;
        case DistortionView:
            plot->setXQuantity(Quantity::Frequency);
            plot->setYQuantity(Quantity::Distortion);
            break;
    }
    plot->autoscale();
    if (view == PhaseView) {
        plot->setYRange(-180, 180);
    }
    plot->setInfoText(resultInfo());
}

PlotCurve CMeasurePage::plotCurveOf(MeasureCurve&& curve) {
    PlotCurve plotted;
    plotted.styleIndex = curve.style;
    plotted.x = std::move(curve.x);
    plotted.y = std::move(curve.y);
    switch (curve.kind) {
        case MeasureCurveKind::Channel:
            plotted.name = tr("Channel %1").arg(curve.channel);
            break;
        case MeasureCurveKind::SecondHarmonic:
            plotted.name = tr("Channel %1 H2").arg(curve.channel);
            break;
        case MeasureCurveKind::ThirdHarmonic:
            plotted.name = tr("Channel %1 H3").arg(curve.channel);
            break;
        case MeasureCurveKind::Distortion:
            plotted.name = tr("Channel %1 THD").arg(curve.channel);
            break;
        case MeasureCurveKind::Stored:
            plotted.name = QString::fromStdString(curve.name);
            break;
        case MeasureCurveKind::Difference:
            plotted.name = tr("Difference (after - before)");
            plotted.styleIndex = kPlotColours - 1;
            break;
    }
    return plotted;
}

// Each channel of the last result: its delay, polarity and SNR, or why it has none.
QString CMeasurePage::resultInfo() const {
    if (!m_result) {
        return {};
    }
    QStringList info;
    for (const ChannelSummary& c : summariseResult(*m_result)) {
        if (!c.analysed) {
            info << tr("channel %1: %2").arg(c.channel).arg(MeasureMessages::problem(c.problem));
            continue;
        }
        const QString delay =
            c.delayReference == 0
                ? tr("delay %1 ms").arg(c.delayMs, 0, 'f', 2)
                : tr("delay %1 ms after channel %2's (the sound server converts the rate)")
                      .arg(c.delayMs, 0, 'f', 2)
                      .arg(c.delayReference);
        info << tr("channel %1: %2, polarity %3, SNR %4 dB")
                    .arg(c.channel)
                    .arg(delay)
                    .arg(c.polarity == Polarity::Normal ? tr("normal") : tr("inverted"))
                    .arg(c.snrDb, 0, 'f', 1);
    }
    return info.join(QStringLiteral("; "));
}

bool CMeasurePage::setCalibrationFile(const QString& path) {
    if (path.isEmpty()) {
        m_calibration.reset();
        m_calibrationPath.clear();
        m_ui->calibration_1108->clear();
        return true;
    }
    CalibrationResult loaded = loadCalibration(path.toStdString());
    if (!loaded.calibration) {
        warn(MeasureMessages::calibration(path, loaded.error));
        return false;
    }
    m_calibration = std::move(loaded.calibration);
    m_calibrationPath = path;
    m_ui->calibration_1108->setText(path);
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

QTreeWidgetItem* CMeasurePage::currentStored() const {
    QTreeWidgetItem* item = m_ui->stored_1117->currentItem();
    if (item == nullptr) {
        const_cast<CMeasurePage*>(this)->warn(tr("Choose a stored measurement first."));
    }
    return item;
}

void CMeasurePage::OnDelete() {
    QTreeWidgetItem* item = currentStored();
    if (item == nullptr) {
        return;
    }
    const std::string id = item->data(0, kIdRole).toString().toStdString();
    m_checked.uncheck(id);
    if (const MeasureFailure error = m_index.remove(id); error.failed()) {
        warn(tr("The measurement cannot be deleted: %1").arg(MeasureMessages::problem(error)));
        refreshStored();  // whatever stands there now
    } else if (isListingStored()) {
        refreshStored();  // the pass under way may have read it before it went
    } else {
        delete item;
    }
    redraw();
}

void CMeasurePage::OnExport(bool impulse) {
    QTreeWidgetItem* item = currentStored();
    if (item == nullptr) {
        return;
    }
    LoadResult loaded = m_index.store().load(item->data(0, kIdRole).toString().toStdString());
    if (!loaded.measurement) {
        warn(tr("The measurement cannot be read: %1").arg(MeasureMessages::load(loaded)));
        return;
    }
    const Measurement& m = *loaded.measurement;
    const QString path =
        impulse ? m_fileChooser(tr("Export impulse response"), tr("WAV files (*.wav)"), true)
                : m_fileChooser(tr("Export response"), tr("Text files (*.txt)"), true);
    if (path.isEmpty()) {
        return;
    }
    const std::string file = QFile::encodeName(path).toStdString();
    const FileWriteResult written = impulse ? exportImpulseWav(file, m.impulse, m.sweep.rate)
                                            : exportResponseText(file, m.response);
    if (written.error == FileWriteError::UnsupportedFormat && impulse) {
        warn(tr("A WAV file cannot hold a response at %1 Hz.").arg(m.sweep.rate));
    } else if (written.error == FileWriteError::TooLarge) {
        warn(tr("The response is too long for a WAV file."));
    } else if (!written) {
        warn(FileMessages::saveFailed(path, written));
    }
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
