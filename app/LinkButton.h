// CLinkButton: a push button that looks like a flat text link (grey caption on white).
#pragma once

#include <QPushButton>

namespace quilbo {

class CLinkButton : public QPushButton {
    Q_OBJECT

public:
    explicit CLinkButton(QWidget* parent = nullptr);
    explicit CLinkButton(const QString& caption, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // Paints the whole button itself: the platform's button face never shows.
    void paintEvent(QPaintEvent* event) override;
    // Sets the hand cursor; Qt shows it only while the pointer is over the button.
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Draws the pressed or the focus frame on the outermost pixels, according to the state.
    void DrawItem(QPainter& painter) const;
};

}  // namespace quilbo
