#include "overlays/axistrafficstreamoverlay.h"

#include "overlays/tcpdetectortransport.h"

#include <QTimer>
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
    : AxisTrafficStreamOverlay(parent, url, std::make_unique<TcpDetectorTransport>(), Timings())
{ }

AxisTrafficStreamOverlay::AxisTrafficStreamOverlay(QObject *parent, const QString &url,
                                                   std::unique_ptr<DetectorTransport> transport,
                                                   const Timings &timings)
    : DetectorOverlay(parent, url, std::make_unique<TrafficStreamProtocol>(timings.protocol),
                      std::move(transport), timings.connection)
    , m_passwordDelay(timings.passwordDelay)
{ }

TrafficStreamProtocol &AxisTrafficStreamOverlay::trafficStream() const
{
    return static_cast<TrafficStreamProtocol &>(protocol());
}

void AxisTrafficStreamOverlay::connectionEstablished()
{
    transmit(address().userName().toUtf8());
    const auto sendPassword = [this] {
        if (!isConnected())
            return;
        trafficStream().loginSent(now());
        transmit(address().password().toUtf8());
    };
    if (m_passwordDelay <= 0)
        sendPassword();
    else
        QTimer::singleShot(m_passwordDelay, this, sendPassword);
}

QString AxisTrafficStreamOverlay::addressError() const
{
    const QString error = DetectorOverlay::addressError();
    return error.isEmpty() ? address().credentialsError() : error;
}

void AxisTrafficStreamOverlay::drawZones(OverlayCanvas &canvas)
{
    const QMap<int, TrafficStreamProtocol::Sensor> &sensors = trafficStream().sensors();
    for (auto it = sensors.cbegin(); it != sensors.cend(); ++it) {
        if (canvas.drawZone(it->polygon, it->active, QString::number(it.key())))
            drawDirectionArrow(canvas, it->polygon);
    }
}
