#include "overlays/receivebuffer.h"

ReceiveBuffer::Admission ReceiveBuffer::admit(qint64 waiting) const
{
    if (waiting > Limit)
        return PacketTooBig;
    if (size() + waiting > Limit)
        return BufferTooBig;
    return Admitted;
}

void ReceiveBuffer::append(const QByteArray &bytes)
{
    if (m_start > 0) {
        m_data.remove(0, m_start);
        m_start = 0;
    }
    m_data.append(bytes);
}

void ReceiveBuffer::clear()
{
    m_data.clear();
    m_start = 0;
}

int ReceiveBuffer::indexOf(const char *pattern) const
{
    const int index = m_data.indexOf(pattern, m_start);
    return index < 0 ? -1 : index - m_start;
}

QByteArray ReceiveBuffer::take(int length)
{
    const int count = qBound(0, length, size());
    const QByteArray unit = m_data.mid(m_start, count);
    skip(count);
    return unit;
}

void ReceiveBuffer::skip(qint64 length)
{
    if (length >= size()) {
        clear();
        return;
    }
    if (length > 0)
        m_start += int(length);
}
