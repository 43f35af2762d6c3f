#ifndef CITILOGPROTOCOL_H
#define CITILOGPROTOCOL_H

#include "overlays/detectorprotocol.h"
#include "overlays/receivebuffer.h"

#include <QCoreApplication>
#include <QPolygon>
#include <QSize>
#include <QVector>

#include <optional>

class QDomElement;

/*
 * The client side of the CitiLog detector protocol, without socket or
 * timers: length-prefixed CTL messages in, request names out (see
 * request()), plus when to redraw and which error ends the connection.
 * Times are milliseconds of any monotonic clock.
 */
class CitiLogProtocol : public DetectorProtocol
{
public:
    enum State {
        Idle,
        EnumRequested,
        ConfigRequested,
    };

    struct Zone
    {
        QPolygon polygon;
        bool active = false;
        int laneId = -1;
        bool approaching = true;
    };

    static constexpr qint64 AnswerTimeout = 3000;

    // The deadline; the default is the one above.
    struct Timings
    {
        qint64 answerTimeout = AnswerTimeout;
    };

    // 32 lower-case hexadecimal digits of a new random UUID.
    static QByteArray makeOwnId();
    explicit CitiLogProtocol(const QByteArray &ownId = makeOwnId());
    CitiLogProtocol(const QByteArray &ownId, const Timings &timings);

    // The text of the request `name`, from this client to the detector.
    QByteArray request(const QByteArray &name) const;
    // `text` behind its 4-byte little-endian length.
    static QByteArray frame(const QByteArray &text);

    void reset() override;
    void connectionLost() override;
    OverlayReaction connected(qint64 now);

    QString admit(qint64 waiting) const override;
    void append(const QByteArray &bytes) override;
    // Handles the next complete message; nothing while none is complete.
    std::optional<OverlayReaction> handleNext(qint64 now) override;
    OverlayReaction tick(qint64 now) override;
    // The request named by `payload`, framed.
    QByteArray encode(const QByteArray &payload) const override { return frame(request(payload)); }

    QByteArray ownId() const { return m_ownId; }
    QString peerId() const { return m_peerId; }
    State state() const { return m_state; }
    QSize frameSize() const override { return m_frameSize; }
    const QVector<Zone> &zones() const { return m_zones; }
    int bufferedBytes() const override { return m_receiveBuffer.size(); }
    int pendingMessageSize() const { return m_pendingMessageSize; }

private:
    void sendRequest(const char *name, qint64 now, OverlayReaction &reaction);
    void handleMessage(const QByteArray &text, qint64 now, OverlayReaction &reaction);
    void readEnumeration(const QDomElement &root, qint64 now, OverlayReaction &reaction);
    void readConfiguration(const QDomElement &root, OverlayReaction &reaction);
    void readStates(const QDomElement &root, OverlayReaction &reaction);

    QVector<Zone> m_zones;
    ReceiveBuffer m_receiveBuffer;
    QSize m_frameSize;
    int m_pendingMessageSize = 0;
    State m_state = Idle;
    qint64 m_answerSince = -1; // -1 while no answer is awaited
    QString m_peerId;
    const QByteArray m_ownId;
    const Timings m_timings;
};

#endif // CITILOGPROTOCOL_H
