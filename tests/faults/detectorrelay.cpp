#include "detectorrelay.h"

#include <QTcpSocket>

DetectorRelay::DetectorRelay(quint16 detectorPort, QObject *parent)
    : QObject(parent)
    , m_detectorPort(detectorPort)
{
    m_clock.start();
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &DetectorRelay::accept);
    connect(&m_paceTimer, &QTimer::timeout, this, &DetectorRelay::passPaced);
}

DetectorRelay::~DetectorRelay()
{
    for (int i = 0; i < m_connections.size(); ++i)
        close(i);
}

QString DetectorRelay::url(const QString &userInfo) const
{
    const QString user = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
    return QStringLiteral("tcp://") + user + QStringLiteral("127.0.0.1:") + QString::number(port())
           + QLatin1Char('/');
}

void DetectorRelay::pace(int intervalMs)
{
    m_paced = true;
    if (intervalMs > 0)
        m_paceTimer.start(intervalMs);
}

void DetectorRelay::accept()
{
    while (QTcpSocket *client = m_server.nextPendingConnection()) {
        const int index = m_connections.size();
        Connection connection;
        connection.client = client;
        connection.openedAt = m_clock.elapsed();
        m_connections.append(connection);
        if (index == 0 && m_cut == CutAtOnce) {
            close(index);
            continue;
        }

        auto *detector = new QTcpSocket(this);
        m_connections[index].detector = detector;
        connect(client, &QTcpSocket::readyRead, this, [this, index] { fromClient(index); });
        connect(detector, &QTcpSocket::readyRead, this, [this, index] { fromDetector(index); });
        connect(client, &QTcpSocket::disconnected, this, [this, index] { close(index); });
        connect(detector, &QTcpSocket::disconnected, this, [this, index] { close(index); });
        detector->connectToHost(QHostAddress::LocalHost, m_detectorPort);
    }
}

void DetectorRelay::fromClient(int index)
{
    Connection &connection = m_connections[index];
    const QByteArray bytes = connection.client->readAll();
    connection.fromClient += bytes;
    // The detector socket may still be connecting; it writes once it is.
    if (connection.detector)
        connection.detector->write(bytes);
}

void DetectorRelay::fromDetector(int index)
{
    Connection &connection = m_connections[index];
    QByteArray bytes = connection.detector->readAll();
    if (index == 0 && m_paced) {
        m_held += bytes;
        return;
    }
    if (index == 0 && m_cut >= 0) {
        const qint64 allowed = m_cut - connection.fromDetector.size();
        if (bytes.size() > allowed) {
            connection.fromDetector += bytes.left(int(allowed));
            if (connection.client)
                connection.client->write(bytes.left(int(allowed)));
            close(index);
            return;
        }
    }
    connection.fromDetector += bytes;
    if (connection.client)
        connection.client->write(bytes);
}

void DetectorRelay::passPaced()
{
    if (m_held.isEmpty() || m_connections.isEmpty() || !m_connections.first().client)
        return;
    Connection &connection = m_connections.first();
    connection.fromDetector += m_held.left(1);
    connection.client->write(m_held.left(1));
    m_held.remove(0, 1);
}

void DetectorRelay::close(int index)
{
    Connection &connection = m_connections[index];
    if (connection.closedAt < 0)
        connection.closedAt = m_clock.elapsed();
    // Either socket may be the one emitting right now. What the client is
    // still owed goes out before its connection closes.
    if (QTcpSocket *detector = connection.detector) {
        detector->disconnect(this);
        detector->abort();
        detector->deleteLater();
    }
    if (QTcpSocket *client = connection.client) {
        client->disconnect(this);
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        client->disconnectFromHost();
        if (client->state() == QAbstractSocket::UnconnectedState)
            client->deleteLater();
    }
    connection.client = nullptr;
    connection.detector = nullptr;
}
