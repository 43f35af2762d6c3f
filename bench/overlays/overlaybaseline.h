#ifndef OVERLAYBASELINE_H
#define OVERLAYBASELINE_H

#include <QPolygon>
#include <QSize>
#include <QVector>

#include <functional>

// What the overlay benchmarks compare against: the cost of the image itself,
// a transparent full-HD pixmap with the zones outlined by a bare QPainter.
namespace OverlayBaseline {

const QSize frameSize(1920, 1080);

// 32 lane zones in a grid of 8 by 4, each a quadrilateral.
QVector<QPolygon> zones();

// Times `work` and the baseline drawing of `zones` in alternating rounds, so
// that a busy machine weighs on both alike; prints the medians and their
// ratio and returns the exit code (1 when the ratio is above `target`).
int compare(const char *what, const std::function<void()> &work, const QVector<QPolygon> &zones,
            double target);

} // namespace OverlayBaseline

#endif // OVERLAYBASELINE_H
