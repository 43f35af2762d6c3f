#include "player/proxysocket.h"

#include "player/streamaddress.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QUrl>

#include <utility>

namespace {

constexpr int CameraTimeoutMs = 30000;

void pass(QTcpSocket *from, QTcpSocket *to)
{
    if (from->isReadable() && to->isWritable() && from->bytesAvailable() > 0)
        to->write(from->readAll());
}

} // namespace

ProxySocket::ProxySocket(const QString &host, quint16 port, QObject *parent)
    : QTcpServer(parent)
    , m_remoteHost(host)
    , m_remotePort(port)
    , m_remoteSocket(new QTcpSocket(this))
{
    m_remoteSocket->setProxy(QNetworkProxy::NoProxy);
    connect(m_remoteSocket, &QAbstractSocket::stateChanged, this,
            &ProxySocket::onRemoteSocketStateChanged);
    connect(m_remoteSocket, &QIODevice::readyRead, this, &ProxySocket::onRemoteSocketReadyRead);

    setProxy(QNetworkProxy::NoProxy);
    if (!listen(QHostAddress::LocalHost, 0))
        qWarning("ProxySocket %s %s", qUtf8Printable(tr("error listening")),
                 qUtf8Printable(errorString()));
}

ProxySocket::~ProxySocket() = default;

QUrl ProxySocket::relayUrl(QUrl url, QObject *parent)
{
    // Without a port the camera listens on its scheme's own (RTSP 554).
    const int port = url.port(StreamAddress::defaultPort(url.scheme()));
    const auto *relay = new ProxySocket(url.host(QUrl::FullyDecoded), quint16(port), parent);
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(relay->serverPort());
    return url;
}

void ProxySocket::incomingConnection(qintptr socketDescriptor)
{
    if (m_clientSocket) {
        dropClient();
        disconnectRemote();
    }

    m_clientSocket = new QTcpSocket(this);
    m_clientSocket->setProxy(QNetworkProxy::NoProxy);
    if (!m_clientSocket->setSocketDescriptor(socketDescriptor, QAbstractSocket::ConnectedState,
                                             QIODevice::ReadWrite)) {
        qWarning("ProxySocket %s", qUtf8Printable(tr("can't set socket descriptor")));
        delete m_clientSocket;
        m_clientSocket = nullptr;
        return;
    }
    connect(m_clientSocket, &QIODevice::readyRead, this, &ProxySocket::onClientReadyRead);
    connect(m_clientSocket, &QAbstractSocket::stateChanged, this,
            &ProxySocket::onClientStateChanged);

    // Blocks the caller's thread; a refused or timed-out attempt shows up as
    // the remote socket falling back to the unconnected state.
    m_remoteSocket->connectToHost(m_remoteHost, m_remotePort, QIODevice::ReadWrite,
                                  QAbstractSocket::AnyIPProtocol);
    m_remoteSocket->waitForConnected(CameraTimeoutMs);
}

void ProxySocket::onClientReadyRead()
{
    if (m_clientSocket)
        pass(m_clientSocket, m_remoteSocket);
}

void ProxySocket::onRemoteSocketReadyRead()
{
    if (m_clientSocket)
        pass(m_remoteSocket, m_clientSocket);
}

void ProxySocket::onClientStateChanged(QAbstractSocket::SocketState state)
{
    if (state != QAbstractSocket::UnconnectedState)
        return;
    if (m_clientSocket)
        pass(m_clientSocket, m_remoteSocket);
    disconnectRemote();
    // Normally gone with the camera connection; not when there was none.
    if (m_clientSocket)
        dropClient();
}

void ProxySocket::onRemoteSocketStateChanged(QAbstractSocket::SocketState state)
{
    if (state != QAbstractSocket::UnconnectedState || !m_clientSocket)
        return;
    pass(m_remoteSocket, m_clientSocket);
    dropClient();
}

// Closes the client once what the camera sent has gone out. The socket may
// be in the middle of emitting a signal, so it is deleted later.
void ProxySocket::dropClient()
{
    QTcpSocket *client = std::exchange(m_clientSocket, nullptr);
    client->disconnect(this);
    connect(client, &QAbstractSocket::disconnected, client, &QObject::deleteLater);
    client->disconnectFromHost();
    if (client->state() == QAbstractSocket::UnconnectedState)
        client->deleteLater();
}

void ProxySocket::disconnectRemote()
{
    if (m_remoteSocket->state() == QAbstractSocket::UnconnectedState)
        return;
    m_remoteSocket->disconnectFromHost();
    if (m_remoteSocket->state() != QAbstractSocket::UnconnectedState
        && !m_remoteSocket->waitForDisconnected(CameraTimeoutMs))
        m_remoteSocket->abort();
}
