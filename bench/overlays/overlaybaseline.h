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

// Median time of one call of `work`, in microseconds.
double medianMicroseconds(const std::function<void()> &work, int rounds = 200);

double baselineMicroseconds(const QVector<QPolygon> &zones);

// Prints both figures and their ratio; returns the exit code (1 when the
// ratio is above `target`).
int report(const char *what, double measured, double baseline, double target);

} // namespace OverlayBaseline

#endif // OVERLAYBASELINE_H
