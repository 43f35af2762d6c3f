#include "trafficstreamsimulator.h"

#include <QTcpSocket>

namespace {

const QByteArray lineEnd("\r\n");

void sendLine(QTcpSocket *socket, const QByteArray &line)
{
    socket->write(line + lineEnd);
}

} // namespace

TrafficStreamSimulator::TrafficStreamSimulator(const SimulatorLayout &layout, QObject *parent)
    : DetectorSimulator(layout, parent)
{ }

DetectorSimulator::Framing TrafficStreamSimulator::takeUnit(QByteArray &buffer,
                                                            QByteArray *unit) const
{
    const int end = buffer.indexOf(lineEnd);
    if (end < 0)
        return Framing::Incomplete;
    *unit = buffer.left(end);
    buffer.remove(0, end + lineEnd.size());
    return Framing::Unit;
}

void TrafficStreamSimulator::handleUnit(QTcpSocket *socket, Session &session,
                                        const QByteArray &unit)
{
    if (session.ready)
        answerCommand(socket, session, unit);
    else
        handleLogin(socket, session, unit);
}

void TrafficStreamSimulator::handleLogin(QTcpSocket *socket, Session &session,
                                         const QByteArray &line)
{
    // The user name comes first, then the password.
    if (session.unitsReceived % 2 == 1) {
        session.peerName = line;
        return;
    }
    if (hasMode("silent-login"))
        return;
    const bool accepted =
        m_layout.anyLogin
        || (session.peerName == m_layout.user.toUtf8() && line == m_layout.password.toUtf8());
    if (!accepted || hasMode("wrong-login")) {
        sendLine(socket, "error: access denied");
        return;
    }
    session.ready = true;
    sendLine(socket, "id 1");
}

void TrafficStreamSimulator::answerCommand(QTcpSocket *socket, Session &session,
                                           const QByteArray &line)
{
    const QByteArray command = line.split(' ').constFirst();
    if (hasMode("silent"))
        return;
    if (hasMode("drop")) {
        socket->disconnectFromHost();
        return;
    }
    if (hasMode("garbage")) {
        sendLine(socket, QByteArray("\x01\xfe#garbage#\x7f"));
        return;
    }
    if (m_answers.contains(command)) {
        sendLine(socket, m_answers.value(command));
        return;
    }
    if (command == "gcam") {
        if (hasMode("oversize"))
            sendBlock(socket, command, QByteArray(200000, 'x'));
        else
            sendBlock(socket, command, cameraData());
    } else if (command == "ge2") {
        sendLine(socket, "ge2 " + stateItems());
    } else if (command == "gtrc") {
        sendBlock(socket, command, sensorData());
    } else if (line == "sm data=on") {
        session.subscribed = true;
        sendLine(socket, line);
    } else if (command == "id") {
        sendLine(socket, "id 1");
    } else {
        sendLine(socket, "error: unknown command");
    }
}

// The block follows its announcement a moment later, as from a detector that
// writes them separately; a client then sees the block arrive on its own.
void TrafficStreamSimulator::sendBlock(QTcpSocket *socket, const QByteArray &command,
                                       const QByteArray &data)
{
    sendLine(socket, command + " s=" + QByteArray::number(data.size()));
    QTimer::singleShot(20, socket, [socket, data] { sendLine(socket, data); });
}

bool TrafficStreamSimulator::runProtocolCommand(const QString &word, const QString &rest)
{
    if (word == QLatin1String("set")) {
        const QStringList values = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (SimulatorLayout::Sensor &sensor : m_layout.sensors) {
            if (values.size() == 2 && sensor.id == values.at(0).toInt())
                sensor.active = values.at(1).toInt() != 0;
        }
        publish(true);
    } else if (word == QLatin1String("event")) {
        publish(false);
    } else if (word == QLatin1String("send")) {
        sendToAll(unescape(rest) + lineEnd);
    } else if (word == QLatin1String("sendraw")) {
        sendToAll(unescape(rest));
    } else if (word == QLatin1String("answer")) {
        const int space = rest.indexOf(QLatin1Char(' '));
        const QByteArray command = rest.left(space).toLatin1();
        if (space < 0)
            m_answers.remove(command);
        else
            m_answers.insert(command, unescape(rest.mid(space + 1)));
    } else if (word == QLatin1String("padcam")) {
        bool ok = false;
        const int padding = rest.trimmed().toInt(&ok);
        if (ok && padding >= 0 && padding <= MaxCameraPadding)
            m_cameraPadding = padding;
        else
            log(QStringLiteral("refused padcam %1").arg(rest));
    } else {
        return false;
    }
    return true;
}

void TrafficStreamSimulator::toggleNextZone()
{
    if (m_layout.sensors.isEmpty())
        return;
    SimulatorLayout::Sensor &sensor = m_layout.sensors[m_nextToggle++ % m_layout.sensors.size()];
    sensor.active = !sensor.active;
    publish(true);
}

void TrafficStreamSimulator::publish(bool subscribersOnly)
{
    const QByteArray event = "ge " + stateItems();
    log(QStringLiteral("event %1").arg(QString::fromLatin1(event)));
    for (auto it = sessions().cbegin(); it != sessions().cend(); ++it) {
        if (it->subscribed || !subscribersOnly)
            sendLine(it.key(), event);
    }
}

QByteArray TrafficStreamSimulator::stateItems() const
{
    QByteArrayList items;
    for (const SimulatorLayout::Sensor &sensor : m_layout.sensors) {
        // State, then presence count, occupancy, speed and class, not looked at.
        items.append(QByteArray::number(sensor.id) + '=' + (sensor.active ? "1" : "0")
                     + ",0,0,0,0");
    }
    return items.join(' ');
}

QByteArray TrafficStreamSimulator::cameraData() const
{
    QByteArray data = "Camera=traffic-stream simulator\n";
    if (m_layout.frameSize.isValid()) {
        data += "FrameW=" + QByteArray::number(m_layout.frameSize.width()) + '\n';
        data += "FrameH=" + QByteArray::number(m_layout.frameSize.height()) + '\n';
    }
    const QByteArray padKey = "Pad=";
    if (m_cameraPadding > data.size() + padKey.size())
        data += padKey + QByteArray(m_cameraPadding - data.size() - padKey.size(), 'x');
    return data;
}

QByteArray TrafficStreamSimulator::sensorData() const
{
    QByteArrayList lines {"Sensors", "Count=" + QByteArray::number(m_layout.sensors.size())};
    for (const SimulatorLayout::Sensor &sensor : m_layout.sensors) {
        QByteArray outline;
        for (const QPoint &point : sensor.polygon)
            outline += QByteArray::number(point.x()) + ';' + QByteArray::number(point.y()) + ';';
        lines << "SENSOR " + QByteArray::number(sensor.id) << outline << "Type=presence"
              << "Lane=" + QByteArray::number(sensor.id) << "Direction=0"
              << "End";
    }
    return lines.join('\n');
}
