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

namespace {

void drawBaseline(const QVector<QPolygon> &zones, QPixmap &kept)
{
    QPixmap pixmap(frameSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::red, 2));
    for (const QPolygon &zone : zones)
        painter.drawPolygon(zone);
    painter.end();
    kept = pixmap;
}

double median(QVector<qint64> &times)
{
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times.at(times.size() / 2) / 1000.0;
}

} // namespace

int compare(const char *what, const std::function<void()> &work, const QVector<QPolygon> &zones,
            double target)
{
    QPixmap kept;
    for (int i = 0; i < 10; ++i) {
        work();
        drawBaseline(zones, kept);
    }
    const int rounds = 300;
    QVector<qint64> workTimes;
    QVector<qint64> baselineTimes;
    QElapsedTimer timer;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        work();
        workTimes.append(timer.nsecsElapsed());
        timer.start();
        drawBaseline(zones, kept);
        baselineTimes.append(timer.nsecsElapsed());
    }
    const double measured = median(workTimes);
    const double baseline = median(baselineTimes);
    const double ratio = measured / baseline;
    std::printf("%s: %.0f us, bare QPainter baseline %.0f us, ratio %.2f (target <= %.1f)\n", what,
                measured, baseline, ratio, target);
    return ratio <= target ? 0 : 1;
}

} // namespace OverlayBaseline
