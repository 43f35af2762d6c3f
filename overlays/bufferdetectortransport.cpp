#include "overlays/bufferdetectortransport.h"

BufferDetectorTransport::BufferDetectorTransport(QObject *parent)
    : DetectorTransport(parent)
{ }

void BufferDetectorTransport::open(const QString &host, quint16 port)
{
    Q_UNUSED(host)
    Q_UNUSED(port)
    if (m_open)
        return;
    m_open = true;
    emit connected();
}

void BufferDetectorTransport::close()
{
    hangUp();
}

QByteArray BufferDetectorTransport::read(qint64 maxSize)
{
    const QByteArray bytes = m_incoming.left(int(qMin<qint64>(maxSize, m_incoming.size())));
    m_incoming.remove(0, bytes.size());
    return bytes;
}

void BufferDetectorTransport::write(const QByteArray &bytes)
{
    if (m_open)
        m_written += bytes;
}

void BufferDetectorTransport::deliver(const QByteArray &bytes)
{
    if (!m_open || bytes.isEmpty())
        return;
    m_incoming += bytes;
    emit readyRead();
}

void BufferDetectorTransport::hangUp()
{
    if (!m_open)
        return;
    m_open = false;
    m_incoming.clear();
    emit disconnected();
}
