// The Run In page's system-volume slider.
#include "SystemVolumeSlider.h"

#include <QMouseEvent>

namespace quilbo {

SystemVolumeSlider::SystemVolumeSlider(QWidget* parent) : QSlider(Qt::Vertical, parent) {}

void SystemVolumeSlider::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    // A release reaches the widget that took the press; the buttons a slider reacts to are the
    // left one (drag, groove step) and the middle one (jump to the pointer).
    if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton) {
        emit releasedCapture();
    }
}

}  // namespace quilbo

#include "moc_SystemVolumeSlider.cpp"
