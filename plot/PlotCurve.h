// A curve of a plot, its look (the Okabe-Ito colours and a dash pattern per place, so that curves
// differ without colour), and its value between its points.
#pragma once

#include <QColor>
#include <QPen>
#include <QString>

#include <vector>

class QPalette;

namespace quilbo {

struct PlotCurve {
    QString name;
    QColor colour;  // an invalid colour takes the palette's colour for the curve's style index
    std::vector<double> x;
    std::vector<double> y;  // pairs with x; points past the shorter of the two are ignored
    bool visible = true;
    int styleIndex = -1;  // colour and dash pattern; -1 takes the curve's place in the plot
};

// The number of colours before they repeat; the dash patterns repeat at another count, so that
// the pair repeats only after their product.
inline constexpr int kPlotColours = 8;

// Okabe-Ito: black (light grey on a dark base), orange, sky blue, bluish green, yellow, blue,
// vermillion, reddish purple.
QColor plotColour(int styleIndex, const QPalette& palette);
// The pen of a curve at the given place: cosmetic, 1.5 pixels wide at 1x (deviceRatio scales it),
// solid for the first and dashed after.
QPen curvePen(const PlotCurve& curve, int place, const QPalette& palette, double deviceRatio);

// The curve's y at x, interpolated between the two points around x (in log x when logX); NaN
// where x lies outside the curve, or next to a missing point (NaN, infinite, x <= 0 on log).
double curveValueAt(const PlotCurve& curve, double x, bool logX);

}  // namespace quilbo
