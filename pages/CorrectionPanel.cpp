// The correction window, laid out in CorrectionPanel.ui: every change of a setting plans again off
// the window thread (a few tens of milliseconds a channel); what waits on the sound server goes
// through the session.
#include "pages/CorrectionPanel.h"

#include "measure/CorrectionPipeWire.h"
#include "measure/CorrectionText.h"
#include "measure/CorrectionTrims.h"
#include "measuring/CorrectionCheck.h"
#include "measuring/MeasureRequest.h"
#include "media/AtomicFile.h"
#include "pages/CorrectionMessages.h"
#include "pages/FileMessages.h"
#include "pages/Logging.h"
#include "pages/PageSupport.h"
#include "pages/RecordMessages.h"
#include "ui_CorrectionPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace quilbo {

namespace {

QString hzText(double f) {
    return f >= 1000 ? CorrectionPanel::tr("%1 kHz").arg(QString::number(f / 1000, 'g', 3))
                     : CorrectionPanel::tr("%1 Hz").arg(std::lround(f));
}

QString filterKindText(CorrectionFilterKind kind) {
    switch (kind) {
        case CorrectionFilterKind::Peaking:
            return CorrectionPanel::tr("Peaking");
        case CorrectionFilterKind::LowShelf:
            return CorrectionPanel::tr("Low shelf");
        case CorrectionFilterKind::HighShelf:
            return CorrectionPanel::tr("High shelf");
    }
    return {};
}

// The curves' places in the palette: before, target, predicted, after, channel after channel.
constexpr int kCurvesPerChannel = 4;

}  // namespace

CorrectionPanel::CorrectionPanel(QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CorrectionPanel>()),
      m_session(new CorrectionSession(nullptr, {}, this)) {
    m_ui->setupUi(this);
    // The plan's own defaults, kept in one place: set from there, not in the form.
    m_ui->boost_1147->setValue(PlanOptions{}.maxBoostDb);
    m_ui->bands_1148->setValue(PlanOptions{}.bands);
    for (QTreeWidget* tree : {m_ui->filters_1151, m_ui->outputs_1159}) {
        tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    }
    retranslate();

    const auto replanOn = [this](auto* control, auto signal) {
        connect(control, signal, this, [this] { replan(); });
    };
    replanOn(m_ui->target_1141, &QComboBox::currentIndexChanged);
    replanOn(m_ui->tilt_1142, &QDoubleSpinBox::valueChanged);
    replanOn(m_ui->targetFile_1143, &QLineEdit::editingFinished);
    replanOn(m_ui->from_1145, &QLineEdit::editingFinished);
    replanOn(m_ui->to_1146, &QLineEdit::editingFinished);
    replanOn(m_ui->boost_1147, &QDoubleSpinBox::valueChanged);
    replanOn(m_ui->bands_1148, &QSpinBox::valueChanged);
    replanOn(m_ui->invert_1149, &QCheckBox::toggled);
    replanOn(m_ui->matchedTrims_1150, &QCheckBox::toggled);
    connect(m_ui->browse_1144, &QPushButton::clicked, this, &CorrectionPanel::OnBrowse);
    connect(m_ui->install_1153, &QPushButton::clicked, this, &CorrectionPanel::OnInstall);
    connect(m_ui->remove_1155, &QPushButton::clicked, this, &CorrectionPanel::OnRemove);
    connect(m_ui->exportText_1156, &QPushButton::clicked, this, [this] { OnExport(false); });
    connect(m_ui->exportPipeWire_1157, &QPushButton::clicked, this, [this] { OnExport(true); });
    connect(m_ui->measureThrough_1158, &QPushButton::clicked, this, [this] { measureThrough(); });
    connect(m_ui->outputs_1159, &QTreeWidget::itemSelectionChanged, this,
            [this] { updateButtons(); });
    connect(m_session, &CorrectionSession::listed, this, &CorrectionPanel::showOutputs);
    connect(m_session, &CorrectionSession::finished, this, &CorrectionPanel::onFinished);
    updateButtons();
}

CorrectionPanel::~CorrectionPanel() {
    if (m_planThread.joinable()) {
        m_planThread.join();
    }
}

QWidget* CorrectionPanel::control(int id) const {
    return findControl(this, id);
}

void CorrectionPanel::retranslate() {
    m_ui->retranslateUi(this);
    if (!m_name.empty()) {  // the form's title names no run
        setWindowTitle(tr("Correct: %1").arg(QString::fromStdString(m_name)));
    }
    showPlan();
    showOutputs();
}

