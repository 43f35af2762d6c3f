#ifndef FTPDATACHANNEL_H
#define FTPDATACHANNEL_H

#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

class QTcpSocket;

/*
 * The data connection of one passive-mode transfer. It reports the data as
 * it comes, a piece per turn of the event loop, and the end of the transfer,
 * which the server marks by closing the connection; a connection that
 * cannot be made or stays silent beyond the time-out is reported once
 * through failed() and closed.
 */
class FtpDataChannel : public QObject
{
    Q_OBJECT

public:
    // What one turn of the event loop hands on: a listing of a day at one
    // file a second comes in megabytes, whose entries take about 0.1 s per
    // megabyte to handle.
    static constexpr qint64 PieceSize = 64 * 1024;
    // What the socket holds before the server has to wait.
    static constexpr qint64 ReadBufferSize = 1024 * 1024;

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
    void readLater();
    void handleDisconnected();
    void handleSocketError(QAbstractSocket::SocketError error);
    void fail(const QString &message);

    QTcpSocket *m_socket = nullptr;
    QTimer m_timer;
    bool m_readQueued = false;
    bool m_peerClosed = false;
};

#endif // FTPDATACHANNEL_H
