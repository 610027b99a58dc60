// CLinkButton painting: white background, grey caption at (5, 2), a thin sunken frame only while
// the button is pressed and has the keyboard focus.
#include "app/LinkButton.h"

#include <QMouseEvent>
#include <QPainter>

namespace quilbo {

namespace {
const QColor kBackground(255, 255, 255);
const QColor kCaption(0x88, 0x88, 0x88);
const QColor kFrameTopLeft(0, 0, 0);
const QColor kFrameBottomRight(255, 255, 255);
constexpr int kCaptionX = 5;
constexpr int kCaptionY = 2;

// A one-pixel three-dimensional frame: the top row and left column (without their last pixel)
// in one colour, the right column and bottom row in the other.
void drawFrame(QPainter& painter, const QRect& r, const QColor& topLeft,
               const QColor& bottomRight) {
    const int w = r.width();
    const int h = r.height();
    if (w <= 0 || h <= 0) {
        return;
    }
    painter.fillRect(r.x(), r.y(), w - 1, 1, topLeft);
    painter.fillRect(r.x(), r.y(), 1, h - 1, topLeft);
    painter.fillRect(r.x() + w - 1, r.y(), 1, h, bottomRight);
    painter.fillRect(r.x(), r.y() + h - 1, w, 1, bottomRight);
}
}  // namespace

CLinkButton::CLinkButton(QWidget* parent) : QPushButton(parent) {
    // Move events must arrive with no button held, or the hand would appear only while dragging.
    setMouseTracking(true);
}

CLinkButton::CLinkButton(const QString& caption, QWidget* parent) : CLinkButton(parent) {
    setText(caption);
}

QSize CLinkButton::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return QSize(kCaptionX * 2 + metrics.horizontalAdvance(text()),
                 kCaptionY * 2 + metrics.height());
}

QSize CLinkButton::minimumSizeHint() const {
    return sizeHint();
}

void CLinkButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    // Disabled or not, the caption is the same grey: the button never greys itself out.
    painter.setPen(kCaption);
    painter.drawText(QPoint(kCaptionX, kCaptionY + painter.fontMetrics().ascent()), text());
    DrawItem(painter);
}

void CLinkButton::DrawItem(QPainter& painter) const {
    // Only the exact states count: pressed with the focus, or the focus alone. A disabled button
    // or a press without the focus draws no frame.
    if (!isEnabled() || !hasFocus()) {
        return;
    }
    if (isDown()) {
        drawFrame(painter, rect(), kFrameTopLeft, kFrameBottomRight);
    } else {
        drawFrame(painter, rect(), kFrameBottomRight, kFrameBottomRight);
    }
}

void CLinkButton::mouseMoveEvent(QMouseEvent* event) {
    setCursor(Qt::PointingHandCursor);
    QPushButton::mouseMoveEvent(event);
}

}  // namespace quilbo

#include "moc_LinkButton.cpp"
