#ifndef TRAFFICSTREAMPROTOCOL_H
#define TRAFFICSTREAMPROTOCOL_H

#include "overlays/overlayreaction.h"
#include "overlays/receivebuffer.h"

#include <QCoreApplication>
#include <QMap>
#include <QPolygon>
#include <QSize>

#include <optional>

/*
 * The client side of the traffic-stream sensor protocol, without socket or
 * timers: it takes received bytes and the time, and tells what to send, when
 * to redraw and which error ends the connection. Times are milliseconds of
 * any monotonic clock.
 */
class TrafficStreamProtocol
{
public:
    enum State {
        Idle,
        LoginSent,
        CameraInfoRequested,
        StatesRequested,
        SensorsRequested,
        KeepAliveSent,
        SubscriptionSent,
    };

    struct Sensor
    {
        QPolygon polygon;
        bool active = false;
    };

    static constexpr qint64 AnswerTimeout = 1000;
    // A detector that accepts the connection and never answers the login
    // must not leave the client waiting for ever.
    static constexpr qint64 LoginTimeout = 3000;
    static constexpr qint64 KeepAliveInterval = 20000;

    void reset();
    void connectionLost();
    // The password has gone out: its answer is awaited.
    void loginSent(qint64 now);

    QString admit(qint64 waiting) const;
    void append(const QByteArray &bytes);
    // Handles the next complete line or data block; nothing while none is complete.
    std::optional<OverlayReaction> handleNextUnit(qint64 now);
    OverlayReaction tick(qint64 now);

    // Applies a state line to the sensor table; false when it holds no state
    // line at all. Errors go to `error` when given.
    bool parseSensorStates(const QByteArray &line, QString *error);

    State state() const { return m_state; }
    QSize frameSize() const { return m_frameSize; }
    const QMap<int, Sensor> &sensors() const { return m_sensors; }
    int bufferedBytes() const { return m_receiveBuffer.size(); }
    int pendingDataSize() const { return m_pendingDataSize; }

private:
    void sendCommand(State state, qint64 now, OverlayReaction &reaction);
    void handleAnswer(const QByteArray &unit, qint64 now, OverlayReaction &reaction);
    bool acceptAnnouncement(const QByteArray &unit);
    QString parseCameraData(const QByteArray &data);
    QString parseSensorData(const QByteArray &data);

    ReceiveBuffer m_receiveBuffer;
    int m_pendingDataSize = 0;
    int m_blockEndPending = 0; // bytes of a block's line end still to drop
    bool m_announced = false; // a size line of the awaited answer has been read
    QSize m_frameSize;
    State m_state = Idle;
    QMap<int, Sensor> m_sensors;
    qint64 m_answerSince = -1; // -1 while no answer is awaited
    qint64 m_idleSince = -1; // time of the last command
};

#endif // TRAFFICSTREAMPROTOCOL_H
