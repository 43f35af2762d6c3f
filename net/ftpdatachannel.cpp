#include "ftpdatachannel.h"

#include <QTcpSocket>

#include <utility>

FtpDataChannel::FtpDataChannel(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(30000);
    connect(&m_timer, &QTimer::timeout, this, [this] { fail(tr("Data connection timed out")); });
}

FtpDataChannel::~FtpDataChannel()
{
    close();
}

void FtpDataChannel::connectToHost(const QHostAddress &address, quint16 port)
{
    close();
    m_peerClosed = false;
    m_socket = new QTcpSocket(this);
    m_socket->setReadBufferSize(ReadBufferSize);
    connect(m_socket, &QAbstractSocket::connected, this, [this] {
        m_timer.start();
        emit connected();
    });
    connect(m_socket, &QIODevice::readyRead, this, &FtpDataChannel::readData);
    connect(m_socket, &QAbstractSocket::disconnected, this, &FtpDataChannel::handleDisconnected);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &FtpDataChannel::handleSocketError);
    m_timer.start();
    m_socket->connectToHost(address, port);
}

void FtpDataChannel::close()
{
    m_timer.stop();
    if (!m_socket)
        return;
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void FtpDataChannel::setTimeout(int ms)
{
    m_timer.setInterval(ms);
}

void FtpDataChannel::readData()
{
    if (!m_socket)
        return;
    m_timer.start();
    const QByteArray data = m_socket->read(PieceSize);
    if (!data.isEmpty())
        emit dataReceived(data);
    if (!m_socket)
        return;
    if (m_socket->bytesAvailable() > 0) {
        readLater();
    } else if (m_peerClosed) {
        close();
        emit finished();
    }
}

void FtpDataChannel::readLater()
{
    if (std::exchange(m_readQueued, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_readQueued = false;
            readData();
        },
        Qt::QueuedConnection);
}

void FtpDataChannel::handleDisconnected()
{
    // What the socket still holds goes on piece by piece; the transfer
    // ends with the last of it.
    m_peerClosed = true;
    readData();
}

void FtpDataChannel::handleSocketError(QAbstractSocket::SocketError error)
{
    if (!m_socket)
        return;
    // The server closing the connection is how a transfer ends.
    if (error == QAbstractSocket::RemoteHostClosedError) {
        handleDisconnected();
        return;
    }
    fail(tr("Data connection failed: %1").arg(m_socket->errorString()));
}

void FtpDataChannel::fail(const QString &message)
{
    close();
    emit failed(message);
}
