// The plot widget: its state, the mapping between values and pixels, and the mouse.
#include "plot/PlotWidget.h"

#include <QLoggingCategory>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quilbo {

namespace {

Q_LOGGING_CATEGORY(lcPlot, "quilbo.plot", QtWarningMsg)

constexpr double kMinimumDrag = 4.0;  // pixels: a shorter drag along an axis does not zoom it
constexpr double kWheelStep = 0.8;    // the span kept per wheel notch

PlotAxis defaultAxis(Quantity quantity) {
    switch (quantity) {
        case Quantity::Frequency:
            return {AxisScale::Logarithmic, 20.0, 20000.0};
        case Quantity::Time:
            return {AxisScale::Linear, 0.0, 10.0};
        case Quantity::Level:
            return {AxisScale::Linear, -50.0, 10.0};
        case Quantity::Phase:
            return {AxisScale::Linear, -180.0, 180.0};
        case Quantity::Distortion:
            return {AxisScale::Linear, 0.0, 10.0};
        case Quantity::Amplitude:
            break;
    }
    return {AxisScale::Linear, -1.0, 1.0};
}

}  // namespace

PlotWidget::PlotWidget(QWidget* parent)
    : QWidget(parent),
      m_homeX(defaultAxis(Quantity::Frequency)),
      m_homeY(defaultAxis(Quantity::Level)),
      m_x(m_homeX),
      m_y(m_homeY) {
    setMouseTracking(true);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PlotWidget::setCurves(std::vector<PlotCurve> curves) {
    m_curves = std::move(curves);
    update();
}

void PlotWidget::addCurve(PlotCurve curve) {
    m_curves.push_back(std::move(curve));
    update();
}

void PlotWidget::clear() {
    m_curves.clear();
    update();
}

void PlotWidget::setXQuantity(Quantity quantity) {
    m_xQuantity = quantity;
    m_homeX = defaultAxis(quantity);
    showView(m_homeX, m_y);
}

void PlotWidget::setYQuantity(Quantity quantity) {
    m_yQuantity = quantity;
    m_homeY = defaultAxis(quantity);
    showView(m_x, m_homeY);
}

void PlotWidget::setXTitle(const QString& title) {
    m_xTitle = title;
    update();
}

void PlotWidget::setYTitle(const QString& title) {
    m_yTitle = title;
    update();
}

bool PlotWidget::setXRange(double from, double to) {
    PlotAxis axis = m_homeX;
    if (!axis.setRange(from, to)) {
        qCWarning(lcPlot) << "x range refused:" << from << "to" << to;
        return false;
    }
    m_homeX = axis;
    showView(m_homeX, m_y);
    return true;
}

bool PlotWidget::setYRange(double from, double to) {
    PlotAxis axis = m_homeY;
    if (!axis.setRange(from, to)) {
        qCWarning(lcPlot) << "y range refused:" << from << "to" << to;
        return false;
    }
    m_homeY = axis;
    showView(m_x, m_homeY);
    return true;
}

void PlotWidget::autoscale() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    double xLow = inf, xHigh = -inf, yLow = inf, yHigh = -inf;
    for (const PlotCurve& curve : m_curves) {
        const std::size_t count = curve.visible ? std::min(curve.x.size(), curve.y.size()) : 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (m_homeX.accepts(curve.x[i]) && m_homeY.accepts(curve.y[i])) {
                xLow = std::min(xLow, curve.x[i]);
                xHigh = std::max(xHigh, curve.x[i]);
                yLow = std::min(yLow, curve.y[i]);
                yHigh = std::max(yHigh, curve.y[i]);
            }
        }
    }
    if (xLow > xHigh) {
        return;  // no point to fit
    }
    m_homeX.setRange(xLow, xHigh);
    if (m_homeY.scale() == AxisScale::Logarithmic) {
        m_homeY.setRange(yLow, yHigh);
    } else {
        if (yLow == yHigh) {
            const double half = yLow != 0.0 ? std::abs(yLow) * 0.1 : 1.0;
            yLow -= half;
            yHigh += half;
        }
        const double span = yHigh - yLow;
        if (std::isfinite(span)) {
            const double step = PlotAxis::niceStep(span, 8);
            m_homeY.setRange(std::floor(yLow / step) * step, std::ceil(yHigh / step) * step);
        }
    }
    showView(m_homeX, m_homeY);
}

