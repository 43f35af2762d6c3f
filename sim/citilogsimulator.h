#ifndef CITILOGSIMULATOR_H
#define CITILOGSIMULATOR_H

#include "detectorsimulator.h"

/*
 * A CitiLog detector: messages are a 4-byte little-endian length and a CTL
 * XML text. It answers "ReqAnaEnum" with its identifier and "ReqConfig" with
 * its frame size and lanes, and sends Outputs state vectors to configured
 * clients when a lane changes.
 *
 * Commands:
 *   set INDEX 0|1   change a lane's state (0-based); configured clients get it
 *   states VECTOR   set every lane from a vector such as 0110
 *   outputs         send the current state vector to every client
 *   send TEXT       send TEXT as one framed message to every client
 *   sendraw TEXT    send TEXT as it is, without framing
 * Modes (fail MODE): wrong-source, wrong-length (one state too many),
 * oversize (length prefixes of 200000), malformed
 * (Outputs that are not well-formed XML), silent (no answers and no
 * outputs), drop (close the connection at the next request).
 */
class CitiLogSimulator : public DetectorSimulator
{
    Q_OBJECT

public:
    explicit CitiLogSimulator(const SimulatorLayout &layout, QObject *parent = nullptr);

protected:
    Framing takeUnit(QByteArray &buffer, QByteArray *unit) const override;
    void handleUnit(QTcpSocket *socket, Session &session, const QByteArray &unit) override;
    bool runProtocolCommand(const QString &word, const QString &rest) override;
    void toggleNextZone() override;

private:
    void sendMessage(QTcpSocket *socket, const QByteArray &text);
    void publish(bool configuredOnly);

    QByteArray enumeration(const QByteArray &dest) const;
    QByteArray configuration(const QByteArray &dest) const;
    QByteArray outputs(const QByteArray &dest) const;

    int m_nextToggle = 0;
};

#endif // CITILOGSIMULATOR_H
