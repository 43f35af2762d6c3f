#ifndef FTPCONTROLCHANNEL_H
#define FTPCONTROLCHANNEL_H

#include "net/ftpreplyparser.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QQueue>
#include <QTimer>

class QTcpSocket;

/*
 * The control connection of an FTP session: sends command lines and hands
 * back the server's replies in order. Every line sent is owed exactly one
 * final reply; the replies owed to lines whose command was given up are
 * swallowed here, so that a later command never takes an earlier one's
 * answer. Anything that ends the connection unasked for (the server closing
 * it, silence beyond the time-out, a stream that is no FTP) closes the
 * channel and is reported once through failed().
 */
class FtpControlChannel : public QObject
{
    Q_OBJECT

public:
    explicit FtpControlChannel(QObject *parent = nullptr);
    ~FtpControlChannel() override;

    // Connects and waits for the server's greeting, which comes back as the
    // reply to the connection.
    void connectToHost(const QString &host, quint16 port);
    void sendCommand(const QByteArray &command, bool discardReply = false);
    // Replies still owed from now on are swallowed.
    void discardPendingReplies();
    // Closes the connection at once, without signals.
    void close();
    bool isOpen() const { return m_socket != nullptr; }
    QHostAddress peerAddress() const;

    // How long the server may stay silent while a reply is owed; also the
    // time to connect and to be greeted.
    void setTimeout(int ms);
    // Restarts the silence count, e.g. while the data connection is busy.
    void keepAlive();

signals:
    void socketStateChanged(QAbstractSocket::SocketState state);
    void replyReceived(const FtpReply &reply);
    void failed(const QString &message);

private:
    void readReplies();
    void handleSocketError(QAbstractSocket::SocketError error);
    void fail(const QString &message);
    void updateTimer();

    QTcpSocket *m_socket = nullptr;
    QString m_host;
    FtpReplyParser m_parser;
    // One entry per final reply owed: whether it is to be swallowed.
    QQueue<bool> m_owed;
    QTimer m_timer;
};

#endif // FTPCONTROLCHANNEL_H
