// The Frequency page's level slider (CVolumeSlider, as the pages have long called it; the
// system-volume slider of the Run In page is SystemVolumeSlider): a vertical trackbar with a
// decibel readout beside it.
#pragma once

#include <QSlider>

namespace quilbo {

class CFrequencyPage;

// Positions 0 (top, full scale) to 20 (bottom). A left-button drag writes the position as
// "%4dDB" into the owner's readout; keyboard and groove clicks move the thumb only.
class CVolumeSlider : public QSlider {
    Q_OBJECT

public:
    explicit CVolumeSlider(QWidget* parent = nullptr);
    ~CVolumeSlider() override;

    // The page that holds the slider; set by the page's initialisation.
    CFrequencyPage* m_pOwner = nullptr;

    // Writes the readout for the current position into the owner's readout control.
    void updateReadout();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

}  // namespace quilbo