void PlotWidget::resetView() {
    showView(m_homeX, m_homeY);
}

void PlotWidget::showView(const PlotAxis& x, const PlotAxis& y) {
    m_x = x;
    m_y = y;
    update();
    emit viewChanged();
}

void PlotWidget::setInfoText(const QString& text) {
    m_infoText = text;
    update();
}

int PlotWidget::maxTicks(Qt::Orientation axis, double length) const {
    const QFontMetricsF metrics(font());
    const double spacing = axis == Qt::Vertical ? metrics.height() * 2.2
                           : m_x.scale() == AxisScale::Logarithmic
                               ? metrics.horizontalAdvance(QStringLiteral("20k")) + 14
                               : metrics.horizontalAdvance(QStringLiteral("-88.88")) + 20;
    const double count = length / spacing;
    return std::isfinite(count) ? static_cast<int>(std::clamp(count, 2.0, 1000.0)) : 2;
}

QMarginsF PlotWidget::verticalMargins() const {
    const double line = QFontMetricsF(font()).height();
    const double top = (m_infoText.isEmpty() ? 0.0 : line + 6) + line / 2 + 4;
    return {0.0, top, 0.0, 2 * line + 10};
}

int PlotWidget::yTickCount() const {
    const QMarginsF margins = verticalMargins();
    return maxTicks(Qt::Vertical, height() - margins.top() - margins.bottom());
}

QRectF PlotWidget::plotArea() const {
    const QFontMetricsF metrics(font());
    const QMarginsF margins = verticalMargins();
    double widest = 0.0;
    for (const PlotTick& tick : m_y.ticks(yTickCount())) {
        if (tick.major) {
            widest =
                std::max(widest, metrics.horizontalAdvance(tickLabel(Qt::Vertical, tick.value)));
        }
    }
    const double left = widest + metrics.height() + 12;
    const double right = metrics.horizontalAdvance(QStringLiteral("20k")) / 2 + 10;
    return {left, margins.top(), std::max(1.0, width() - left - right),
            std::max(1.0, height() - margins.top() - margins.bottom())};
}

double PlotWidget::xToPixel(double x) const {
    const QRectF area = plotArea();
    return area.left() + m_x.fraction(x) * area.width();
}

double PlotWidget::pixelToX(double pixel) const {
    const QRectF area = plotArea();
    return m_x.valueAt((pixel - area.left()) / area.width());
}

double PlotWidget::yToPixel(double y) const {
    const QRectF area = plotArea();
    return area.bottom() - m_y.fraction(y) * area.height();
}

double PlotWidget::pixelToY(double pixel) const {
    const QRectF area = plotArea();
    return m_y.valueAt((area.bottom() - pixel) / area.height());
}

int PlotWidget::xTickCount() const {
    return maxTicks(Qt::Horizontal, plotArea().width());
}

std::vector<PlotTick> PlotWidget::ticks(Qt::Orientation axis) const {
    return axis == Qt::Horizontal ? m_x.ticks(xTickCount()) : m_y.ticks(yTickCount());
}

QString PlotWidget::tickLabel(Qt::Orientation axis, double value) const {
    if (axis == Qt::Horizontal) {
        return PlotFormat::tickLabel(m_xQuantity, value, m_x.majorStep(xTickCount()));
    }
    return PlotFormat::tickLabel(m_yQuantity, value, m_y.majorStep(yTickCount()));
}

