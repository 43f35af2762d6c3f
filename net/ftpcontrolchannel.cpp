#include "ftpcontrolchannel.h"

#include <QTcpSocket>

FtpControlChannel::FtpControlChannel(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(30000);
    connect(&m_timer, &QTimer::timeout, this,
            [this] { fail(tr("Connection timed out: the server did not answer")); });
}

FtpControlChannel::~FtpControlChannel()
{
    close();
}

void FtpControlChannel::connectToHost(const QString &host, quint16 port)
{
    close();
    m_host = host;
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QAbstractSocket::stateChanged, this, &FtpControlChannel::socketStateChanged);
    connect(m_socket, &QIODevice::readyRead, this, &FtpControlChannel::readReplies);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &FtpControlChannel::handleSocketError);
    connect(m_socket, &QAbstractSocket::disconnected, this,
            [this] { handleSocketError(QAbstractSocket::RemoteHostClosedError); });
    m_owed.enqueue(false); // the greeting
    updateTimer();
    m_socket->connectToHost(host, port);
}

void FtpControlChannel::sendCommand(const QByteArray &command, bool discardReply)
{
    if (!m_socket)
        return;
    m_owed.enqueue(discardReply);
    updateTimer();
    m_socket->write(command + "\r\n");
}

void FtpControlChannel::discardPendingReplies()
{
    for (bool &discard : m_owed)
        discard = true;
}

void FtpControlChannel::close()
{
    m_timer.stop();
    m_owed.clear();
    m_parser.clear();
    if (!m_socket)
        return;
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

QHostAddress FtpControlChannel::peerAddress() const
{
    return m_socket ? m_socket->peerAddress() : QHostAddress();
}

void FtpControlChannel::setTimeout(int ms)
{
    m_timer.setInterval(ms);
}

void FtpControlChannel::keepAlive()
{
    updateTimer();
}

void FtpControlChannel::readReplies()
{
    if (!m_socket)
        return;
    m_parser.addData(m_socket->readAll());
    if (!m_owed.isEmpty())
        updateTimer();
    // The receiver may close the channel (or start another connection)
    // from its slot, so the socket is checked again after each reply.
    QTcpSocket *const socket = m_socket;
    while (m_socket == socket && m_parser.hasReply()) {
        const FtpReply reply = m_parser.takeReply();
        if (reply.code == 421) {
            // The server is going away, whoever the reply was meant for.
            fail(reply.text);
            return;
        }
        if (m_owed.isEmpty())
            continue; // an unasked-for notice
        const bool discard = reply.isPreliminary() ? m_owed.head() : m_owed.dequeue();
        updateTimer();
        if (!discard)
            emit replyReceived(reply);
    }
    if (m_socket == socket && m_parser.hasError())
        fail(tr("Invalid reply from server"));
}

void FtpControlChannel::handleSocketError(QAbstractSocket::SocketError error)
{
    // Whatever the server said before it went is still to be read.
    readReplies();
    if (!m_socket)
        return;
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        fail(tr("Host %1 not found").arg(m_host));
        break;
    case QAbstractSocket::ConnectionRefusedError:
        fail(tr("Connection refused to host %1").arg(m_host));
        break;
    case QAbstractSocket::RemoteHostClosedError:
        fail(tr("Connection closed by the server"));
        break;
    default:
        fail(m_socket->errorString());
        break;
    }
}

void FtpControlChannel::fail(const QString &message)
{
    close();
    emit failed(message);
}

void FtpControlChannel::updateTimer()
{
    if (m_owed.isEmpty())
        m_timer.stop();
    else
        m_timer.start();
}
