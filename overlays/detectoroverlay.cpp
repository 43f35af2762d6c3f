#include "overlays/detectoroverlay.h"

#include "overlays/detectorprotocol.h"
#include "overlays/detectortransport.h"

#include <QTimer>
#include <QTimerEvent>

DetectorOverlay::DetectorOverlay(QObject *parent, const QString &url,
                                 std::unique_ptr<DetectorProtocol> protocol,
                                 std::unique_ptr<DetectorTransport> transport,
                                 const Timings &timings)
    : QObject(parent)
    , m_address(url)
    , m_protocol(std::move(protocol))
    , m_transport(transport.release())
    , m_timings(timings)
{
    m_clock.start();
    m_transport->setParent(this);
    connect(m_transport, &DetectorTransport::connected, this, &DetectorOverlay::onConnected);
    connect(m_transport, &DetectorTransport::disconnected, this, &DetectorOverlay::onDisconnected);
    connect(m_transport, &DetectorTransport::readyRead, this, &DetectorOverlay::onReadyRead);
}

DetectorOverlay::~DetectorOverlay()
{
    shutDown();
}

void DetectorOverlay::start()
{
    if (m_transport->state() != DetectorTransport::State::Closed)
        return;
    m_stopping = false;
    resetClient();
    const QString refusal = addressError();
    if (!refusal.isEmpty()) {
        showMessage(refusal);
        return;
    }
    m_transport->open(m_address.host(), m_address.port());
}

int DetectorOverlay::bufferedBytes() const
{
    return m_protocol->bufferedBytes();
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

bool DetectorOverlay::isConnected() const
{
    return m_transport->state() == DetectorTransport::State::Open;
}

QString DetectorOverlay::addressError() const
{
    return m_address.error();
}

void DetectorOverlay::shutDown()
{
    if (!m_stopping) {
        m_stopping = true;
        if (isConnected())
            m_transport->close();
    }
    resetClient();
}

void DetectorOverlay::resetClient()
{
    m_protocol->reset();
    clearImage();
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

void DetectorOverlay::transmit(const QByteArray &payload)
{
    if (isConnected())
        m_transport->write(m_protocol->encode(payload));
}

void DetectorOverlay::drawOverlay()
{
    const QSize frameSize = m_protocol->frameSize();
    if (!OverlayCanvas::isDrawable(frameSize))
        return;
    OverlayCanvas canvas(frameSize, m_targetSize, &m_labelCache);
    drawZones(canvas);
    m_shown = Shown::Overlay;
    emit newImage(canvas.finish());
}

void DetectorOverlay::showMessage(const QString &text)
{
    m_shown = Shown::Message;
    m_message = text;
    emit newImage(OverlayCanvas::message(m_protocol->frameSize(), m_targetSize, text));
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
    m_transport->close();
}

void DetectorOverlay::onConnected()
{
    if (m_tickTimerId == 0)
        m_tickTimerId = startTimer(m_timings.tickInterval, Qt::CoarseTimer);
    connectionEstablished();
}

void DetectorOverlay::onDisconnected()
{
    if (m_tickTimerId != 0) {
        killTimer(m_tickTimerId);
        m_tickTimerId = 0;
    }
    m_protocol->connectionLost();
    if (!m_stopping)
        QTimer::singleShot(m_timings.reconnectDelay, Qt::PreciseTimer, this,
                           &DetectorOverlay::start);
}

void DetectorOverlay::onReadyRead()
{
    const qint64 waiting = m_transport->bytesAvailable();
    const QString refusal = m_protocol->admit(waiting);
    if (!refusal.isEmpty()) {
        // Nothing is read: the connection goes instead of the memory.
        fail(refusal);
        return;
    }
    m_protocol->append(m_transport->read(waiting));
    while (const std::optional<OverlayReaction> reaction = m_protocol->handleNext(now())) {
        if (!carryOut(*reaction))
            break;
    }
}

void DetectorOverlay::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_tickTimerId) {
        QObject::timerEvent(event);
        return;
    }
    carryOut(m_protocol->tick(now()));
}