QString PlotWidget::readoutText(QPointF position) const {
    const QRectF area = plotArea();
    if (!area.contains(position)) {
        return {};
    }
    const double x = pixelToX(position.x());
    QString text = PlotFormat::point(PlotFormat::value(m_xQuantity, x),
                                     PlotFormat::value(m_yQuantity, pixelToY(position.y())));
    const PlotCurve* nearest = nullptr;
    double nearestValue = 0.0;
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (const PlotCurve& curve : m_curves) {
        const double value = curve.visible
                                 ? curveValueAt(curve, x, m_x.scale() == AxisScale::Logarithmic)
                                 : std::numeric_limits<double>::quiet_NaN();
        const double distance = std::abs(yToPixel(value) - position.y());
        if (distance < nearestDistance) {
            nearest = &curve;
            nearestValue = value;
            nearestDistance = distance;
        }
    }
    if (nearest) {
        text += QLatin1Char('\n') +
                PlotFormat::curveValue(nearest->name, PlotFormat::value(m_yQuantity, nearestValue));
    }
    return text;
}

QString PlotWidget::xAxisTitle() const {
    return PlotFormat::axisTitle(m_xTitle.isEmpty() ? PlotFormat::title(m_xQuantity) : m_xTitle,
                                 m_xQuantity);
}

QString PlotWidget::yAxisTitle() const {
    return PlotFormat::axisTitle(m_yTitle.isEmpty() ? PlotFormat::title(m_yQuantity) : m_yTitle,
                                 m_yQuantity);
}

QSize PlotWidget::sizeHint() const {
    return {560, 340};
}

QSize PlotWidget::minimumSizeHint() const {
    return {220, 140};
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && plotArea().contains(event->position())) {
        m_dragStart = event->position();
        m_dragEnd = event->position();
    }
    QWidget::mousePressEvent(event);
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
    m_pointer = event->position();
    if (m_dragStart) {
        m_dragEnd = event->position();
    }
    update();
    QWidget::mouseMoveEvent(event);
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragStart) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QRectF chosen = QRectF(*m_dragStart, event->position()).normalized() & plotArea();
    m_dragStart.reset();
    PlotAxis x = m_x;
    PlotAxis y = m_y;
    const bool zoomX = chosen.width() >= kMinimumDrag;
    const bool zoomY = chosen.height() >= kMinimumDrag;
    // Past the smallest span an axis takes, setRange refuses and that axis stays.
    if (zoomX) {
        x.setRange(pixelToX(chosen.left()), pixelToX(chosen.right()));
    }
    if (zoomY) {
        y.setRange(pixelToY(chosen.bottom()), pixelToY(chosen.top()));
    }
    if (zoomX || zoomY) {
        showView(x, y);
    } else {
        update();
    }
}

void PlotWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragStart.reset();
        resetView();
    }
}

void PlotWidget::wheelEvent(QWheelEvent* event) {
    const QRectF area = plotArea();
    const QPointF at = event->position();
    // Some platforms turn a Shift+wheel into a horizontal one.
    const int delta =
        event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (!area.contains(at) || delta == 0) {
        event->ignore();
        return;
    }
    const double factor = std::pow(kWheelStep, delta / 120.0);
    PlotAxis x = m_x;
    PlotAxis y = m_y;
    if (!(event->modifiers() & Qt::ControlModifier)) {
        x.zoom(factor, (at.x() - area.left()) / area.width());
    }
    if (!(event->modifiers() & Qt::ShiftModifier)) {
        y.zoom(factor, (area.bottom() - at.y()) / area.height());
    }
    showView(x, y);
    event->accept();
}

void PlotWidget::leaveEvent(QEvent* event) {
    m_pointer.reset();
    update();
    QWidget::leaveEvent(event);
}

void PlotWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange || event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::FontChange) {
        update();
    }
    QWidget::changeEvent(event);
}

}  // namespace quilbo

#include "moc_PlotWidget.cpp"
