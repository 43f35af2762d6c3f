#ifndef TRAFFICSTREAMPROTOCOL_H
#define TRAFFICSTREAMPROTOCOL_H

#include "overlays/detectorprotocol.h"
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
class TrafficStreamProtocol : public DetectorProtocol
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

    // The deadlines; the defaults are those above.
    struct Timings
    {
        qint64 answerTimeout = AnswerTimeout;
        qint64 loginTimeout = LoginTimeout;
        qint64 keepAliveInterval = KeepAliveInterval;
    };

    TrafficStreamProtocol();
    explicit TrafficStreamProtocol(const Timings &timings);

    void reset() override;
    void connectionLost() override;
    // The password has gone out: its answer is awaited.
    void loginSent(qint64 now);

    QString admit(qint64 waiting) const override;
    void append(const QByteArray &bytes) override;
    // Handles the next complete line or data block; nothing while none is complete.
    std::optional<OverlayReaction> handleNext(qint64 now) override;
    OverlayReaction tick(qint64 now) override;
    // Commands and credentials go out as lines.
    QByteArray encode(const QByteArray &payload) const override { return payload + "\r\n"; }

    // Applies a state line to the sensor table; false when it holds no state
    // line at all. Errors go to `error` when given.
    bool parseSensorStates(const QByteArray &line, QString *error);

    State state() const { return m_state; }
    QSize frameSize() const override { return m_frameSize; }
    const QMap<int, Sensor> &sensors() const { return m_sensors; }
    int bufferedBytes() const override { return m_receiveBuffer.size(); }
    int pendingDataSize() const { return m_pendingDataSize; }

private:
    void sendCommand(State state, qint64 now, OverlayReaction &reaction);
    void handleAnswer(const QByteArray &unit, qint64 now, OverlayReaction &reaction);
    bool acceptAnnouncement(const QByteArray &unit);
    QString parseCameraData(const QByteArray &data);
    QString parseSensorData(const QByteArray &data);

    const Timings m_timings;
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