void CorrectionPanel::open(std::vector<Measurement> run, const QString& name,
                           const std::map<int, double>& matchedTrims) {
    m_run = std::make_shared<const std::vector<Measurement>>(std::move(run));
    // Files are named after the run, as quilbo-correct names them: "NAME", not "NAME (channel 1)".
    const qsizetype stem = name.lastIndexOf(QStringLiteral(" (channel "));
    m_name = (stem > 0 && name.endsWith(QLatin1Char(')')) ? name.left(stem) : name).toStdString();
    m_output = m_run->empty() ? std::string() : m_run->front().output;
    retranslate();  // the title names the run
    m_matchedTrims = matchedTrims;
    m_ui->matchedTrims_1150->setVisible(!m_matchedTrims.empty());
    m_after.clear();
    setStatus({});
    replan();
    m_session->refresh();
}

QString CorrectionPanel::openRunOf(const MeasureModel& model, const std::string& id) {
    std::vector<MeasurementEntry> listed;  // as read off the window thread: no file read again
    for (const std::string& i : model.listedIds()) {
        if (const MeasurementEntry* entry = model.entry(i)) {
            listed.push_back(*entry);
        }
    }
    StoredRunChannels run = findRunOf(model.store(), listed, id);
    if (!run.found()) {
        return CorrectionMessages::run(run);
    }
    const auto trims = m_levelTrims.find(run.channels.front().output);
    const MeasurementEntry* chosen = model.entry(id);  // listed: findRunOf found it
    open(std::move(run.channels), QString::fromStdString(chosen != nullptr ? chosen->name : id),
         trims != m_levelTrims.end() ? trims->second : std::map<int, double>{});
    return {};
}

void CorrectionPanel::offerLevelTrims(const std::string& output, std::map<int, double> trims) {
    m_levelTrims[output] = std::move(trims);
}

void CorrectionPanel::replan() {
    m_after.clear();  // measured through another correction
    m_planProblem.clear();
    PlanOptions options;
    options.maxBoostDb = m_ui->boost_1147->value();
    options.bands = m_ui->bands_1148->value();
    options.invert = m_ui->invert_1149->isChecked();
    options.from = fieldNumber(m_ui->from_1145->text().toStdString());
    options.to = fieldNumber(m_ui->to_1146->text().toStdString());
    const int target = m_ui->target_1141->currentIndex();
    m_ui->tilt_1142->setEnabled(target == TiltTarget);
    m_ui->targetFile_1143->setEnabled(target == FileTarget);
    m_ui->browse_1144->setEnabled(target == FileTarget);
    if (target == TiltTarget) {
        options.target.kind = TargetKind::Tilt;
        options.target.tiltDbPerDecade = m_ui->tilt_1142->value();
    } else if (target == FileTarget) {
        const QString path = m_ui->targetFile_1143->text().trimmed();
        const TargetFileResult file = loadTargetFile(path.toStdString());
        if (path.isEmpty()) {
            m_planProblem = tr("Choose a target file.");
        } else if (!file.target) {
            m_planProblem = CorrectionMessages::targetFile(path, file.error);
        } else {
            options.target = *file.target;
        }
    }
    if (!m_ui->from_1145->text().trimmed().isEmpty() && !options.from) {
        m_planProblem = tr("From must be a frequency in Hz, or empty for the measured range.");
    } else if (!m_ui->to_1146->text().trimmed().isEmpty() && !options.to) {
        m_planProblem = tr("To must be a frequency in Hz, or empty for the measured range.");
    }
    m_options = options;
    ++m_planRequest;  // a plan under way is of settings gone
    if (!m_planProblem.isEmpty()) {
        m_planAgain = false;
        showPlanned(CorrectionPlan{});
        return;
    }
    startPlan();
}

void CorrectionPanel::startPlan() {
    if (m_planning) {
        m_planAgain = true;  // once the plan under way is in
        return;
    }
    if (m_planThread.joinable()) {
        m_planThread.join();  // over: it has handed back its plan
    }
    m_planning = true;
    updateButtons();
    m_planThread = std::thread([this, run = m_run, options = m_options, request = m_planRequest] {
        CorrectionPlan plan = planCorrection(*run, options);
        // The panel waits for this thread before it goes: the call finds it alive, or is
        // dropped with its other posted events.
        QMetaObject::invokeMethod(
            this,
            [this, plan = std::move(plan), request]() mutable {
                m_planning = false;
                if (request == m_planRequest) {
                    showPlanned(std::move(plan));
                } else if (m_planAgain) {
                    m_planAgain = false;
                    startPlan();
                } else {
                    updateButtons();
                }
            },
            Qt::QueuedConnection);
    });
}

