#include "citilogsimulator.h"

#include <QDomDocument>
#include <QTcpSocket>
#include <QXmlStreamWriter>
#include <QtEndian>

namespace {

const char *const segmentAttributes[] = {"Left", "Top", "Right", "Bottom"};

// A CTL element from this detector to `dest`, its content written by `body`.
template<typename Body>
QByteArray message(const QString &source, const QByteArray &dest, Body body)
{
    QByteArray text;
    QXmlStreamWriter writer(&text);
    writer.writeStartElement(QStringLiteral("CTL"));
    writer.writeAttribute(QStringLiteral("source"), source);
    writer.writeAttribute(QStringLiteral("dest"), QString::fromUtf8(dest));
    body(writer);
    writer.writeEndElement();
    return text;
}

} // namespace

CitiLogSimulator::CitiLogSimulator(const SimulatorLayout &layout, QObject *parent)
    : DetectorSimulator(layout, parent)
{ }

DetectorSimulator::Framing CitiLogSimulator::takeUnit(QByteArray &buffer, QByteArray *unit) const
{
    if (buffer.size() < 4)
        return Framing::Incomplete;
    const qint32 length = qMax(0, qFromLittleEndian<qint32>(buffer.constData()));
    if (length > SessionLimit)
        return Framing::Refused;
    if (buffer.size() - 4 < length)
        return Framing::Incomplete;
    *unit = buffer.mid(4, length);
    buffer.remove(0, 4 + length);
    return Framing::Unit;
}

void CitiLogSimulator::handleUnit(QTcpSocket *socket, Session &session, const QByteArray &unit)
{
    QDomDocument document;
    if (!document.setContent(unit))
        return;
    const QDomElement root = document.documentElement();
    session.peerName = root.attribute(QStringLiteral("source")).toUtf8();
    if (hasMode("silent"))
        return;
    if (hasMode("drop")) {
        socket->disconnectFromHost();
        return;
    }
    const QString request = root.firstChildElement().tagName();
    if (request == QLatin1String("ReqAnaEnum")) {
        session.ready = true;
        sendMessage(socket, enumeration(session.peerName));
    } else if (request == QLatin1String("ReqConfig")) {
        session.subscribed = true;
        sendMessage(socket, configuration(session.peerName));
    }
}

void CitiLogSimulator::sendMessage(QTcpSocket *socket, const QByteArray &text)
{
    const qint32 length = hasMode("oversize") ? 200000 : text.size();
    QByteArray prefix(4, '\0');
    qToLittleEndian(length, prefix.data());
    socket->write(prefix + text);
}

bool CitiLogSimulator::runProtocolCommand(const QString &word, const QString &rest)
{
    if (word == QLatin1String("set")) {
        const QStringList values = rest.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const int index = values.value(0).toInt();
        if (values.size() == 2 && index >= 0 && index < m_layout.lanes.size())
            m_layout.lanes[index].active = values.at(1).toInt() != 0;
        publish(true);
    } else if (word == QLatin1String("states")) {
        const QString vector = rest.trimmed();
        for (int i = 0; i < m_layout.lanes.size() && i < vector.size(); ++i)
            m_layout.lanes[i].active = vector.at(i) != QLatin1Char('0');
        publish(true);
    } else if (word == QLatin1String("outputs")) {
        publish(false);
    } else if (word == QLatin1String("send")) {
        const QList<QTcpSocket *> sockets = sessions().keys();
        for (QTcpSocket *socket : sockets)
            sendMessage(socket, unescape(rest));
    } else if (word == QLatin1String("sendraw")) {
        sendToAll(unescape(rest));
    } else {
        return false;
    }
    return true;
}

void CitiLogSimulator::toggleNextZone()
{
    if (m_layout.lanes.isEmpty())
        return;
    SimulatorLayout::Lane &lane = m_layout.lanes[m_nextToggle++ % m_layout.lanes.size()];
    lane.active = !lane.active;
    publish(true);
}

void CitiLogSimulator::publish(bool configuredOnly)
{
    if (hasMode("silent"))
        return;
    for (auto it = sessions().cbegin(); it != sessions().cend(); ++it) {
        if (it->subscribed || !configuredOnly) {
            const QByteArray text = outputs(it->peerName);
            log(QStringLiteral("outputs %1").arg(QString::fromUtf8(text)));
            sendMessage(it.key(), text);
        }
    }
}

QByteArray CitiLogSimulator::enumeration(const QByteArray &dest) const
{
    return message(m_layout.detectorId, dest, [this](QXmlStreamWriter &writer) {
        writer.writeEmptyElement(QStringLiteral("AnaEnum"));
        writer.writeAttribute(QStringLiteral("id"), m_layout.detectorId);
    });
}

QByteArray CitiLogSimulator::configuration(const QByteArray &dest) const
{
    return message(m_layout.detectorId, dest, [this](QXmlStreamWriter &writer) {
        writer.writeStartElement(QStringLiteral("Config"));
        writer.writeStartElement(QStringLiteral("Global"));
        if (m_layout.frameSize.isValid()) {
            writer.writeAttribute(QStringLiteral("ImgWidth"),
                                  QString::number(m_layout.frameSize.width()));
            writer.writeAttribute(QStringLiteral("ImgHeight"),
                                  QString::number(m_layout.frameSize.height()));
        }
        for (const SimulatorLayout::Lane &lane : m_layout.lanes) {
            writer.writeStartElement(QStringLiteral("Lane"));
            if (!lane.id.isEmpty())
                writer.writeAttribute(QStringLiteral("LaneId"), lane.id);
            if (!lane.direction.isEmpty())
                writer.writeAttribute(QStringLiteral("LaneDirection"), lane.direction);
            for (const QStringList &segment : lane.segments) {
                writer.writeEmptyElement(QStringLiteral("Segment"));
                for (int i = 0; i < segment.size() && i < 4; ++i)
                    writer.writeAttribute(QLatin1String(segmentAttributes[i]), segment.at(i));
            }
            writer.writeEndElement();
        }
        writer.writeEndElement();
        writer.writeEndElement();
    });
}

QByteArray CitiLogSimulator::outputs(const QByteArray &dest) const
{
    QString vector;
    for (const SimulatorLayout::Lane &lane : m_layout.lanes)
        vector += lane.active ? QLatin1Char('1') : QLatin1Char('0');
    if (hasMode("wrong-length"))
        vector += QLatin1Char('0');
    const QString source = hasMode("wrong-source") ? QStringLiteral("Other") + m_layout.detectorId
                                                   : m_layout.detectorId;
    if (hasMode("malformed")) {
        return "<CTL source=\"" + source.toUtf8() + "\"><Outputs><StateVector>" + vector.toUtf8()
               + "</Outputs></CTL>";
    }
    return message(source, dest, [&vector](QXmlStreamWriter &writer) {
        writer.writeStartElement(QStringLiteral("Outputs"));
        writer.writeTextElement(QStringLiteral("StateVector"), vector);
        writer.writeEndElement();
    });
}
