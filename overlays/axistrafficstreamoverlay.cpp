#include "overlays/axistrafficstreamoverlay.h"

#include <QTcpSocket>
#include <QTimer>
#include <QTimerEvent>
#include <QtMath>

namespace {

// The arrow of a sensor points along its first side, p0 to p1, with its tip
// just inside the middle of the second side.
void drawDirectionArrow(OverlayCanvas &canvas, const QPolygon &polygon)
{
    const QPointF p0 = polygon.at(0);
    const QPointF p1 = polygon.at(1);
    const QPointF p2 = polygon.at(2);
    const QPointF side = p1 - p0;
    const qreal length = std::hypot(side.x(), side.y());
    const QPointF unit = length > 0 ? side / length : QPointF(1, 0);
    const QPointF tip = (p1 + p2) / 2 - unit * (length / 8);

    const qreal a = std::trunc(-length / 4);
    const qreal b = std::trunc(-length / 8);
    const qreal c = std::trunc(length / 16);
    const QPointF across(-unit.y(), unit.x());
    auto at = [&](qreal x, qreal y) { return tip + unit * x + across * y; };

    const QLineF lines[] = {{tip, at(a, 0)}, {tip, at(b, c)}, {tip, at(b, -c)}};
    canvas.drawLines(lines, 3);
}

} // namespace

AxisTrafficStreamOverlay::AxisTrafficStreamOverlay(QObject *parent, const QString &url)
    : DetectorOverlay(parent, url)
{ }

AxisTrafficStreamOverlay::~AxisTrafficStreamOverlay()
{
    shutDown();
}

void AxisTrafficStreamOverlay::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != tickTimerId()) {
        DetectorOverlay::timerEvent(event);
        return;
    }
    carryOut(m_protocol.tick(now()));
}

void AxisTrafficStreamOverlay::resetClient()
{
    m_protocol.reset();
    clearImage();
}

void AxisTrafficStreamOverlay::connectionEstablished()
{
    sendLine(address().userName().toUtf8());
    QTimer::singleShot(PasswordDelay, this, [this] {
        if (socket()->state() != QAbstractSocket::ConnectedState)
            return;
        m_protocol.loginSent(now());
        sendLine(address().password().toUtf8());
    });
}

QString AxisTrafficStreamOverlay::addressError() const
{
    const QString error = DetectorOverlay::addressError();
    return error.isEmpty() ? address().credentialsError() : error;
}

void AxisTrafficStreamOverlay::connectionLost()
{
    m_protocol.connectionLost();
}

QString AxisTrafficStreamOverlay::admit(qint64 waiting) const
{
    return m_protocol.admit(waiting);
}

void AxisTrafficStreamOverlay::receive(const QByteArray &bytes)
{
    m_protocol.append(bytes);
}

std::optional<OverlayReaction> AxisTrafficStreamOverlay::nextReaction()
{
    return m_protocol.handleNextUnit(now());
}

void AxisTrafficStreamOverlay::transmit(const QByteArray &payload)
{
    sendLine(payload);
}

void AxisTrafficStreamOverlay::sendLine(const QByteArray &line)
{
    if (socket()->state() == QAbstractSocket::ConnectedState)
        socket()->write(line + "\r\n");
}

void AxisTrafficStreamOverlay::drawZones(OverlayCanvas &canvas)
{
    const QMap<int, TrafficStreamProtocol::Sensor> &sensors = m_protocol.sensors();
    for (auto it = sensors.cbegin(); it != sensors.cend(); ++it) {
        if (canvas.drawZone(it->polygon, it->active, QString::number(it.key())))
            drawDirectionArrow(canvas, it->polygon);
    }
}

QSize AxisTrafficStreamOverlay::frameSize() const
{
    return m_protocol.frameSize();
}
