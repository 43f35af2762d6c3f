#ifndef PROXYSOCKET_H
#define PROXYSOCKET_H

#include <QAbstractSocket>
#include <QTcpServer>

class QTcpSocket;
class QUrl;

/*
 * A relay on the loopback address for stream clients that cannot be told
 * to bypass the application's network proxy: it accepts one local client at
 * a time and passes its bytes to and from the camera, with no proxy on
 * either side. A new client replaces the previous one, and either side's
 * disconnection ends the other.
 */
class ProxySocket : public QTcpServer
{
    Q_OBJECT
public:
    ProxySocket(const QString &host, quint16 port, QObject *parent);
    ~ProxySocket() override;

    // Starts a relay (owned by parent) to url's host and port (the scheme's
    // default when it has none) and returns url pointed at that relay.
    static QUrl relayUrl(QUrl url, QObject *parent);

    QString remoteHost() const { return m_remoteHost; }
    quint16 remotePort() const { return m_remotePort; }

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private slots:
    void onClientReadyRead();
    void onRemoteSocketReadyRead();
    void onClientStateChanged(QAbstractSocket::SocketState state);
    void onRemoteSocketStateChanged(QAbstractSocket::SocketState state);

private:
    void dropClient();
    void disconnectRemote();

    QString m_remoteHost;
    quint16 m_remotePort;
    QTcpSocket *m_clientSocket = nullptr;
    QTcpSocket *m_remoteSocket;
};

#endif // PROXYSOCKET_H
