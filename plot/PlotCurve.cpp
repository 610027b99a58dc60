// Curve colours, dash patterns and interpolation.
#include "plot/PlotCurve.h"

#include <QPalette>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace quilbo {

namespace {

bool usable(double x, double y, bool logX) {
    return std::isfinite(x) && std::isfinite(y) && (!logX || x > 0.0);
}

}  // namespace

QColor plotColour(int styleIndex, const QPalette& palette) {
    static constexpr std::array<QRgb, kPlotColours> okabeIto = {
        0x000000, 0xE69F00, 0x56B4E9, 0x009E73, 0xF0E442, 0x0072B2, 0xD55E00, 0xCC79A7};
    const int slot = ((styleIndex % kPlotColours) + kPlotColours) % kPlotColours;
    if (slot == 0 && palette.color(QPalette::Base).lightness() < 128) {
        return QColor(0xE0, 0xE0, 0xE0);
    }
    return QColor::fromRgb(okabeIto[slot]);
}

QPen curvePen(const PlotCurve& curve, int place, const QPalette& palette, double deviceRatio) {
    // Dash and gap lengths in pen widths; six patterns against eight colours.
    static const std::array<QList<qreal>, 6> dashes = {
        QList<qreal>{}, {6, 3}, {1.5, 2.5}, {8, 3, 1.5, 3}, {3, 3}, {8, 3, 1.5, 3, 1.5, 3}};
    const int index = std::max(0, curve.styleIndex >= 0 ? curve.styleIndex : place);
    // A cosmetic pen's width is in device pixels: as thick on a HiDPI screen, it takes the ratio.
    QPen pen(curve.colour.isValid() ? curve.colour : plotColour(index, palette),
             1.5 * std::max(1.0, deviceRatio));
    pen.setCosmetic(true);
    const QList<qreal>& pattern = dashes[index % dashes.size()];
    if (!pattern.isEmpty()) {
        pen.setDashPattern(pattern);
    }
    return pen;
}

double curveValueAt(const PlotCurve& curve, double x, bool logX) {
    const std::size_t count = std::min(curve.x.size(), curve.y.size());
    if (!usable(x, 0.0, logX)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const double x0 = curve.x[i], x1 = curve.x[i + 1], y0 = curve.y[i], y1 = curve.y[i + 1];
        if (!usable(x0, y0, logX) || !usable(x1, y1, logX) || x < std::min(x0, x1) ||
            x > std::max(x0, x1)) {
            continue;
        }
        if (x0 == x1) {
            return y0;
        }
        const double t = logX ? std::log(x / x0) / std::log(x1 / x0) : (x - x0) / (x1 - x0);
        return y0 + t * (y1 - y0);
    }
    if (count == 1 && x == curve.x[0] && usable(curve.x[0], curve.y[0], logX)) {
        return curve.y[0];
    }
    return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace quilbo
