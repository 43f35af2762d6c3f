#include "overlaybaseline.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstdio>

namespace OverlayBaseline {

QVector<QPolygon> zones()
{
    QVector<QPolygon> result;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 8; ++column) {
            const int x = 20 + column * 235;
            const int y = 20 + row * 265;
            result.append(QPolygon(
                QVector<QPoint> {{x + 20, y}, {x, y + 240}, {x + 210, y + 240}, {x + 190, y}}));
        }
    }
    return result;
}

double medianMicroseconds(const std::function<void()> &work, int rounds)
{
    for (int i = 0; i < 10; ++i)
        work();
    QVector<qint64> times;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        work();
        times.append(timer.nsecsElapsed());
    }
    std::nth_element(times.begin(), times.begin() + rounds / 2, times.end());
    return times.at(rounds / 2) / 1000.0;
}

double baselineMicroseconds(const QVector<QPolygon> &zones)
{
    QPixmap kept;
    return medianMicroseconds([&] {
        QPixmap pixmap(frameSize);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setPen(QPen(Qt::red, 2));
        for (const QPolygon &zone : zones)
            painter.drawPolygon(zone);
        painter.end();
        kept = pixmap;
    });
}

int report(const char *what, double measured, double baseline, double target)
{
    const double ratio = measured / baseline;
    std::printf(
        "%s: %.0f us per event, bare QPainter baseline %.0f us, ratio %.2f (target <= %.1f)\n",
        what, measured, baseline, ratio, target);
    return ratio <= target ? 0 : 1;
}

} // namespace OverlayBaseline
