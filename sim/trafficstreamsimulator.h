#ifndef TRAFFICSTREAMSIMULATOR_H
#define TRAFFICSTREAMSIMULATOR_H

#include "detectorsimulator.h"

/*
 * A traffic-stream sensor detector: checks the login (user name line, then
 * password line), answers "gcam", "ge2", "gtrc", "sm data=on" and "id", and
 * sends "ge" state events to subscribed clients when a sensor changes.
 *
 * Commands:
 *   set ID 0|1      change a sensor's state; subscribers get an event
 *   event           send the current states as an event to every client
 *   send TEXT       send TEXT and CR LF to every client
 *   sendraw TEXT    send TEXT as it is to every client
 *   answer CMD TEXT answer the command CMD (its first word) with TEXT and CR LF
 *   answer CMD      answer CMD normally again
 *   padcam N        pad the camera data to N bytes (at most MaxCameraPadding)
 * Modes (fail MODE): wrong-login, silent-login, silent (no answers to
 * commands), garbage (garbage answers), oversize (a 200000-byte camera
 * block), drop (close the connection at the next command).
 */
class TrafficStreamSimulator : public DetectorSimulator
{
    Q_OBJECT

public:
    // Ten times what a client may receive at once, so that every limit of a
    // client can be crossed.
    static constexpr int MaxCameraPadding = 1000000;

    explicit TrafficStreamSimulator(const SimulatorLayout &layout, QObject *parent = nullptr);

protected:
    Framing takeUnit(QByteArray &buffer, QByteArray *unit) const override;
    void handleUnit(QTcpSocket *socket, Session &session, const QByteArray &unit) override;
    bool runProtocolCommand(const QString &word, const QString &rest) override;
    void toggleNextZone() override;

private:
    void handleLogin(QTcpSocket *socket, Session &session, const QByteArray &line);
    void answerCommand(QTcpSocket *socket, Session &session, const QByteArray &line);
    void sendBlock(QTcpSocket *socket, const QByteArray &command, const QByteArray &data);
    void publish(bool subscribersOnly);

    QByteArray stateItems() const;
    QByteArray cameraData() const;
    QByteArray sensorData() const;

    QHash<QByteArray, QByteArray> m_answers;
    int m_cameraPadding = 0;
    int m_nextToggle = 0;
};

#endif // TRAFFICSTREAMSIMULATOR_H
