// TabPane: placement of the tab bar and painting of the pane frame, with the style's own tab
// widget measures so that the strip and the pane join as in a QTabWidget.
#include "app/TabPane.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

namespace quilbo {

namespace {

QStyleOptionTabWidgetFrame frameOption(const QWidget* pane, const QTabBar* tabBar,
                                       const QRect& rect) {
    QStyleOptionTabWidgetFrame option;
    option.initFrom(pane);
    option.rect = rect;
    option.lineWidth = pane->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, pane);
    option.shape = QTabBar::RoundedNorth;
    QSize tabBarSize = tabBar->sizeHint();
    tabBarSize.setWidth(qMin(tabBarSize.width(), rect.width()));
    option.tabBarSize = tabBarSize;
    option.tabBarRect = tabBar->geometry();
    QRect selected = tabBar->tabRect(tabBar->currentIndex());
    selected.translate(tabBar->pos());
    option.selectedTabRect = selected;
    return option;
}

}  // namespace

TabPane::TabPane(QWidget* parent) : QWidget(parent), m_tabBar(new QTabBar(this)) {
    // The pane draws the line under the tabs as part of its frame.
    m_tabBar->setDrawBase(false);
    m_tabBar->setExpanding(false);
    arrange();
}

int TabPane::addTab(const QString& text) {
    const int index = m_tabBar->addTab(text);
    arrange();
    return index;
}

void TabPane::setTabText(int index, const QString& text) {
    m_tabBar->setTabText(index, text);
    arrange();
}

QSize TabPane::sizeHint() const {
    return QWidget::sizeHint().expandedTo(QSize(m_tabBar->sizeHint().width(), 0));
}

QSize TabPane::minimumSizeHint() const {
    return QWidget::minimumSizeHint().expandedTo(QSize(m_tabBar->sizeHint().width(), 0));
}

void TabPane::arrange() {
    const QRect area = rect().isValid() ? rect() : QRect(0, 0, 1000, 1000);
    const QStyleOptionTabWidgetFrame option = frameOption(this, m_tabBar, area);
    const QRect bar = style()->subElementRect(QStyle::SE_TabWidgetTabBar, &option, this);
    const QRect contents = style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this);
    m_tabBar->setGeometry(bar);
    const QMargins margins(contents.left() - area.left(), contents.top() - area.top(),
                           area.right() - contents.right(), area.bottom() - contents.bottom());
    if (margins != contentsMargins()) {
        setContentsMargins(margins);
        updateGeometry();
    }
}

void TabPane::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame option = frameOption(this, m_tabBar, rect());
    option.rect = style()->subElementRect(QStyle::SE_TabWidgetTabPane, &option, this);
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}

void TabPane::resizeEvent(QResizeEvent* event) {
    arrange();
    QWidget::resizeEvent(event);
}

void TabPane::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        arrange();
    }
    QWidget::changeEvent(event);
}

}  // namespace quilbo

#include "moc_TabPane.cpp"
