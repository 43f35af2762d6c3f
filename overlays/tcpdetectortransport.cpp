#include "overlays/tcpdetectortransport.h"

#include <QTcpSocket>

TcpDetectorTransport::TcpDetectorTransport(QObject *parent)
    : DetectorTransport(parent)
    , m_socket(new QTcpSocket(this))
{
    connect(m_socket, &QAbstractSocket::stateChanged, this, &TcpDetectorTransport::onStateChanged);
    connect(m_socket, &QIODevice::readyRead, this, &DetectorTransport::readyRead);
}

DetectorTransport::State TcpDetectorTransport::state() const
{
    switch (m_socket->state()) {
    case QAbstractSocket::UnconnectedState:
        return State::Closed;
    case QAbstractSocket::ConnectedState:
        return State::Open;
    default:
        return State::Opening;
    }
}

void TcpDetectorTransport::open(const QString &host, quint16 port)
{
    m_socket->connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void TcpDetectorTransport::close()
{
    m_socket->disconnectFromHost();
}

qint64 TcpDetectorTransport::bytesAvailable() const
{
    return m_socket->bytesAvailable();
}

QByteArray TcpDetectorTransport::read(qint64 maxSize)
{
    return m_socket->read(maxSize);
}

void TcpDetectorTransport::write(const QByteArray &bytes)
{
    m_socket->write(bytes);
}

void TcpDetectorTransport::onStateChanged(QAbstractSocket::SocketState socketState)
{
    if (socketState == QAbstractSocket::ConnectedState)
        emit connected();
    else if (socketState == QAbstractSocket::UnconnectedState)
        emit disconnected();
}
