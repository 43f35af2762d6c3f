#include "overlays/trafficstreamprotocol.h"

#include <QCoreApplication>
#include <QSet>

namespace {

const char *commandOf(TrafficStreamProtocol::State state)
{
    switch (state) {
    case TrafficStreamProtocol::CameraInfoRequested:
        return "gcam";
    case TrafficStreamProtocol::StatesRequested:
        return "ge2";
    case TrafficStreamProtocol::SensorsRequested:
        return "gtrc";
    case TrafficStreamProtocol::KeepAliveSent:
        return "id";
    case TrafficStreamProtocol::SubscriptionSent:
        return "sm data=on";
    case TrafficStreamProtocol::Idle:
    case TrafficStreamProtocol::LoginSent:
        break;
    }
    return nullptr;
}

// Announcements and frame values carry their number after a 7-character key.
int valueAfterKey(const QByteArray &text, bool *ok)
{
    return text.mid(7).toInt(ok, 10);
}

} // namespace

TrafficStreamProtocol::TrafficStreamProtocol()
    : TrafficStreamProtocol(Timings())
{ }

TrafficStreamProtocol::TrafficStreamProtocol(const Timings &timings)
    : m_timings(timings)
{ }

void TrafficStreamProtocol::reset()
{
    m_state = Idle;
    m_pendingDataSize = 0;
    m_blockEndPending = 0;
    m_announced = false;
    m_receiveBuffer.clear();
    m_frameSize = QSize();
    m_sensors.clear();
}

void TrafficStreamProtocol::connectionLost()
{
    m_pendingDataSize = 0;
    m_blockEndPending = 0;
    m_answerSince = -1;
    m_idleSince = -1;
}

void TrafficStreamProtocol::loginSent(qint64 now)
{
    m_state = LoginSent;
    // The keep-alive counts from the first command, not from the login.
    m_answerSince = now;
}

QString TrafficStreamProtocol::admit(qint64 waiting) const
{
    switch (m_receiveBuffer.admit(waiting)) {
    case ReceiveBuffer::PacketTooBig:
        return QCoreApplication::translate("AxisTrafficStreamOverlay", "Received packet too big");
    case ReceiveBuffer::BufferTooBig:
        return QCoreApplication::translate("AxisTrafficStreamOverlay", "Receive buffer too big");
    case ReceiveBuffer::Admitted:
        break;
    }
    return QString();
}

void TrafficStreamProtocol::append(const QByteArray &bytes)
{
    m_receiveBuffer.append(bytes);
}

std::optional<OverlayReaction> TrafficStreamProtocol::handleNext(qint64 now)
{
    // The line end after a data block is dropped unread, also when it comes
    // in a later read than the block.
    if (m_blockEndPending > 0) {
        const int present = qMin(m_blockEndPending, m_receiveBuffer.size());
        m_receiveBuffer.skip(present);
        m_blockEndPending -= present;
        if (m_blockEndPending > 0)
            return std::nullopt;
    }

    QByteArray unit;
    if (m_pendingDataSize > 0) {
        if (m_receiveBuffer.size() < m_pendingDataSize)
            return std::nullopt;
        unit = m_receiveBuffer.take(m_pendingDataSize);
        m_blockEndPending = 2;
        m_pendingDataSize = 0;
    } else {
        const int end = m_receiveBuffer.indexOf("\r\n");
        if (end < 0)
            return std::nullopt;
        unit = m_receiveBuffer.take(end);
        m_receiveBuffer.skip(2);
    }

    OverlayReaction reaction;
    if (unit.startsWith("ge ")) {
        // Events come at any time and are no answer; their faults pass silently.
        parseSensorStates(unit, nullptr);
        reaction.redraw = true;
    } else if (m_state != Idle) {
        m_answerSince = -1;
        handleAnswer(unit, now, reaction);
    }
    return reaction;
}

void TrafficStreamProtocol::handleAnswer(const QByteArray &unit, qint64 now,
                                         OverlayReaction &reaction)
{
    switch (m_state) {
    case LoginSent:
        if (unit.startsWith("id"))
            sendCommand(CameraInfoRequested, now, reaction);
        else
            reaction.error =
                QCoreApplication::translate("AxisTrafficStreamOverlay", "Login failed");
        break;
    case CameraInfoRequested:
        if (!m_announced) {
            if (!acceptAnnouncement(unit))
                reaction.error = QCoreApplication::translate("AxisTrafficStreamOverlay",
                                                             "Invalid data size in command 'gcam'");
            break;
        }
        reaction.error = parseCameraData(unit);
        if (reaction.error.isEmpty())
            sendCommand(StatesRequested, now, reaction);
        break;
    case StatesRequested: {
        QString error;
        if (!parseSensorStates(unit, &error) && error.isEmpty())
            error = QCoreApplication::translate("AxisTrafficStreamOverlay",
                                                "Failed to parse 'ge2' answer");
        if (error.isEmpty())
            sendCommand(SensorsRequested, now, reaction);
        reaction.error = error;
        break;
    }
    case SensorsRequested:
        if (!m_announced) {
            if (!acceptAnnouncement(unit))
                reaction.error = QCoreApplication::translate("AxisTrafficStreamOverlay",
                                                             "Invalid data size in command 'gtrp'");
            break;
        }
        // The subscription goes out even when the sensor data were faulty.
        reaction.error = parseSensorData(unit);
        sendCommand(SubscriptionSent, now, reaction);
        reaction.redraw = reaction.error.isEmpty();
        break;
    case SubscriptionSent:
        if (unit == "sm data=on")
            m_state = Idle;
        else
            reaction.error = QCoreApplication::translate("AxisTrafficStreamOverlay",
                                                         "Invalid answer to evenet subscription");
        break;
    case KeepAliveSent:
        if (unit.startsWith("id"))
            m_state = Idle;
        else
            reaction.error = QCoreApplication::translate("AxisTrafficStreamOverlay",
                                                         "Invalid answer to 'id' command");
        break;
    case Idle:
        break;
    }
}

