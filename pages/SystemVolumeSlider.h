// The Run In page's system-volume slider: a trackbar that says when the mouse lets it go.
#pragma once

#include <QSlider>

namespace quilbo {

// Positions are set from the system volume by the page. The page writes the volume only when
// the mouse releases the slider, after a drag or a click on the groove alike; keys and the
// wheel move the thumb without writing anything.
class SystemVolumeSlider : public QSlider {
    Q_OBJECT

public:
    explicit SystemVolumeSlider(QWidget* parent = nullptr);

signals:
    // The slider's own handling of the release has run, so value() is where the mouse left it.
    void releasedCapture();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace quilbo
