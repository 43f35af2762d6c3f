#include "overlays/citilogprotocol.h"

#include "overlays/xmlmessageguard.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QUuid>
#include <QtEndian>

namespace {

QDomElement firstElement(const QDomElement &root, const QString &name)
{
    return root.elementsByTagName(name).at(0).toElement();
}

} // namespace

QByteArray CitiLogProtocol::makeOwnId()
{
    return QUuid::createUuid().toByteArray(QUuid::Id128);
}

CitiLogProtocol::CitiLogProtocol(const QByteArray &ownId)
    : CitiLogProtocol(ownId, Timings())
{ }

CitiLogProtocol::CitiLogProtocol(const QByteArray &ownId, const Timings &timings)
    : m_ownId(ownId)
    , m_timings(timings)
{ }

QByteArray CitiLogProtocol::request(const QByteArray &name) const
{
    return "<CTL source=\"" + m_ownId + "\" dest=\"" + m_peerId.toLatin1() + "\"><" + name
           + "/></CTL>";
}

QByteArray CitiLogProtocol::frame(const QByteArray &text)
{
    QByteArray message(4, '\0');
    qToLittleEndian<qint32>(text.size(), message.data());
    return message + text;
}

void CitiLogProtocol::reset()
{
    m_state = Idle;
    m_peerId.clear();
    m_pendingMessageSize = 0;
    m_receiveBuffer.clear();
    m_frameSize = QSize();
    m_zones.clear();
}

void CitiLogProtocol::connectionLost()
{
    m_pendingMessageSize = 0;
    m_answerSince = -1;
}

OverlayReaction CitiLogProtocol::connected(qint64 now)
{
    OverlayReaction reaction;
    m_state = EnumRequested;
    sendRequest("ReqAnaEnum", now, reaction);
    return reaction;
}

QString CitiLogProtocol::admit(qint64 waiting) const
{
    switch (m_receiveBuffer.admit(waiting)) {
    case ReceiveBuffer::PacketTooBig:
        return QCoreApplication::translate("CitiLogOvelay", "Received packet too big");
    case ReceiveBuffer::BufferTooBig:
        return QCoreApplication::translate("CitiLogOvelay", "Receive buffer too big");
    case ReceiveBuffer::Admitted:
        break;
    }
    return QString();
}

void CitiLogProtocol::append(const QByteArray &bytes)
{
    m_receiveBuffer.append(bytes);
}

std::optional<OverlayReaction> CitiLogProtocol::handleNext(qint64 now)
{
    // A length of 0 or less carries no message: the next length follows.
    while (m_pendingMessageSize <= 0) {
        if (m_receiveBuffer.size() < 5)
            return std::nullopt;
        m_pendingMessageSize = qFromLittleEndian<qint32>(m_receiveBuffer.data());
        if (m_pendingMessageSize > ReceiveBuffer::Limit) {
            OverlayReaction reaction;
            reaction.error = QCoreApplication::translate("CitiLogOvelay", "Message size too big");
            return reaction;
        }
        m_receiveBuffer.skip(4);
    }
    if (m_receiveBuffer.size() < m_pendingMessageSize)
        return std::nullopt;
    const QByteArray text = m_receiveBuffer.take(m_pendingMessageSize);
    m_pendingMessageSize = 0;

    OverlayReaction reaction;
    handleMessage(text, now, reaction);
    return reaction;
}

OverlayReaction CitiLogProtocol::tick(qint64 now)
{
    OverlayReaction reaction;
    if (m_answerSince >= 0 && now - m_answerSince > m_timings.answerTimeout)
        reaction.error = QCoreApplication::translate("CitiLogOvelay", "Command answer timeot");
    return reaction;
}

void CitiLogProtocol::sendRequest(const char *name, qint64 now, OverlayReaction &reaction)
{
    reaction.send.append(name);
    m_answerSince = now;
}

void CitiLogProtocol::handleMessage(const QByteArray &text, qint64 now, OverlayReaction &reaction)
{
    const QString refusal = XmlMessageGuard::check(text);
    QDomDocument document;
    QString parseError;
    if (!refusal.isEmpty() || !document.setContent(text, false, &parseError)) {
        // Without an error text the input after this message waits for the next read.
        reaction.error = refusal.isEmpty() ? parseError : refusal;
        reaction.halt = true;
        return;
    }

    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("CTL"))
        return;
    switch (m_state) {
    case EnumRequested:
        readEnumeration(root, now, reaction);
        break;
    case ConfigRequested:
        readConfiguration(root, reaction);
        break;
    case Idle:
        readStates(root, reaction);
        break;
    }
}

