#include "player/framehandover.h"

#include "player/annotatedmutexlocker.h"

#include <QPainter>

extern "C" {
#include <libavutil/mem.h>
}

namespace {

// The scaler's vector code reads and writes whole blocks: rows start on
// 64-byte boundaries and the buffer ends with a spare block.
constexpr int RowAlignment = 64;
constexpr int Padding = 64;

void freeBuffer(void *buffer)
{
    av_free(buffer);
}

QImage makeImage(const QSize &size)
{
    if (size.isEmpty() || size.width() > 32768 || size.height() > 32768)
        return QImage();
    const qsizetype stride = (qsizetype(size.width()) * 4 + RowAlignment - 1) / RowAlignment
        * RowAlignment;
    auto *buffer = static_cast<uchar *>(av_malloc(size_t(stride * size.height() + Padding)));
    if (!buffer)
        return QImage();
    return QImage(buffer, size.width(), size.height(), stride, QImage::Format_RGB32, freeBuffer,
        buffer);
}

} // namespace

void FrameHandOver::setTargetSize(const QSize &size)
{
    const quint64 packed = size.isEmpty()
        ? 0
        : (quint64(quint32(size.width())) << 32) | quint64(quint32(size.height()));
    m_targetSize.store(packed);
}

QSize FrameHandOver::targetSize() const
{
    const quint64 packed = m_targetSize.load();
    return QSize(int(packed >> 32), int(packed & 0xffffffffu));
}

void FrameHandOver::paint(QPainter *painter, const QRect &rect) const
{
    AnnotatedMutexLocker locker(&m_frameLock);
    // Pictures come at the painted size; other sizes are scaled while a new
    // size has not reached the task yet.
    painter->drawImage(rect, m_front);
}

QImage FrameHandOver::current() const
{
    AnnotatedMutexLocker locker(&m_frameLock);
    return m_front.copy();
}

QImage *FrameHandOver::backBuffer(const QSize &size)
{
    if (m_back.size() != size)
        m_back = makeImage(size);
    return m_back.isNull() ? nullptr : &m_back;
}

bool FrameHandOver::publish()
{
    AnnotatedMutexLocker locker(&m_frameLock, 0);
    if (!locker.isLocked())
        return false;
    m_front.swap(m_back);
    return true;
}

void FrameHandOver::reset(const QSize &size)
{
    QImage black;
    if (!size.isEmpty()) {
        black = makeImage(size);
        black.fill(Qt::black);
    }
    AnnotatedMutexLocker locker(&m_frameLock);
    m_front.swap(black);
}
