// The Measure page's "Correct..." window: a correction planned from a stored run as its settings
// change (target, range, boost, filters), its filters, trims and deviations shown and its curves
// drawn on the page's plot; installed on the run's output, measured again through it, exported,
// removed; the installed corrections listed with their state.
#pragma once

#include "audio/MeasurementRun.h"
#include "measure/CorrectionPlan.h"
#include "measure/StoredRunLookup.h"
#include "measuring/CorrectionCheck.h"
#include "measuring/MeasureModel.h"
#include "pages/CorrectionSession.h"
#include "plot/PlotCurve.h"

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quilbo {

namespace Ui {
class CorrectionPanel;
}

class CorrectionPanel : public QDialog {
    Q_OBJECT

public:
    // Control identifiers, after the Measure page's; each control's object name ends in "_<id>".
    enum ControlId {
        IDC_CORRECT_TARGET = 1141,
        IDC_CORRECT_TILT = 1142,
        IDC_CORRECT_TARGET_FILE = 1143,
        IDC_CORRECT_BROWSE = 1144,
        IDC_CORRECT_FROM = 1145,
        IDC_CORRECT_TO = 1146,
        IDC_CORRECT_BOOST = 1147,
        IDC_CORRECT_BANDS = 1148,
        IDC_CORRECT_INVERT = 1149,
        IDC_CORRECT_MATCHED_TRIMS = 1150,
        IDC_CORRECT_FILTERS = 1151,
        IDC_CORRECT_FIGURES = 1152,
        IDC_CORRECT_INSTALL = 1153,
        IDC_CORRECT_DEFAULT = 1154,
        IDC_CORRECT_REMOVE = 1155,
        IDC_CORRECT_EXPORT_TEXT = 1156,
        IDC_CORRECT_EXPORT_PIPEWIRE = 1157,
        IDC_CORRECT_MEASURE = 1158,
        IDC_CORRECT_OUTPUTS = 1159,
        IDC_CORRECT_STATUS = 1160,
    };
    // The target kinds, in the order the chooser (in the form) lists them.
    enum Target { FlatTarget = 0, TiltTarget = 1, FileTarget = 2 };
    // Asks for a file to read (title, filter) or a folder to write into (title): empty when
    // cancelled.
    using FileChooser = std::function<QString(const QString&, const QString&)>;
    using FolderChooser = std::function<QString(const QString&)>;
    // Starts a measurement like the page's own, stored like it; false when none could start
    // (the page has said why).
    using Measure = std::function<bool(const MeasureSettings&)>;

    explicit CorrectionPanel(QWidget* parent = nullptr);
    ~CorrectionPanel() override;

    QWidget* control(int id) const;
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    void setFolderChooser(FolderChooser chooser) { m_folderChooser = std::move(chooser); }
    void setMeasure(Measure measure) { m_measure = std::move(measure); }
    // Where it installs: without a server, installing says there is none.
    CorrectionSession* session() const { return m_session; }

    // Opens on the run of the stored measurement `id` among those the model lists (only the
    // run's files are read); the reason in words when there is none to correct.
    QString openRunOf(const MeasureModel& model, const std::string& id);
    // Trims from the level match (per 1-based channel) for the runs of that output opened next.
    void offerLevelTrims(const std::string& output, std::map<int, double> trims);

    // The run to correct (named after `name`), planned at once; trims from the level match for
    // its output, if any (per 1-based channel), are offered in place of the measured ones.
    void open(std::vector<Measurement> run, const QString& name,
              const std::map<int, double>& matchedTrims);
    const CorrectionPlan& plan() const { return m_plan; }
    // A plan is being made off the window thread (a few tens of milliseconds a channel); the
    // plan, the figures and the curves shown are the last one's until it is in.
    bool isPlanning() const { return m_planning; }
    // The output the run was measured on (empty: the default output).
    const std::string& output() const { return m_output; }
    // The curves to draw over the response: each channel's before, target, predicted and,
    // once measured through the correction, after.
    std::vector<PlotCurve> curves() const;

    // The run made through the correction has ended (its settings as started).
    void measuredThrough(const MeasureResult& result, const MeasureSettings& settings);
    // Measures the run again through the installed correction; false when none is there.
    bool measureThrough();
    // Each channel as measured through the correction, once it has been.
    const std::vector<ChannelAfter>& afterChannels() const { return m_after; }

Q_SIGNALS:
    // The curves to draw have changed.
    void curvesChanged();

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();
    void replan();
    void startPlan();
    void showPlanned(CorrectionPlan plan);
    void showPlan();
    void showFigures();
    void showOutputs();
    void setStatus(const QString& text);
    void updateButtons();
    void onFinished(CorrectionSession::Action action, const InstallFailure& failure,
                    const std::string& sink);
    void OnBrowse();
    void OnInstall();
    void OnRemove();
    void OnExport(bool pipeWire);
    std::string installedSink() const;

    std::unique_ptr<Ui::CorrectionPanel> m_ui;
    CorrectionSession* m_session;
    FileChooser m_fileChooser;
    FolderChooser m_folderChooser;
    Measure m_measure;

    std::shared_ptr<const std::vector<Measurement>> m_run =
        std::make_shared<const std::vector<Measurement>>();  // shared with the planning thread
    std::string m_name;
    std::string m_output;
    std::map<int, double> m_matchedTrims;                       // the open run's output's
    std::map<std::string, std::map<int, double>> m_levelTrims;  // by output
    PlanOptions m_options;  // the plan's; the run through the correction is judged by its target
    CorrectionPlan m_plan;
    std::thread m_planThread;
    bool m_planning = false;
    bool m_planAgain = false;           // the settings changed while a plan was made
    unsigned m_planRequest = 0;         // the settings' generation; a plan of older ones is dropped
    QString m_planProblem;              // why there is no plan, in words
    std::string m_sink;                 // the correction installed from here last
    std::vector<ChannelAfter> m_after;  // the run through the correction, once measured
    bool m_measuring = false;
};

}  // namespace quilbo
