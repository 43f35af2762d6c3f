#ifndef FTPDATACHANNEL_H
#define FTPDATACHANNEL_H

#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

class QTcpSocket;

/*
 * The data connection of one passive-mode transfer. It reports the data as
 * it comes and the end of the transfer, which the server marks by closing
 * the connection; a connection that cannot be made or stays silent beyond
 * the time-out is reported once through failed() and closed.
 */
class FtpDataChannel : public QObject
{
    Q_OBJECT

public:
    explicit FtpDataChannel(QObject *parent = nullptr);
    ~FtpDataChannel() override;

    void connectToHost(const QHostAddress &address, quint16 port);
    // Closes the connection at once, without signals.
    void close();
    bool isOpen() const { return m_socket != nullptr; }
    void setTimeout(int ms);

signals:
    void connected();
    void dataReceived(const QByteArray &data);
    void finished();
    void failed(const QString &message);

private:
    void readData();
    void handleDisconnected();
    void handleSocketError(QAbstractSocket::SocketError error);
    void fail(const QString &message);

    QTcpSocket *m_socket = nullptr;
    QTimer m_timer;
};

#endif // FTPDATACHANNEL_H
