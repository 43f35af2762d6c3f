#include "overlays/citilogovelay.h"

#include <QTcpSocket>
#include <QTimerEvent>
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
    : DetectorOverlay(parent, url)
{ }

CitiLogOvelay::~CitiLogOvelay()
{
    shutDown();
}

void CitiLogOvelay::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != tickTimerId()) {
        DetectorOverlay::timerEvent(event);
        return;
    }
    carryOut(m_protocol.tick(now()));
}

void CitiLogOvelay::resetClient()
{
    m_protocol.reset();
    clearImage();
}

void CitiLogOvelay::connectionEstablished()
{
    carryOut(m_protocol.connected(now()));
}

void CitiLogOvelay::connectionLost()
{
    m_protocol.connectionLost();
}

QString CitiLogOvelay::admit(qint64 waiting) const
{
    return m_protocol.admit(waiting);
}

void CitiLogOvelay::receive(const QByteArray &bytes)
{
    m_protocol.append(bytes);
}

std::optional<OverlayReaction> CitiLogOvelay::nextReaction()
{
    return m_protocol.handleNextMessage(now());
}

void CitiLogOvelay::transmit(const QByteArray &payload)
{
    sendMessage(payload);
}

void CitiLogOvelay::sendMessage(const QByteArray &request)
{
    if (socket()->state() == QAbstractSocket::ConnectedState)
        socket()->write(CitiLogProtocol::frame(m_protocol.request(request)));
}

void CitiLogOvelay::drawZones(OverlayCanvas &canvas)
{
    for (const CitiLogProtocol::Zone &zone : m_protocol.zones()) {
        if (canvas.drawZone(zone.polygon, zone.active, QString::number(zone.laneId)))
            drawChevron(canvas, zone.polygon, zone.approaching);
    }
}

QSize CitiLogOvelay::frameSize() const
{
    return m_protocol.frameSize();
}
