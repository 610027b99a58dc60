// The Frequency page's level slider (CVolumeSlider, as the pages have long called it; the
// system-volume slider of the Run In page is SystemVolumeSlider): a vertical trackbar with a
// decibel readout beside it.
#pragma once

#include <QSlider>

namespace quilbo {

// Positions 0 (top, full scale) to 20 (bottom). A left-button drag announces the position as
// "%4dDB" for the page's readout; keyboard and groove clicks move the thumb only.
class CVolumeSlider : public QSlider {
    Q_OBJECT

public:
    explicit CVolumeSlider(QWidget* parent = nullptr);
    ~CVolumeSlider() override;

    // Announces the readout for the current position.
    void updateReadout();

signals:
    void readoutChanged(const QString& text);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

}  // namespace quilbo
