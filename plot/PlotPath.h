// The line through a curve's points in pixels, broken where a point is missing, clipped to the
// plot area in double precision (far-off points neither overflow nor bend the line), and thinned
// where many points share a pixel.
#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <vector>

namespace quilbo {

// points in pixels; a non-finite coordinate is a missing point, which breaks the line.
QPainterPath plotPath(const std::vector<QPointF>& points, const QRectF& clip);

}  // namespace quilbo