void CorrectionPanel::showPlanned(CorrectionPlan plan) {
    m_plan = std::move(plan);
    if (m_planProblem.isEmpty() && m_plan.failure.failed()) {
        m_planProblem = CorrectionMessages::plan(m_plan.failure);
    }
    if (m_planProblem.isEmpty() && !m_matchedTrims.empty() &&
        m_ui->matchedTrims_1150->isChecked() && !useLevelTrims(m_plan, m_matchedTrims)) {
        setStatus(
            tr("Match levels gave no trim for every channel of this run: the measured "
               "trims are used."));
    }
    if (!m_planProblem.isEmpty()) {
        m_plan = CorrectionPlan{};
    }
    showPlan();
    updateButtons();
    Q_EMIT curvesChanged();
}

void CorrectionPanel::showPlan() {
    QTreeWidget* const filters = m_ui->filters_1151;
    filters->clear();
    for (const ChannelCorrection& c : m_plan.correction.channels) {
        const QString channel =
            tr("%1 (%2)").arg(c.channel).arg(QString::fromStdString(c.position));
        new QTreeWidgetItem(
            filters, {channel, tr("Preamp"), QString(), tr("%1 dB").arg(c.preampDb, 0, 'f', 1)});
        for (const CorrectionFilter& f : c.filters) {
            new QTreeWidgetItem(
                filters, {channel, filterKindText(f.kind), hzText(f.frequency),
                          tr("%1 dB").arg(f.gainDb, 0, 'f', 1),
                          f.kind == CorrectionFilterKind::Peaking ? QString::number(f.q, 'f', 2)
                                                                  : QString()});
        }
        new QTreeWidgetItem(
            filters, {channel, tr("Level trim"), QString(), tr("%1 dB").arg(c.trimDb, 0, 'f', 2)});
        new QTreeWidgetItem(
            filters, {channel, tr("Delay"), QString(), tr("%1 ms").arg(c.delayMs, 0, 'f', 3)});
        if (c.invert) {
            new QTreeWidgetItem(filters, {channel, tr("Polarity inverted")});
        }
    }
    showFigures();
}

void CorrectionPanel::showFigures() {
    if (!m_planProblem.isEmpty()) {
        m_ui->figures_1152->setText(m_planProblem);
        return;
    }
    QStringList lines;
    if (m_run->empty()) {
        lines << tr("Choose a stored measurement on the Measure page.");
    }
    for (std::size_t k = 0; k < m_plan.channels.size(); ++k) {
        const ChannelPlan& p = m_plan.channels[k];
        const QString range = tr("%1–%2").arg(hzText(p.from), hzText(p.to));
        QString line = tr("Channel %1: before ±%2 dB from the target, predicted ±%3 dB, %4")
                           .arg(p.channel)
                           .arg(p.beforeDb, 0, 'f', 1)
                           .arg(p.deviationDb, 0, 'f', 1)
                           .arg(range);
        if (k < m_after.size()) {
            line += tr("; measured through the correction ±%1 dB from the target, %2")
                        .arg(m_after[k].deviationDb, 0, 'f', 1)
                        .arg(range);
        }
        lines << line;
        if (p.measuredInverted && !m_plan.correction.channels[k].invert) {
            lines << tr("Channel %1 was measured inverted: rewire it, or let the correction "
                        "invert it.")
                         .arg(p.channel);
        }
    }
    if (m_plan.channels.size() > 1 && !m_plan.delaysKnown) {
        lines << tr("These measurements keep no arrival times: every delay is 0.");
    }
    if (!m_matchedTrims.empty() && m_ui->matchedTrims_1150->isChecked() &&
        !m_plan.channels.empty()) {
        lines << tr("Level trims from Match levels.");
    }
    if (m_after.size() > 1) {
        QStringList parts;
        for (std::size_t k = 1; k < m_after.size(); ++k) {
            const ChannelAfter& a = m_after[k];
            QString part = tr("channel %1: level %2 dB").arg(a.channel).arg(a.levelDb, 0, 'f', 2);
            if (a.arrivalMs) {
                part += tr(", arrival %1 ms").arg(*a.arrivalMs, 0, 'f', 3);
            }
            parts << part;
        }
        lines << tr("After, against channel %1: %2")
                     .arg(m_after[0].channel)
                     .arg(parts.join(QStringLiteral("; ")));
    }
    m_ui->figures_1152->setText(lines.join(QLatin1Char('\n')));
}

