// TabPane: a tab strip above a framed pane, drawn as the platform draws a tab widget, while the
// pages inside stay the owner's business (the owner shows and hides them itself).
#pragma once

#include <QWidget>

class QTabBar;

namespace quilbo {

// The pane's own layout (set by the owner) fills the area below the tabs, inside the frame. The
// tab bar sends its selection changes; nothing in the pane changes by itself.
class TabPane : public QWidget {
    Q_OBJECT

public:
    explicit TabPane(QWidget* parent = nullptr);

    QTabBar* tabBar() const { return m_tabBar; }
    int addTab(const QString& text);
    void setTabText(int index, const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Places the tab bar and reserves its room (and the frame's) as contents margins.
    void arrange();

    QTabBar* m_tabBar;
};

}  // namespace quilbo