// The first answer line to "gcam" and "gtrc" announces the size of the data
// block that follows; a size of 0 or less announces a plain line instead.
bool TrafficStreamProtocol::acceptAnnouncement(const QByteArray &unit)
{
    m_announced = true;
    bool ok = false;
    m_pendingDataSize = valueAfterKey(unit, &ok);
    return ok;
}

OverlayReaction TrafficStreamProtocol::tick(qint64 now)
{
    OverlayReaction reaction;
    const qint64 deadline = m_state == LoginSent ? m_timings.loginTimeout : m_timings.answerTimeout;
    if (m_answerSince >= 0 && now - m_answerSince > deadline)
        reaction.error =
            QCoreApplication::translate("AxisTrafficStreamOverlay", "Command answer timeot");
    else if (m_idleSince >= 0 && now - m_idleSince > m_timings.keepAliveInterval)
        sendCommand(KeepAliveSent, now, reaction);
    return reaction;
}

void TrafficStreamProtocol::sendCommand(State state, qint64 now, OverlayReaction &reaction)
{
    m_state = state;
    m_announced = false;
    reaction.send.append(commandOf(state));
    m_answerSince = now;
    m_idleSince = now;
}

QString TrafficStreamProtocol::parseCameraData(const QByteArray &data)
{
    m_frameSize = QSize();
    const QByteArrayList pieces = data.split('\n');
    for (const QByteArray &piece : pieces) {
        const QByteArray item = piece.trimmed();
        bool ok = false;
        if (item.startsWith("FrameW=")) {
            m_frameSize.setWidth(valueAfterKey(item, &ok));
            if (!ok)
                return QCoreApplication::translate("AxisTrafficStreamOverlay",
                                                   "Ivalid value for 'FrameW'");
        } else if (item.startsWith("FrameH=")) {
            m_frameSize.setHeight(valueAfterKey(item, &ok));
            if (!ok)
                return QCoreApplication::translate("AxisTrafficStreamOverlay",
                                                   "Ivalid value for 'FrameH'");
        }
    }
    if (!m_frameSize.isValid())
        return QCoreApplication::translate("AxisTrafficStreamOverlay", "No frame size in answer");
    return QString();
}

bool TrafficStreamProtocol::parseSensorStates(const QByteArray &line, QString *error)
{
    int start = line.indexOf("ge2 ");
    if (start >= 0) {
        start += 4;
    } else {
        start = line.indexOf("ge ");
        if (start < 0)
            return false;
        start += 3;
    }

    auto report = [error](const QString &text) {
        if (error)
            *error = text;
    };

    // Sensors that the line does not name are gone.
    QSet<int> unnamed;
    for (auto it = m_sensors.keyBegin(); it != m_sensors.keyEnd(); ++it)
        unnamed.insert(*it);

    const QByteArrayList items = line.mid(start).split(' ');
    for (const QByteArray &item : items) {
        const QByteArrayList parts = item.split('=');
        if (parts.size() != 2) {
            report(QCoreApplication::translate("AxisTrafficStreamOverlay",
                                               "Invalid sensors state value"));
            break;
        }
        bool ok = false;
        const int id = parts.at(0).toInt(&ok, 10);
        if (!ok) {
            report(QCoreApplication::translate("AxisTrafficStreamOverlay",
                                               "Invalid sensor id in state string"));
            break;
        }
        unnamed.remove(id);
        const QByteArrayList fields = parts.at(1).split(',');
        if (fields.size() < 5) {
            report(QCoreApplication::translate("AxisTrafficStreamOverlay",
                                               "Invalid sensor %1 state value")
                       .arg(id));
            break;
        }
        m_sensors[id].active = fields.at(0).toInt(&ok, 10) == 1 && ok;
    }

    for (const int id : qAsConst(unnamed))
        m_sensors.remove(id);
    return true;
}

QString TrafficStreamProtocol::parseSensorData(const QByteArray &data)
{
    const QByteArrayList lines = data.split('\n');
    const int count = lines.size();
    // Lines 0 and 1 describe the detector, not its sensors.
    for (int i = 2; i < count; ++i) {
        const QByteArray opening = lines.at(i).trimmed();
        if (!opening.startsWith("SENSOR"))
            continue;
        const QString name = QString::fromLatin1(opening);
        if (i + 5 >= count)
            return QCoreApplication::translate("AxisTrafficStreamOverlay",
                                               "Invalid lines count for '%1'")
                .arg(name);
        bool ok = false;
        const int id = opening.mid(7).toInt(&ok, 10);
        if (!ok)
            return QCoreApplication::translate("AxisTrafficStreamOverlay",
                                               "Invalid sensor id for '%1'")
                .arg(name);

        QPolygon polygon;
        const QByteArrayList values = lines.at(i + 1).split(';');
        int x = 0;
        for (int v = 0; v < values.size() && !values.at(v).isEmpty(); ++v) {
            const int value = values.at(v).toInt(&ok, 10);
            if (!ok)
                return QCoreApplication::translate("AxisTrafficStreamOverlay",
                                                   "Invalid coordiantes value for '%1'")
                    .arg(name);
            if (v % 2 == 0)
                x = value;
            else
                polygon.append(QPoint(x, value));
        }
        if (polygon.isEmpty())
            return QCoreApplication::translate("AxisTrafficStreamOverlay",
                                               "No coordinates for '%1'")
                .arg(name);
        m_sensors[id].polygon = polygon;
    }
    return QString();
}
