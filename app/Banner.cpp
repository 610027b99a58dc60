// Banner painting: the frame, the picture, and its edge columns stretched to either side.
#include "app/Banner.h"

#include <QPainter>

namespace quilbo {

Banner::Banner(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void Banner::setPicture(const QPixmap& picture, Qt::Alignment alignment) {
    m_picture = picture;
    m_alignment = alignment;
    updateGeometry();
    update();
}

QRect Banner::pictureRect() const {
    const QRect area = contentsRect();
    const QSize size = m_picture.deviceIndependentSize().toSize();
    const int x = (m_alignment & Qt::AlignLeft) ? area.left()
                                                : area.left() + (area.width() - size.width()) / 2;
    return QRect(QPoint(x, area.top() + (area.height() - size.height()) / 2), size);
}

QSize Banner::sizeHint() const {
    const int frame = 2 * frameWidth();
    return m_picture.deviceIndependentSize().toSize() + QSize(frame, frame);
}

QSize Banner::minimumSizeHint() const {
    return sizeHint();
}

void Banner::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_picture.isNull()) {
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect();
    const QRect place = pictureRect();
    const int height = m_picture.height();
    const int lastColumn = m_picture.width() - 1;
    if (place.left() > area.left()) {
        painter.drawPixmap(
            QRect(area.left(), place.top(), place.left() - area.left(), place.height()), m_picture,
            QRect(0, 0, 1, height));
    }
    if (place.right() < area.right()) {
        painter.drawPixmap(
            QRect(place.right() + 1, place.top(), area.right() - place.right(), place.height()),
            m_picture, QRect(lastColumn, 0, 1, height));
    }
    painter.drawPixmap(place, m_picture);
}

}  // namespace quilbo

#include "moc_Banner.cpp"
