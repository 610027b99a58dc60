// The Measure page: a sweep played on a chosen speaker and recorded, its response, phase, impulse
// response and distortion plotted, and stored measurements laid over one another.
#pragma once

#include "audio/MeasurementRun.h"
#include "correction/CorrectionInstaller.h"
#include "measuring/MeasureModel.h"
#include "pages/MessagePresenter.h"
#include "pages/StoredMeasurementList.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace quilbo {

namespace Ui {
class CMeasurePage;
}
class CorrectionPanel;
class LiveView;
class MeasurementRequest;
class MeasurementService;
class OutputChoice;
class PlotWidget;
class PulseServer;
class SinkLayoutSource;

class CMeasurePage : public QWidget {
    Q_OBJECT

public:
    // Control identifiers; each control's object name ends in "_<id>".
    enum ControlId {
        IDC_OUTPUT = 1101,
        IDC_CHANNEL = 1102,
        IDC_LEVEL = 1103,
        IDC_LENGTH = 1104,
        IDC_FROM = 1105,
        IDC_TO = 1106,
        IDC_INPUT = 1107,
        IDC_CALIBRATION = 1108,
        IDC_CALIBRATION_BROWSE = 1109,
        IDC_MEASURE = 1110,
        IDC_STOP = 1111,
        IDC_PROGRESS = 1112,
        IDC_STATUS = 1113,
        IDC_VIEW = 1114,
        IDC_SMOOTHING = 1115,
        IDC_PLOT = 1116,
        IDC_STORED = 1117,
        IDC_DELETE = 1118,
        IDC_EXPORT_RESPONSE = 1119,
        IDC_EXPORT_IMPULSE = 1120,
        IDC_REFERENCE = 1121,
        IDC_LIVE = 1122,     // the Live view's own controls follow (LiveView::ControlId)
        IDC_CORRECT = 1140,  // the Correct window's own follow (CorrectionPanel::ControlId)
    };
    // The views, in the order the chooser lists them (and MeasureView has them).
    enum View { ResponseView = 0, PhaseView = 1, ImpulseView = 2, DistortionView = 3 };
    // Asks the user for a file: (title, filter, save) -> path, empty when cancelled.
    using FileChooser = std::function<QString(const QString&, const QString&, bool)>;

    // The service is not owned and must outlive the page; null measures nothing.
    explicit CMeasurePage(MeasurementService* service, QWidget* parent = nullptr);
    ~CMeasurePage() override;

    QWidget* control(int id) const;
    PlotWidget* plot() const;

    // Plays to the output chosen there (not owned; it must outlive the page).
    void setOutputChoice(OutputChoice* choice);
    // Gives "All" the chosen output's channel count (not owned); without one, the front pair.
    void setSinkLayouts(SinkLayoutSource* layouts);
    void setMessagePresenter(MessagePresenter presenter);
    void setFileChooser(FileChooser chooser);
    // Where measurements are stored; the default is MeasurementStore::defaultFolder().
    void setStoreFolder(const std::string& folder);
    // The sound server the Live view reads the input from; without one it reads nothing.
    void setSoundServer(std::shared_ptr<PulseServer> server);
    // The Live view in place of the measurement's plot, or back; turning it off stops it.
    void setLive(bool live);
    bool isLive() const;
    LiveView* liveView() const { return m_live; }

    // Reads the recorder's inputs again.
    void refreshInputs();
    // Reads the stored measurements again, keeping the checks of those still there. The list
    // fills as the files are read, off the window thread; storedListed() says when it is whole.
    void refreshStored();
    bool isListingStored() const;

    // Starts a run with the settings shown; ignored while one runs. A wrong setting is a message.
    void OnMeasure();
    // Ends the run at once (its sweep fades out).
    void OnStop();
    bool isMeasuring() const { return m_measuring; }
    // Loads a calibration file; false with a message (line and reason) for a bad one. Empty
    // clears it.
    bool setCalibrationFile(const QString& path);

    // The stored measurements by id, as listed, and their checks.
    std::vector<std::string> storedIds() const;
    void setChecked(const std::string& id, bool checked);
    void setView(View view);
    void setSmoothing(Smoothing smoothing);
    // Opens the Correct window on the run of the chosen (else the first checked) stored
    // measurement; a message when there is none or it cannot be read.
    void OnCorrect();
    // The Correct window (hidden until Correct is clicked).
    CorrectionPanel* correctionPanel() const { return m_correction; }
    // Where and with what the Correct window installs; the default is the user's own.
    void setCorrectionInstaller(CorrectionInstaller::Options options);
    // Trims from the Speakers page's level match (per 1-based channel) for the corrections of
    // that output planned next.
    void useLevelTrims(const std::string& output, std::map<int, double> trims);
    // The last run's result, if it was this page's.
    const std::optional<MeasureResult>& lastResult() const { return m_model.lastResult(); }

signals:
    // A run has ended (result shown and stored, or failed).
    void measured();
    // The stored measurements' list is whole.
    void storedListed();

protected:
    // Other pages store measurements too: the list and the inputs are read again on each visit.
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void onFinished(const MeasureResult& result);
    bool startRun(const MeasureSettings& settings, bool throughCorrection);
    void updateCorrect();
    // The selected stored measurement, or else the first checked one; empty when there is none.
    std::string measurementToCorrect() const;
    void storeResult(const MeasureResult& result, const MeasureSettings& settings);
    std::optional<MeasureSettings> settingsFromFields();
    void fillChoices();
    void redraw();
    void showBusy(bool busy);
    void OnBrowseCalibration();
    void OnExport(bool impulse);
    void warn(const QString& text);
    void liveInput();

    std::unique_ptr<Ui::CMeasurePage> m_ui;
    MeasurementService* m_service;
    QPointer<MeasurementRequest> m_request;  // the run this page waits for
    OutputChoice* m_outputChoice = nullptr;
    SinkLayoutSource* m_sinkLayouts = nullptr;
    MessagePresenter m_presenter;
    FileChooser m_fileChooser;
    MeasureModel m_model;  // the list, the checks, the last result: what the page shows
    StoredMeasurementList* m_storedList = nullptr;
    LiveView* m_live = nullptr;
    std::string m_defaultInput;  // the default input's source name, as last read
    bool m_measuring = false;
    bool m_filling = false;
    MeasureSettings m_runSettings;     // of the run under way
    bool m_throughCorrection = false;  // the run under way is the Correct window's
    CorrectionPanel* m_correction = nullptr;
};

}  // namespace quilbo
