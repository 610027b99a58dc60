// A plot of curves over a frequency (logarithmic) or time axis, drawn with QPainter: grid,
// labels, legend, a readout at the pointer and zooming with the mouse.
#pragma once

#include "plot/PlotAxis.h"
#include "plot/PlotCurve.h"
#include "plot/PlotFormat.h"

#include <QMargins>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

namespace quilbo {

// The mouse: drag a rectangle with the left button to zoom into it (a drag along one axis only
// zooms that axis); the wheel zooms around the pointer, both axes, or x alone with Shift and y
// alone with Ctrl; a double-click goes back to the full view (the ranges last set, or autoscale).
// Values no axis can show (NaN, infinite, x <= 0 on a log axis) break a curve's line.
class PlotWidget : public QWidget {
    Q_OBJECT

public:
    explicit PlotWidget(QWidget* parent = nullptr);

    void setCurves(std::vector<PlotCurve> curves);
    void addCurve(PlotCurve curve);
    void clear();
    const std::vector<PlotCurve>& curves() const { return m_curves; }

    // A Frequency x axis is logarithmic from 20 Hz to 20 kHz, any other linear over its default
    // range; the full view and the zoom go back to that range.
    void setXQuantity(Quantity quantity);
    void setYQuantity(Quantity quantity);
    Quantity xQuantity() const { return m_xQuantity; }
    Quantity yQuantity() const { return m_yQuantity; }
    // Titles in place of the quantities' own ("Frequency", "Level"...); empty restores them.
    void setXTitle(const QString& title);
    void setYTitle(const QString& title);

    // Set the full view and show it; false (with a warning, nothing changed) for a range the
    // axis cannot show (see PlotAxis::setRange).
    bool setXRange(double from, double to);
    bool setYRange(double from, double to);
    // The full view fitted to the visible curves' data (y widened to whole grid steps); leaves
    // an axis alone where there is nothing to fit.
    void autoscale();
    // Back to the full view.
    void resetView();
    // The ranges shown now.
    const PlotAxis& xAxis() const { return m_x; }
    const PlotAxis& yAxis() const { return m_y; }

    // A line of text above the plot, e.g. "delay 2.35 ms, polarity normal".
    void setInfoText(const QString& text);
    QString infoText() const { return m_infoText; }

    // The rectangle the curves are drawn in, in widget coordinates.
    QRectF plotArea() const;
    double xToPixel(double x) const;
    double pixelToX(double pixel) const;
    double yToPixel(double y) const;
    double pixelToY(double pixel) const;
    // The grid lines of an axis as drawn now, and a labelled line's text.
    std::vector<PlotTick> ticks(Qt::Orientation axis) const;
    QString tickLabel(Qt::Orientation axis, double value) const;
    // What the readout shows with the pointer at position: its x and y, and on a second line
    // the nearest visible curve's value at that x. Empty outside the plot area.
    QString readoutText(QPointF position) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The ranges shown changed (a zoom, a reset, a new range).
    void viewChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int maxTicks(Qt::Orientation axis, double length) const;
    // The room above and below the plot area (the info line, the x labels and title); the
    // height, and so the y grid, does not depend on the labels' width beside it.
    QMarginsF verticalMargins() const;
    int xTickCount() const;
    int yTickCount() const;
    QString xAxisTitle() const;
    QString yAxisTitle() const;
    void showView(const PlotAxis& x, const PlotAxis& y);
    void drawGrid(QPainter& painter, const QRectF& area) const;
    void drawCurves(QPainter& painter, const QRectF& area) const;
    void drawLegend(QPainter& painter, const QRectF& area) const;
    void drawReadout(QPainter& painter, const QRectF& area) const;

    std::vector<PlotCurve> m_curves;
    Quantity m_xQuantity = Quantity::Frequency;
    Quantity m_yQuantity = Quantity::Level;
    QString m_xTitle;
    QString m_yTitle;
    PlotAxis m_homeX;
    PlotAxis m_homeY;
    PlotAxis m_x;
    PlotAxis m_y;
    QString m_infoText;
    std::optional<QPointF> m_pointer;
    std::optional<QPointF> m_dragStart;
    QPointF m_dragEnd;
};

}  // namespace quilbo
