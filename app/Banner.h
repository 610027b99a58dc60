// Banner: a picture in a sunken frame that may be wider than the picture; the picture's outermost
// columns are stretched over the spare room, so that a banner reads as one strip at any width.
#pragma once

#include <QFrame>
#include <QPixmap>

namespace quilbo {

// Takes no mouse input of its own: clicks reach the window that holds it.
class Banner : public QFrame {
    Q_OBJECT

public:
    explicit Banner(QWidget* parent = nullptr);

    // Where the picture sits across the banner: left, or centred (the default).
    void setPicture(const QPixmap& picture, Qt::Alignment alignment = Qt::AlignHCenter);
    const QPixmap& picture() const { return m_picture; }
    // The picture's place inside the banner.
    QRect pictureRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
};

}  // namespace quilbo
