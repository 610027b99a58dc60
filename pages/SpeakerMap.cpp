// The speaker map: button placement around the listener, the lit speakers' glow and the head.
#include "pages/SpeakerMap.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <numbers>

namespace quilbo {

namespace {

// Where each channel's speaker stands, as fractions of the map from its top left corner. The
// rears sit behind the listener, the low-frequency speaker off to the front right as a
// subwoofer usually does.
constexpr std::array<QPointF, 6> kPlaces = {
    QPointF(0.18, 0.16), QPointF(0.82, 0.16), QPointF(0.14, 0.86),
    QPointF(0.86, 0.86), QPointF(0.50, 0.08), QPointF(0.86, 0.46),
};
constexpr QPointF kListener(0.5, 0.52);
constexpr int kGlow = 4;

}  // namespace

SpeakerMap::SpeakerMap(QWidget* parent) : QWidget(parent) {
    setChannelCount(2);
}

void SpeakerMap::setChannelCount(int channels) {
    channels = std::clamp(channels, 0, static_cast<int>(kPlaces.size()));
    while (channelCount() > channels) {
        delete m_buttons.back();
        m_buttons.pop_back();
    }
    while (channelCount() < channels) {
        const int channel = channelCount();
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("speaker_%1").arg(channel));
        button->setCheckable(true);
        button->setAutoDefault(false);
        // The owner decides what is lit: a click alone changes nothing on the button.
        connect(button, &QPushButton::clicked, this, [this, channel, button] {
            button->setChecked(!button->isChecked());
            emit speakerClicked(channel);
        });
        button->show();
        m_buttons.push_back(button);
    }
    retranslate();
    update();
}

QAbstractButton* SpeakerMap::speakerButton(int channel) const {
    return channel >= 0 && channel < channelCount() ? m_buttons[static_cast<std::size_t>(channel)]
                                                    : nullptr;
}

void SpeakerMap::setLit(const std::vector<int>& channels) {
    for (int channel = 0; channel < channelCount(); ++channel) {
        m_buttons[static_cast<std::size_t>(channel)]->setChecked(
            std::find(channels.begin(), channels.end(), channel) != channels.end());
    }
    update();
}

bool SpeakerMap::isLit(int channel) const {
    const QAbstractButton* button = speakerButton(channel);
    return button != nullptr && button->isChecked();
}

QSize SpeakerMap::sizeHint() const {
    return {340, 250};
}

QSize SpeakerMap::minimumSizeHint() const {
    return {300, 220};
}

void SpeakerMap::arrange() {
    for (std::size_t channel = 0; channel < m_buttons.size(); ++channel) {
        QPushButton* button = m_buttons[channel];
        const QSize size = button->sizeHint();
        const QPointF place(kPlaces[channel].x() * width(), kPlaces[channel].y() * height());
        QRect rect(QPoint(0, 0), size);
        rect.moveCenter(place.toPoint());
        // Inside the map, glow included.
        rect.moveLeft(
            std::clamp(rect.left(), kGlow, std::max(kGlow, width() - kGlow - size.width())));
        rect.moveTop(
            std::clamp(rect.top(), kGlow, std::max(kGlow, height() - kGlow - size.height())));
        button->setGeometry(rect);
    }
}

void SpeakerMap::retranslate() {
    for (std::size_t channel = 0; channel < m_buttons.size(); ++channel) {
        m_buttons[channel]->setText(speakerName(static_cast<int>(channel)));
    }
    arrange();
}

void SpeakerMap::resizeEvent(QResizeEvent* event) {
    arrange();
    QWidget::resizeEvent(event);
}

void SpeakerMap::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
    } else if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        arrange();
    }
    QWidget::changeEvent(event);
}

void SpeakerMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF listener(kListener.x() * width(), kListener.y() * height());
    const double head = std::min(width(), height()) * 0.07;

    // The sound's way from each speaker to the listener, strong for a lit one.
    for (QPushButton* button : m_buttons) {
        QColor line = palette().color(QPalette::Mid);
        if (button->isChecked()) {
            line = palette().color(QPalette::Highlight);
            painter.setPen(Qt::NoPen);
            painter.setBrush(line);
            painter.drawRoundedRect(button->geometry().adjusted(-kGlow, -kGlow, kGlow, kGlow), 6,
                                    6);
        }
        painter.setPen(QPen(line, button->isChecked() ? 2.0 : 1.0, Qt::DashLine));
        painter.drawLine(QLineF(button->geometry().center(), listener));
    }

    // The listener's head from above, the nose pointing to the front.
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1.5));
    painter.setBrush(palette().color(QPalette::Base));
    QPainterPath nose;
    nose.moveTo(listener + QPointF(-head * 0.35, -head * 0.85));
    nose.lineTo(listener + QPointF(0, -head * 1.35));
    nose.lineTo(listener + QPointF(head * 0.35, -head * 0.85));
    painter.drawPath(nose);
    painter.drawEllipse(listener, head, head);
    painter.drawEllipse(listener + QPointF(-head, 0), head * 0.18, head * 0.32);
    painter.drawEllipse(listener + QPointF(head, 0), head * 0.18, head * 0.32);
}

}  // namespace quilbo

#include "moc_SpeakerMap.cpp"
