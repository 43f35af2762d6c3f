#ifndef DETECTORSIMULATOR_H
#define DETECTORSIMULATOR_H

#include "simulatorlayout.h"

#include <QHash>
#include <QSet>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

/*
 * A video detector on a loopback port, for tests and demonstrations. It
 * serves any number of clients, takes commands (from stdin or a scenario)
 * that change zone states or make it misbehave, and logs what it receives
 * and does on stdout, one line per event.
 *
 * Commands both protocols understand:
 *   fail MODE       misbehave from now on (modes depend on the protocol)
 *   fail none       behave again
 *   drop            close every connection
 *   toggle          flip the next zone's state, as the schedule does
 *   quit            stop the simulator
 * Texts in commands may hold \r, \n, \t, \s (space), \\ and \xHH.
 *
 * Like the clients, it holds at most SessionLimit unhandled bytes per
 * client: a client that sends more without completing a request, or
 * announces a larger one, is logged as "overflow N" and cut off.
 */
class DetectorSimulator : public QTcpServer
{
    Q_OBJECT

public:
    static constexpr int SessionLimit = 100000;

    explicit DetectorSimulator(const SimulatorLayout &layout, QObject *parent = nullptr);

    // Flips one zone after another every `interval` ms; 0 stops it.
    void setSchedule(int interval);
    void setMode(const QString &mode);
    void runCommand(const QString &line);

    static QByteArray unescape(const QString &text);

signals:
    void quitRequested();

protected:
    // One connected client.
    struct Session
    {
        int number = 0;
        QByteArray buffer; // received, not yet handled
        int unitsReceived = 0;
        QByteArray peerName; // user name or client identifier
        bool ready = false; // logged in, or enumerated
        bool subscribed = false; // gets state changes
    };

    enum class Framing {
        Incomplete, // wait for more
        Unit, // a message or line was taken off the buffer
        Refused, // announced larger than SessionLimit
    };

    // Takes the next complete message or line off `buffer` into `unit`.
    virtual Framing takeUnit(QByteArray &buffer, QByteArray *unit) const = 0;
    virtual void handleUnit(QTcpSocket *socket, Session &session, const QByteArray &unit) = 0;
    // False for a command the protocol does not know.
    virtual bool runProtocolCommand(const QString &word, const QString &rest) = 0;
    virtual void toggleNextZone() = 0;

    bool hasMode(const char *mode) const { return m_modes.contains(QLatin1String(mode)); }
    const QHash<QTcpSocket *, Session> &sessions() const { return m_sessions; }
    void sendToAll(const QByteArray &bytes) const;
    void log(const QString &text) const;

    SimulatorLayout m_layout;

private:
    void acceptConnections();
    void receive(QTcpSocket *socket);
    void cutOff(QTcpSocket *socket, int session);

    QHash<QTcpSocket *, Session> m_sessions;
    int m_sessionCount = 0;
    QSet<QString> m_modes;
    QTimer m_schedule;
};

#endif // DETECTORSIMULATOR_H
