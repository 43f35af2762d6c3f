#include "overlays/citilogovelay.h"

#include "overlays/tcpdetectortransport.h"

#include <QtMath>

namespace {

// Two lines meeting in front of the zone's entry line (p0-p1) when traffic
// approaches, behind its exit line (p3-p2) when it recedes.
void drawChevron(OverlayCanvas &canvas, const QPolygon &polygon, bool approaching)
{
    const QPointF p0 = polygon.at(0);
    const QPointF p3 = polygon.at(3);
    const QPointF start = approaching ? p0 : p3;
    const QPointF end = approaching ? QPointF(polygon.at(1)) : QPointF(polygon.at(2));
    const qreal depth = std::hypot(p3.x() - p0.x(), p3.y() - p0.y());

    const QPointF middle = (start + end) / 2;
    const QPointF normal(end.y() - start.y(), start.x() - end.x());
    const qreal length = std::hypot(normal.x(), normal.y());
    const QPointF unit = length > 0 ? normal / length : QPointF();
    const QPointF tip = approaching ? middle - unit * (depth / 4) : middle + unit * (depth / 4);

    const QLineF lines[] = {{start, tip}, {end, tip}};
    canvas.drawLines(lines, 2);
}

} // namespace

CitiLogOvelay::CitiLogOvelay(QObject *parent, const QString &url)
    : CitiLogOvelay(parent, url, std::make_unique<TcpDetectorTransport>(), Timings())
{ }

CitiLogOvelay::CitiLogOvelay(QObject *parent, const QString &url,
                             std::unique_ptr<DetectorTransport> transport, const Timings &timings)
    : DetectorOverlay(
        parent, url,
        std::make_unique<CitiLogProtocol>(CitiLogProtocol::makeOwnId(), timings.protocol),
        std::move(transport), timings.connection)
{ }

CitiLogProtocol &CitiLogOvelay::citiLog() const
{
    return static_cast<CitiLogProtocol &>(protocol());
}

void CitiLogOvelay::connectionEstablished()
{
    carryOut(citiLog().connected(now()));
}

void CitiLogOvelay::drawZones(OverlayCanvas &canvas)
{
    for (const CitiLogProtocol::Zone &zone : citiLog().zones()) {
        if (canvas.drawZone(zone.polygon, zone.active, QString::number(zone.laneId)))
            drawChevron(canvas, zone.polygon, zone.approaching);
    }
}
