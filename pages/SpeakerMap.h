// The speakers of a check layout drawn around the listener, one button each.
#pragma once

#include "pages/SpeakerNames.h"

#include <QWidget>

#include <vector>

class QAbstractButton;
class QPushButton;

namespace quilbo {

// The listener sits in the middle, facing up; each speaker is a button at its place in the room.
// A click on one asks for that channel (speakerClicked); the owner says which speakers are lit.
class SpeakerMap : public QWidget {
    Q_OBJECT

public:
    explicit SpeakerMap(QWidget* parent = nullptr);

    // One button per channel, in channel order: front left, front right, rear left, rear right,
    // centre, low frequency (the first two, four or six).
    void setChannelCount(int channels);
    int channelCount() const { return static_cast<int>(m_buttons.size()); }
    QAbstractButton* speakerButton(int channel) const;
    // Lights exactly the given channels.
    void setLit(const std::vector<int>& channels);
    bool isLit(int channel) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void speakerClicked(int channel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void arrange();
    void retranslate();

    std::vector<QPushButton*> m_buttons;
};

}  // namespace quilbo
