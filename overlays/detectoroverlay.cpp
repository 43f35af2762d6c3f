#include "overlays/detectoroverlay.h"

#include <QTcpSocket>
#include <QTimer>

DetectorOverlay::DetectorOverlay(QObject *parent, const QString &url)
    : QObject(parent)
    , m_address(url)
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
    const QString refusal = addressError();
    if (!refusal.isEmpty()) {
        showMessage(refusal);
        return;
    }
    m_socket->connectToHost(m_address.host(), m_address.port(), QIODevice::ReadWrite,
        QAbstractSocket::AnyIPProtocol);
}

void DetectorOverlay::setTargetSize(const QSize &size)
{
    if (size == m_targetSize)
        return;
    m_targetSize = size;
    switch (m_shown) {
    case Shown::Overlay:
        drawOverlay();
        break;
    case Shown::Message:
        showMessage(m_message);
        break;
    case Shown::Nothing:
        break;
    }
}

QString DetectorOverlay::addressError() const
{
    return m_address.error();
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

void DetectorOverlay::drawOverlay()
{
    if (!OverlayCanvas::isDrawable(frameSize()))
        return;
    OverlayCanvas canvas(frameSize(), m_targetSize, &m_labelCache);
    drawZones(canvas);
    m_shown = Shown::Overlay;
    emit newImage(canvas.finish());
}

void DetectorOverlay::showMessage(const QString &text)
{
    m_shown = Shown::Message;
    m_message = text;
    emit newImage(OverlayCanvas::message(frameSize(), m_targetSize, text));
}

void DetectorOverlay::clearImage()
{
    m_shown = Shown::Nothing;
    m_message.clear();
    emit newImage(QPixmap());
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
