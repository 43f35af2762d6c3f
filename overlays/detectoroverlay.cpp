#include "overlays/detectoroverlay.h"

#include <QTcpSocket>
#include <QTimer>

DetectorOverlay::DetectorOverlay(QObject *parent, const QString &url)
    : QObject(parent)
    , m_url(url, QUrl::TolerantMode)
    , m_socket(new QTcpSocket(this))
{
    m_clock.start();
    connect(m_socket, &QAbstractSocket::stateChanged, this, &DetectorOverlay::onSocketStateChanged);
    connect(m_socket, &QIODevice::readyRead, this, &DetectorOverlay::onSocketReadyRead);
}

void DetectorOverlay::start()
{
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        return;
    m_stopping = false;
    resetClient();
    // A URL without a port gives -1, which is passed on as it is.
    m_socket->connectToHost(m_url.host(QUrl::FullyDecoded), quint16(m_url.port()),
        QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void DetectorOverlay::shutDown()
{
    if (!m_stopping) {
        m_stopping = true;
        if (m_socket->state() == QAbstractSocket::ConnectedState)
            m_socket->disconnectFromHost();
    }
    resetClient();
}

bool DetectorOverlay::carryOut(const OverlayReaction &reaction)
{
    for (const QByteArray &payload : reaction.send)
        transmit(payload);
    if (reaction.redraw)
        drawOverlay();
    if (!reaction.error.isEmpty()) {
        fail(reaction.error);
        return false;
    }
    return !reaction.halt;
}

void DetectorOverlay::showMessage(const QString &text)
{
    emit newImage(OverlayCanvas::message(frameSize(), text));
}

void DetectorOverlay::fail(const QString &text)
{
    showMessage(text);
    m_socket->disconnectFromHost();
}

void DetectorOverlay::onSocketStateChanged(QAbstractSocket::SocketState socketState)
{
    switch (socketState) {
    case QAbstractSocket::ConnectedState:
        if (m_tickTimerId == 0)
            m_tickTimerId = startTimer(TickInterval, Qt::CoarseTimer);
        connectionEstablished();
        break;
    case QAbstractSocket::UnconnectedState:
        if (m_tickTimerId != 0) {
            killTimer(m_tickTimerId);
            m_tickTimerId = 0;
        }
        connectionLost();
        if (!m_stopping)
            QTimer::singleShot(ReconnectDelay, Qt::PreciseTimer, this, &DetectorOverlay::start);
        break;
    default:
        break;
    }
}

void DetectorOverlay::onSocketReadyRead()
{
    const qint64 waiting = m_socket->bytesAvailable();
    const QString refusal = admit(waiting);
    if (!refusal.isEmpty()) {
        // Nothing is read: the connection goes instead of the memory.
        fail(refusal);
        return;
    }
    receive(m_socket->read(waiting));
    while (const std::optional<OverlayReaction> reaction = nextReaction()) {
        if (!carryOut(*reaction))
            break;
    }
}
