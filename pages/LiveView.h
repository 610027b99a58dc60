// The Measure page's Live view: a real-time analyser's bands and a sound level meter's figures on
// the page's input, large enough to read across a room, with the choices of weighting, time
// weighting, averaging and resolution, and Calibrate with an acoustic calibrator.
#pragma once

#include "measure/Calibration.h"
#include "measuring/InputSensitivity.h"
#include "measuring/LiveMeter.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quilbo {

class PlotWidget;

class LiveView : public QWidget {
    Q_OBJECT

public:
    // Control identifiers, in the Measure page's range; each control's object name ends in
    // "_<id>".
    enum ControlId {
        IDC_LIVE_START = 1123,
        IDC_LIVE_WEIGHTING = 1124,
        IDC_LIVE_TIME = 1125,
        IDC_LIVE_RESOLUTION = 1126,
        IDC_LIVE_AVERAGING = 1127,
        IDC_LIVE_FRAMES = 1128,
        IDC_LIVE_RESET = 1129,
        IDC_LIVE_CALIBRATOR = 1130,
        IDC_LIVE_CALIBRATE = 1131,
        IDC_LIVE_UNCALIBRATE = 1132,
        IDC_LIVE_LEVEL = 1133,
        IDC_LIVE_UNIT = 1134,
        IDC_LIVE_FIGURES = 1135,
        IDC_LIVE_OVER = 1136,
        IDC_LIVE_STATUS = 1137,
        IDC_LIVE_PLOT = 1138,
    };

    explicit LiveView(QWidget* parent = nullptr);
    ~LiveView() override;

    // The sound server the meter reads from; without one Start says there is none.
    void setSoundServer(std::shared_ptr<PulseServer> server);
    // Where the inputs' sensitivities are kept; empty: the user's settings.
    void setSensitivityFile(const QString& path);
    // The input to read (its source name, empty for the default) and the name of the input its
    // sensitivity is kept for. A meter running starts again on it.
    void setInput(const std::string& source, const std::string& sensitivityKey);
    // The microphone's calibration file as the page loaded it: its Sens Factor corrects the kept
    // sensitivity and its response comes off the bands.
    void setCalibration(const std::optional<Calibration>& calibration);

    void OnStart();
    void OnStop();
    bool isRunning() const { return m_meter->isRunning(); }
    // Reads the calibrator chosen on the microphone, starting the meter if it is not running.
    void OnCalibrate();
    bool isCalibrating() const { return m_calibrating; }
    bool isCalibrated() const { return m_scale.calibrated(); }
    const LiveMeter& meter() const { return *m_meter; }

protected:
    // Hidden (Live turned off, another tab, the window closing): the input is closed.
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    void fillChoices();
    LiveSettings settings() const;
    void applySettings();
    void showFigures();
    void showPlot();
    void showIdle();
    void setRunning(bool running);
    void onStarted();
    void onFailed(LiveMeterFailure failure);
    void onCalibratorRead(const CalibratorReading& reading);
    void OnUncalibrate();
    void status(const QString& text);

    LiveMeter* m_meter = nullptr;
    InputSensitivity m_sensitivity;
    std::string m_source;
    std::string m_sensitivityKey;
    std::optional<Calibration> m_calibration;
    LevelScale m_scale;
    bool m_calibrating = false;
    bool m_filling = false;

    QPushButton* m_start = nullptr;
    QComboBox* m_weighting = nullptr;
    QComboBox* m_time = nullptr;
    QComboBox* m_resolution = nullptr;
    QComboBox* m_averaging = nullptr;
    QSpinBox* m_frames = nullptr;
    QPushButton* m_reset = nullptr;
    QComboBox* m_calibrator = nullptr;
    QPushButton* m_calibrate = nullptr;
    QPushButton* m_uncalibrate = nullptr;
    QLabel* m_level = nullptr;
    QLabel* m_unit = nullptr;
    QLabel* m_figures = nullptr;
    QLabel* m_over = nullptr;
    QLabel* m_status = nullptr;
    PlotWidget* m_plot = nullptr;
    QList<QLabel*> m_captions;  // retranslated with the choices
};

}  // namespace quilbo
