// Broken, clipped plot lines.
#include "plot/PlotPath.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quilbo {

namespace {

bool finite(QPointF point) {
    return std::isfinite(point.x()) && std::isfinite(point.y());
}

// Liang-Barsky: shortens a..b to its part inside clip; false where none is.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& clip) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const std::array<double, 4> p = {-dx, dx, -dy, dy};
    const std::array<double, 4> q = {a.x() - clip.left(), clip.right() - a.x(), a.y() - clip.top(),
                                     clip.bottom() - a.y()};
    double t0 = 0.0;
    double t1 = 1.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return false;
        }
    }
    const QPointF start = a;
    a = start + t0 * QPointF(dx, dy);
    b = start + t1 * QPointF(dx, dy);
    return finite(a) && finite(b);
}

// A point far beyond any screen, so that differences of two of them stay finite.
QPointF bounded(QPointF point) {
    constexpr double limit = 1e9;
    return {std::clamp(point.x(), -limit, limit), std::clamp(point.y(), -limit, limit)};
}

// Runs of points within one narrow column (a long impulse response, many points to a pixel)
// become the run's first, lowest, highest and last point: the same picture from a line a
// fraction as long. The column is a quarter pixel, narrower than a device pixel up to 4x.
std::vector<QPointF> thinned(const std::vector<QPointF>& points) {
    constexpr double column = 0.25;
    std::vector<QPointF> kept;
    kept.reserve(points.size());
    std::size_t start = 0;
    while (start < points.size()) {
        const double place = std::floor(points[start].x() / column);
        std::size_t end = start + 1;
        std::size_t low = start;
        std::size_t high = start;
        while (finite(points[start]) && end < points.size() && finite(points[end]) &&
               std::floor(points[end].x() / column) == place) {
            low = points[end].y() < points[low].y() ? end : low;
            high = points[end].y() > points[high].y() ? end : high;
            ++end;
        }
        if (end - start <= 4) {
            kept.insert(kept.end(), points.begin() + start, points.begin() + end);
        } else {
            for (std::size_t i : {start, std::min(low, high), std::max(low, high), end - 1}) {
                kept.push_back(points[i]);
            }
        }
        start = end;
    }
    return kept;
}

}  // namespace

QPainterPath plotPath(const std::vector<QPointF>& original, const QRectF& clip) {
    const std::vector<QPointF> points = thinned(original);
    QPainterPath path;
    bool joined = false;  // the path's current point is the end of the previous segment
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        if (!finite(points[i]) || !finite(points[i + 1])) {
            joined = false;
            continue;
        }
        QPointF a = bounded(points[i]);
        QPointF b = bounded(points[i + 1]);
        const bool startsInside = clip.contains(a);
        if (!clipSegment(a, b, clip)) {
            joined = false;
            continue;
        }
        if (!joined || !startsInside) {
            path.moveTo(a);
        }
        path.lineTo(b);
        joined = clip.contains(bounded(points[i + 1]));
    }
    // A lone point between breaks still shows, as a dot.
    for (std::size_t i = 0; i < points.size(); ++i) {
        const bool alone = (i == 0 || !finite(points[i - 1])) &&
                           (i + 1 == points.size() || !finite(points[i + 1]));
        if (alone && finite(points[i]) && clip.contains(points[i])) {
            path.moveTo(points[i]);
            path.lineTo(points[i] + QPointF(0.01, 0.0));
        }
    }
    return path;
}

}  // namespace quilbo
