#ifndef SIMULATORPEER_H
#define SIMULATORPEER_H

#include "peerprocess.h"

#include <QElapsedTimer>
#include <QTemporaryFile>
#include <QVector>

/*
 * The detector simulator run by a test on a port it picks itself. Its log
 * lines are collected with the time they were seen, so that tests can check
 * what a client sent and when.
 */
class SimulatorPeer
{
public:
    SimulatorPeer() = default;
    SimulatorPeer(const SimulatorPeer &) = delete;
    SimulatorPeer &operator=(const SimulatorPeer &) = delete;
    ~SimulatorPeer();

    static QString program();

    // `layoutJson` empty: the simulator's own layout.
    bool start(const QString &protocol, const QByteArray &layoutJson = QByteArray(),
               const QStringList &arguments = QStringList());
    quint16 port() const { return m_peer.port(); }
    QString url(const QString &userInfo = QStringLiteral("root:pass")) const;

    void command(const QByteArray &line);
    bool waitForLine(const QString &prefix, int timeoutMs = 5000);
    // Lines seen so far that start with `prefix`.
    QStringList lines(const QString &prefix);
    // When the first line starting with `prefix` was seen, in ms since start; -1 if not yet.
    qint64 timeOf(const QString &prefix);

private:
    void collect();

    PeerProcess m_peer;
    QTemporaryFile m_layout;
    QElapsedTimer m_clock;
    QByteArray m_pending;
    QVector<QPair<qint64, QString>> m_lines;
};

#endif // SIMULATORPEER_H
