#ifndef DETECTORRELAY_H
#define DETECTORRELAY_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>

#include <functional>

class QTcpSocket;

/*
 * A man in the middle on loopback between a detector client and a detector
 * simulator, to make the detector misbehave in ways the simulator does not:
 * it cuts the first connection after a given number of detector bytes, or
 * hands the detector's bytes over one at a time.
 * Every later connection passes through untouched, so that a client's
 * reconnection can be seen to work.
 */
class DetectorRelay : public QObject
{
    Q_OBJECT

public:
    // Cut the first connection as soon as the client is accepted.
    static constexpr qint64 CutAtOnce = -1;

    explicit DetectorRelay(quint16 detectorPort, QObject *parent = nullptr);
    ~DetectorRelay() override;

    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString &userInfo) const;

    // The first connection ends once this many detector bytes have passed
    // and the detector sends more (or at once, for CutAtOnce).
    void cutAfter(qint64 detectorBytes) { m_cut = detectorBytes; }
    // The first connection gets the detector's bytes one at a time, this
    // far apart; 0 holds them back for good.
    void pace(int intervalMs);

    int connectionCount() const { return m_connections.size(); }
    // What the client sent and the detector answered on connection `index`.
    QByteArray clientBytes(int index) const { return m_connections.value(index).fromClient; }
    QByteArray detectorBytes(int index) const { return m_connections.value(index).fromDetector; }
    // Milliseconds since the relay started at which connection `index`
    // came and went; -1 while it has not.
    qint64 openedAt(int index) const { return m_connections.value(index).openedAt; }
    qint64 closedAt(int index) const { return m_connections.value(index).closedAt; }

private:
    struct Connection
    {
        QPointer<QTcpSocket> client;
        QPointer<QTcpSocket> detector;
        QByteArray fromClient;
        QByteArray fromDetector;
        qint64 openedAt = -1;
        qint64 closedAt = -1;
    };

    void accept();
    void fromClient(int index);
    void fromDetector(int index);
    void passPaced();
    void close(int index);

    QTcpServer m_server;
    quint16 m_detectorPort;
    QList<Connection> m_connections;
    QElapsedTimer m_clock;

    qint64 m_cut = -2; // none
    QTimer m_paceTimer;
    bool m_paced = false;
    QByteArray m_held;
};

#endif // DETECTORRELAY_H
