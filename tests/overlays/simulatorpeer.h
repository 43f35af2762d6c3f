#ifndef SIMULATORPEER_H
#define SIMULATORPEER_H

#include "peerprocess.h"

#include <QTemporaryFile>

/*
 * The detector simulator run by a test on a port it picks itself; its log
 * (PeerProcess::lines) tells what a client sent and when.
 */
class SimulatorPeer
{
public:
    static QString program();

    // `layoutJson` empty: the simulator's own layout.
    bool start(const QString &protocol, const QByteArray &layoutJson = QByteArray(),
               const QStringList &arguments = QStringList());
    quint16 port() const { return m_peer.port(); }
    QString url(const QString &userInfo = QStringLiteral("root:pass")) const;

    void command(const QByteArray &line);
    bool waitForLine(const QString &prefix, int timeoutMs = 5000)
    {
        return m_peer.waitForLine(prefix, timeoutMs);
    }
    QStringList lines(const QString &prefix) { return m_peer.lines(prefix); }
    qint64 timeOf(const QString &prefix) { return m_peer.timeOf(prefix); }

private:
    QTemporaryFile m_layout;
    PeerProcess m_peer;
};

#endif // SIMULATORPEER_H