std::vector<PlotCurve> CorrectionPanel::curves() const {
    std::vector<PlotCurve> curves;
    const auto add = [&](const QString& name, int style, const std::vector<double>& x,
                         const std::vector<double>& y) {
        PlotCurve& c = curves.emplace_back();
        c.name = name;
        c.styleIndex = style % (kPlotColours - 1);  // the last colour is the difference's
        c.x = x;
        c.y = y;
    };
    for (std::size_t k = 0; k < m_plan.channels.size(); ++k) {
        const ChannelPlan& p = m_plan.channels[k];
        const int style = static_cast<int>(k) * kCurvesPerChannel;
        add(tr("Channel %1 before").arg(p.channel), style, p.frequency, p.measuredDb);
        add(tr("Channel %1 target").arg(p.channel), style + 1, p.frequency, p.targetDb);
        add(tr("Channel %1 predicted").arg(p.channel), style + 2, p.frequency, p.predictedDb);
        if (k < m_after.size()) {
            add(tr("Channel %1 after").arg(p.channel), style + 3, m_after[k].curves.frequency,
                m_after[k].curves.measuredDb);
        }
    }
    return curves;
}

std::string CorrectionPanel::installedSink() const {
    // Installed from here, else the one chosen in the list, else the one in front of the run's
    // output (a run measured on the default output names none).
    std::string ours = m_sink;
    if (const QTreeWidgetItem* chosen = m_ui->outputs_1159->currentItem(); ours.empty() && chosen) {
        ours = chosen->data(0, Qt::UserRole).toString().toStdString();
    }
    if (ours.empty() && !m_output.empty()) {
        ours = correctionSinkName(m_output);
    }
    for (const InstalledCorrection& c : m_session->installed()) {
        if (c.sink == ours && c.present) {
            return c.sink;
        }
    }
    return {};
}

void CorrectionPanel::updateButtons() {
    const bool idle = !m_session->busy() && !m_measuring;
    const bool planned = !m_plan.channels.empty() && !m_planning;  // what is shown is what is set
    m_ui->install_1153->setEnabled(planned && idle);
    // Exporting writes files only: it waits on no server.
    for (QWidget* w : {m_ui->exportText_1156, m_ui->exportPipeWire_1157}) {
        w->setEnabled(planned);
    }
    m_ui->measureThrough_1158->setEnabled(planned && idle && !installedSink().empty());
    m_ui->remove_1155->setEnabled(idle && !m_session->installed().empty());
}

void CorrectionPanel::OnBrowse() {
    const QString path =
        m_fileChooser
            ? m_fileChooser(tr("Target curve"), tr("Target curves (*.txt *.csv);;All files (*)"))
            : QString();
    if (!path.isEmpty()) {
        m_ui->targetFile_1143->setText(path);
        replan();
    }
}

void CorrectionPanel::OnInstall() {
    if (m_plan.channels.empty() ||
        !m_session->install(m_plan.correction, m_output, m_ui->makeDefault_1154->isChecked())) {
        return;
    }
    setStatus(tr("Installing..."));
    updateButtons();
}

void CorrectionPanel::OnRemove() {
    std::string sink;
    if (const QTreeWidgetItem* chosen = m_ui->outputs_1159->currentItem()) {
        sink = chosen->data(0, Qt::UserRole).toString().toStdString();
    }
    if (sink.empty()) {
        sink = m_sink.empty() ? correctionSinkName(m_output) : m_sink;
    }
    if (m_session->remove(sink)) {
        setStatus(tr("Removing..."));
        updateButtons();
    }
}

void CorrectionPanel::onFinished(CorrectionSession::Action action, const InstallFailure& failure,
                                 const std::string& sink) {
    updateButtons();
    if (!failure.ok() && action == CorrectionSession::Action::List) {
        // The list stays empty; why is for the journal.
        qCWarning(lcPages) << "the installed corrections could not be listed:"
                           << describeInstallFailure(failure).c_str();
        return;
    }
    if (!failure.ok()) {
        setStatus(CorrectionMessages::install(failure));
        return;
    }
    switch (action) {
        case CorrectionSession::Action::Install:
            m_sink = sink;
            setStatus(tr("Installed as \"%1\".").arg(QString::fromStdString(sink)));
            measureThrough();
            break;
        case CorrectionSession::Action::Remove:
            if (sink == m_sink) {
                m_sink.clear();
            }
            setStatus(tr("Removed \"%1\".").arg(QString::fromStdString(sink)));
            break;
        case CorrectionSession::Action::MakeDefault:
        case CorrectionSession::Action::List:
            break;
    }
}

