// Level slider: the scale, and the readout written during a drag.
#include "LevelSlider.h"

#include "pages/LevelGain.h"

#include <QMouseEvent>

namespace quilbo {

CVolumeSlider::CVolumeSlider(QWidget* parent) : QSlider(Qt::Vertical, parent) {
    setRange(kLevelTop, kLevelBottom);
    setTickPosition(QSlider::TicksBothSides);
    setTickInterval(6);
    setSingleStep(1);
    setPageStep(6);
    // Position 0 is the loudest and sits at the top; the arrow keys move the thumb the way
    // they point.
    setInvertedAppearance(true);
    setInvertedControls(true);
    setValue(kLevelBottom);
}

CVolumeSlider::~CVolumeSlider() = default;

void CVolumeSlider::updateReadout() {
    emit readoutChanged(levelReadout(value()));
}

void CVolumeSlider::mouseMoveEvent(QMouseEvent* event) {
    // Only a plain left-button drag moves the thumb; the readout is taken after the motion is
    // applied so that the last readout of a drag matches the thumb.
    if (event->buttons() != Qt::LeftButton || event->modifiers() != Qt::NoModifier) {
        event->ignore();
        return;
    }
    QSlider::mouseMoveEvent(event);
    updateReadout();
}

}  // namespace quilbo

#include "moc_LevelSlider.cpp"
