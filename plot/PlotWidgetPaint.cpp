// The plot widget's painting: grid and labels, curves, legend, the zoom rectangle and the readout.
#include "plot/PlotPath.h"
#include "plot/PlotWidget.h"

#include <QPainter>

#include <algorithm>

namespace quilbo {

namespace {

QColor mix(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(a.redF() * share + b.redF() * (1 - share),
                            a.greenF() * share + b.greenF() * (1 - share),
                            a.blueF() * share + b.blueF() * (1 - share));
}

QPen cosmeticPen(const QColor& colour) {
    QPen pen(colour, 1.0);
    pen.setCosmetic(true);
    return pen;
}

}  // namespace

void PlotWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRectF area = plotArea();
    const QPalette& colours = palette();
    painter.fillRect(area, colours.color(QPalette::Base));
    painter.setPen(colours.color(QPalette::WindowText));
    if (!m_infoText.isEmpty()) {
        painter.drawText(QRectF(area.left(), 2, area.width(), area.top()),
                         Qt::AlignLeft | Qt::AlignTop, m_infoText);
    }
    drawGrid(painter, area);
    drawCurves(painter, area);
    drawLegend(painter, area);
    if (m_dragStart) {
        const QColor highlight = colours.color(QPalette::Highlight);
        QColor fill = highlight;
        fill.setAlphaF(0.2);
        painter.setPen(cosmeticPen(highlight));
        painter.setBrush(fill);
        painter.drawRect(QRectF(*m_dragStart, m_dragEnd).normalized() & area);
    }
    drawReadout(painter, area);
}

void PlotWidget::drawGrid(QPainter& painter, const QRectF& area) const {
    const QPalette& colours = palette();
    const QColor text = colours.color(QPalette::Text);
    const QColor base = colours.color(QPalette::Base);
    const QPen majorPen = cosmeticPen(mix(text, base, 0.3));
    const QPen minorPen = cosmeticPen(mix(text, base, 0.13));
    const QPen labelPen = cosmeticPen(colours.color(QPalette::WindowText));
    const QFontMetricsF metrics(font());
    const double line = metrics.height();
    for (const PlotTick& tick : ticks(Qt::Horizontal)) {
        const double x = xToPixel(tick.value);
        painter.setPen(tick.major ? majorPen : minorPen);
        painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        if (tick.major) {
            painter.setPen(labelPen);
            painter.drawText(QRectF(x - 50, area.bottom() + 3, 100, line), Qt::AlignHCenter,
                             tickLabel(Qt::Horizontal, tick.value));
        }
    }
    for (const PlotTick& tick : ticks(Qt::Vertical)) {
        const double y = yToPixel(tick.value);
        painter.setPen(tick.major ? majorPen : minorPen);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        if (tick.major) {
            painter.setPen(labelPen);
            painter.drawText(QRectF(0, y - line / 2, area.left() - 5, line),
                             Qt::AlignRight | Qt::AlignVCenter,
                             tickLabel(Qt::Vertical, tick.value));
        }
    }
    painter.setPen(cosmeticPen(colours.color(QPalette::Mid)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    painter.setPen(labelPen);
    painter.drawText(QRectF(area.left(), area.bottom() + line + 5, area.width(), line),
                     Qt::AlignHCenter, xAxisTitle());
    painter.save();
    painter.translate(2, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-area.height() / 2, 0, area.height(), line), Qt::AlignHCenter,
                     yAxisTitle());
    painter.restore();
}

void PlotWidget::drawCurves(QPainter& painter, const QRectF& area) const {
    painter.save();
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    std::vector<QPointF> points;
    for (std::size_t place = 0; place < m_curves.size(); ++place) {
        const PlotCurve& curve = m_curves[place];
        if (!curve.visible) {
            continue;
        }
        const std::size_t count = std::min(curve.x.size(), curve.y.size());
        points.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            points[i] = {area.left() + m_x.fraction(curve.x[i]) * area.width(),
                         area.bottom() - m_y.fraction(curve.y[i]) * area.height()};
        }
        const QPainterPath path = plotPath(points, area.adjusted(-2, -2, 2, 2));
        // Qt strokes a pen wider than a device pixel through a slow general path that takes
        // seconds over the zigzags of a dense curve (an impulse response, several points to a
        // pixel); a one-pixel cosmetic pen has a fast path, and the zigzags read as a band.
        const double ratio = painter.device()->devicePixelRatioF();
        const bool dense = path.elementCount() > 2 * area.width() * ratio;
        QPen pen = curvePen(curve, static_cast<int>(place), palette(), ratio);
        if (dense) {
            pen.setWidthF(1.0);
        }
        painter.setPen(pen);
        painter.drawPath(path);
    }
    painter.restore();
}

void PlotWidget::drawLegend(QPainter& painter, const QRectF& area) const {
    const QFontMetricsF metrics(font());
    const double line = metrics.height();
    double widest = 0.0;
    int rows = 0;
    for (const PlotCurve& curve : m_curves) {
        if (curve.visible && !curve.name.isEmpty()) {
            widest = std::max(widest, metrics.horizontalAdvance(curve.name));
            ++rows;
        }
    }
    if (rows == 0) {
        return;
    }
    const QRectF box(area.left() + 4, area.top() + 4, widest + 44, rows * line + 6);
    QColor base = palette().color(QPalette::Base);
    base.setAlphaF(0.85);
    painter.fillRect(box, base);
    painter.setRenderHint(QPainter::Antialiasing);
    double y = box.top() + 3 + line / 2;
    for (std::size_t place = 0; place < m_curves.size(); ++place) {
        const PlotCurve& curve = m_curves[place];
        if (!curve.visible || curve.name.isEmpty()) {
            continue;
        }
        painter.setPen(curvePen(curve, static_cast<int>(place), palette(),
                                painter.device()->devicePixelRatioF()));
        painter.drawLine(QPointF(box.left() + 5, y), QPointF(box.left() + 33, y));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRectF(box.left() + 38, y - line / 2, widest + 4, line),
                         Qt::AlignLeft | Qt::AlignVCenter, curve.name);
        y += line;
    }
}

void PlotWidget::drawReadout(QPainter& painter, const QRectF& area) const {
    if (!m_pointer) {
        return;
    }
    const QString text = readoutText(*m_pointer);
    if (text.isEmpty()) {
        return;
    }
    const QFontMetricsF metrics(font());
    const QSizeF size = metrics.size(0, text) + QSizeF(10, 6);
    const QRectF box(area.right() - size.width() - 4, area.top() + 4, size.width(), size.height());
    QColor base = palette().color(QPalette::Base);
    base.setAlphaF(0.85);
    painter.fillRect(box, base);
    painter.setPen(cosmeticPen(palette().color(QPalette::Mid)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(box.adjusted(5, 3, -5, -3), Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace quilbo