void CitiLogProtocol::readEnumeration(const QDomElement &root, qint64 now,
                                      OverlayReaction &reaction)
{
    const QDomElement enumeration = firstElement(root, QStringLiteral("AnaEnum"));
    if (enumeration.isNull())
        return;
    m_peerId = enumeration.attribute(QStringLiteral("id")).toUpper();
    // Without an identifier the deadline runs on.
    if (m_peerId.isEmpty())
        return;
    m_state = ConfigRequested;
    sendRequest("ReqConfig", now, reaction);
}

void CitiLogProtocol::readConfiguration(const QDomElement &root, OverlayReaction &reaction)
{
    const QDomElement global = firstElement(root, QStringLiteral("Global"));
    if (global.isNull())
        return;
    m_frameSize =
        QSize(global.attribute(QStringLiteral("ImgWidth"), QStringLiteral("-1")).toInt(),
              global.attribute(QStringLiteral("ImgHeight"), QStringLiteral("-1")).toInt());

    static const QString corners[] = {QStringLiteral("Left"), QStringLiteral("Top"),
                                      QStringLiteral("Right"), QStringLiteral("Bottom")};
    const QDomNodeList lanes = root.elementsByTagName(QStringLiteral("Lane"));
    for (int i = 0; i < lanes.size(); ++i) {
        const QDomElement lane = lanes.at(i).toElement();
        Zone zone;
        bool laneIdValid = false;
        zone.laneId =
            lane.attribute(QStringLiteral("LaneId"), QStringLiteral("-1")).toInt(&laneIdValid);
        zone.approaching =
            lane.attribute(QStringLiteral("LaneDirection"), QStringLiteral("APPROACHING"))
            == QLatin1String("APPROACHING");

        // Segments cross the lane; taking every other one backwards makes
        // the outline run round the zone without crossing itself.
        const QDomNodeList segments = lane.elementsByTagName(QStringLiteral("Segment"));
        bool coordinatesValid = true;
        for (int s = 0; s < segments.size() && coordinatesValid; ++s) {
            const QDomElement segment = segments.at(s).toElement();
            int values[4];
            for (int c = 0; c < 4 && coordinatesValid; ++c)
                values[c] = segment.attribute(corners[c]).toInt(&coordinatesValid);
            if (!coordinatesValid)
                break;
            const QPoint leftTop(values[0], values[1]);
            const QPoint rightBottom(values[2], values[3]);
            if (s % 2 == 0)
                zone.polygon << leftTop << rightBottom;
            else
                zone.polygon << rightBottom << leftTop;
        }
        // A lane number that is no integer reads as 0, which matters only
        // when no segment follows it.
        if (!coordinatesValid || (segments.isEmpty() && !laneIdValid)) {
            reaction.error = QCoreApplication::translate(
                "CitiLogOvelay", "Invalid camera configuration: zones coordinate error");
            break;
        }
        m_zones.append(zone);
    }
    m_state = Idle;
    m_answerSince = -1;
}

void CitiLogProtocol::readStates(const QDomElement &root, OverlayReaction &reaction)
{
    if (m_peerId.isEmpty() || root.attribute(QStringLiteral("source")).toUpper() != m_peerId)
        return;
    const QDomNodeList outputs = root.elementsByTagName(QStringLiteral("Outputs"));
    for (int i = 0; i < outputs.size(); ++i) {
        const QString vector =
            outputs.at(i).toElement().firstChildElement(QStringLiteral("StateVector")).text();
        if (vector.size() != m_zones.size()) {
            reaction.error = QCoreApplication::translate(
                "CitiLogOvelay", "Zones count not equals count in configuration");
            break;
        }
        for (int z = 0; z < m_zones.size(); ++z) {
            const bool active = vector.at(z) != QLatin1Char('0');
            if (m_zones.at(z).active != active) {
                m_zones[z].active = active;
                reaction.redraw = true;
            }
        }
    }
}
