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
    // Wider than any screen: something went wrong upstream.
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
    painter->drawImage(rect, m_image);
}

QImage FrameHandOver::current() const
{
    AnnotatedMutexLocker locker(&m_frameLock);
    return m_image.copy();
}

FrameHandOver::Delivery FrameHandOver::deliver(
    const QSize &size, const std::function<bool(QImage *)> &convert)
{
    AnnotatedMutexLocker locker(&m_frameLock, 0);
    if (!locker.isLocked())
        return Delivery::Dropped;
    if (m_image.size() != size)
        m_image = makeImage(size);
    return !m_image.isNull() && convert(&m_image) ? Delivery::Shown : Delivery::Failed;
}

void FrameHandOver::reset(const QSize &size)
{
    QImage black;
    if (!size.isEmpty()) {
        black = makeImage(size);
        black.fill(Qt::black);
    }
    AnnotatedMutexLocker locker(&m_frameLock);
    m_image.swap(black);
}