bool CorrectionPanel::measureThrough() {
    const std::string sink = installedSink();
    if (sink.empty() || m_run->empty() || !m_measure || m_measuring) {
        return false;
    }
    MeasureSettings settings;
    settings.sweep = m_run->front().sweep;
    settings.output = sink;
    settings.input = m_run->front().input;
    settings.channels.clear();
    for (const Measurement& m : *m_run) {
        settings.channels.push_back(static_cast<unsigned>(m.channel));
    }
    std::sort(settings.channels.begin(), settings.channels.end());
    if (!m_measure(settings)) {
        setStatus(
            tr("The run through the correction cannot start while another measurement "
               "runs."));
        return false;
    }
    m_measuring = true;
    setStatus(tr("Measuring through the correction..."));
    updateButtons();
    return true;
}

void CorrectionPanel::measuredThrough(const MeasureResult& result,
                                      const MeasureSettings& settings) {
    m_measuring = false;
    m_after.clear();
    updateButtons();
    if (!result.ok()) {
        setStatus(tr("Measuring through the correction failed: %1")
                      .arg(RecordMessages::runFailure(result)));
        showFigures();
        Q_EMIT curvesChanged();
        return;
    }
    CorrectionCheck check = checkCorrection(m_plan, m_options, result, settings);
    if (check.failedChannel) {
        setStatus(tr("Measuring through the correction failed: %1")
                      .arg(check.analysisFailed
                               ? RecordMessages::channelFailure(result, *check.failedChannel)
                               : CorrectionMessages::plan(check.failure)));
        showFigures();
        Q_EMIT curvesChanged();
        return;
    }
    m_after = std::move(check.channels);
    setStatus(tr("Measured through the correction."));
    showFigures();
    Q_EMIT curvesChanged();
}

void CorrectionPanel::showOutputs() {
    QTreeWidget* const outputs = m_ui->outputs_1159;
    const QString chosen = outputs->currentItem() != nullptr
                               ? outputs->currentItem()->data(0, Qt::UserRole).toString()
                               : QString();
    outputs->clear();
    for (const InstalledCorrection& c : m_session->installed()) {
        QStringList state;
        state << (c.present ? tr("present") : tr("not on the server"));
        if (c.isDefault) {
            state << tr("default");
        }
        state << tr("processes running: %1").arg(c.processes);
        auto* item = new QTreeWidgetItem(
            outputs, {QString::fromStdString(c.description.empty() ? c.sink : c.description),
                      QString::fromStdString(c.output), state.join(QStringLiteral(", "))});
        item->setData(0, Qt::UserRole, QString::fromStdString(c.sink));
        if (item->data(0, Qt::UserRole).toString() == chosen) {
            outputs->setCurrentItem(item);
        }
    }
    updateButtons();
}

void CorrectionPanel::OnExport(bool pipeWire) {
    if (m_plan.channels.empty() || !m_folderChooser) {
        return;
    }
    const QString folder = m_folderChooser(tr("Export the correction into a folder"));
    if (folder.isEmpty()) {
        return;
    }
    const auto failed = [&](const std::string& path, const FileWriteResult& written) {
        setStatus(FileMessages::saveFailed(QString::fromStdString(path), written));
    };
    QStringList files;
    if (pipeWire) {
        const CorrectionOutput output;  // named by no output: the user's session places it
        if (const CorrectionChainCheck check = checkCorrectionChain(m_plan.correction, output);
            !check) {
            setStatus(CorrectionMessages::chain(check));
            return;
        }
        const std::string path = folder.toStdString() + "/" + correctionFragmentFileName(m_name);
        if (const FileWriteResult written =
                writeFileAtomically(path, filterChainFragment(m_plan.correction, output));
            !written) {
            failed(path, written);
            return;
        }
        files << QString::fromStdString(path);
    } else {
        for (const ChannelCorrection& c : m_plan.correction.channels) {
            const std::string path =
                folder.toStdString() + "/" + correctionTextFileName(m_name, c.position);
            if (const FileWriteResult written = exportCorrectionText(path, c); !written) {
                failed(path, written);
                return;
            }
            files << QString::fromStdString(path);
        }
    }
    setStatus(tr("Exported: %1").arg(files.join(QStringLiteral(", "))));
}

void CorrectionPanel::setStatus(const QString& text) {
    m_ui->status_1160->setText(text);
}

void CorrectionPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
    }
    QDialog::changeEvent(event);
}

}  // namespace quilbo

#include "moc_CorrectionPanel.cpp"
