#include "player/framehandover.h"

#include "player/annotatedmutexlocker.h"

#include <QPainter>
#include <QRectF>

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
    const qsizetype stride =
        (qsizetype(size.width()) * 4 + RowAlignment - 1) / RowAlignment * RowAlignment;
    auto *buffer = static_cast<uchar *>(av_malloc(size_t(stride * size.height() + Padding)));
    if (!buffer)
        return QImage();
    return QImage(buffer, size.width(), size.height(), stride, QImage::Format_RGB32, freeBuffer,
                  buffer);
}

} // namespace

void FrameHandOver::setTargetSize(const QSize &size)
{
    const quint64 packed =
        size.isEmpty() ? 0
                       : (quint64(quint32(size.width())) << 32) | quint64(quint32(size.height()));
    m_targetSize.store(packed);
}

QSize FrameHandOver::targetSize() const
{
    const quint64 packed = m_targetSize.load();
    return QSize(int(packed >> 32), int(packed & 0xffffffffu));
}

bool FrameHandOver::paint(QPainter *painter, const QRect &rect) const
{
    AnnotatedMutexLocker locker(&m_frameLock);
    // Pictures come at the painted size; other sizes are scaled while a new
    // size has not reached the task yet.
    painter->drawImage(rect, m_image);
    return !m_image.isNull();
}

bool FrameHandOver::paint(QPainter *painter, const QRect &rect, const QRectF &part) const
{
    AnnotatedMutexLocker locker(&m_frameLock);
    const QRectF source(part.x() * m_image.width(), part.y() * m_image.height(),
                        part.width() * m_image.width(), part.height() * m_image.height());
    painter->drawImage(QRectF(rect), m_image, source);
    return !m_image.isNull();
}

QImage FrameHandOver::current() const
{
    AnnotatedMutexLocker locker(&m_frameLock);
    return m_image.copy();
}

std::shared_ptr<AVFrame> FrameHandOver::shownFrame() const
{
    FFmpeg::FramePtr copy(av_frame_alloc());
    std::lock_guard<std::mutex> locker(m_shownLock);
    if (!copy || !m_shown || av_frame_ref(copy.get(), m_shown.get()) < 0)
        return nullptr;
    return std::shared_ptr<AVFrame>(std::move(copy));
}

StreamStatistics::Totals FrameHandOver::totals() const
{
    StreamStatistics::Totals totals;
    totals.bytes = m_bytes.load(std::memory_order_relaxed);
    totals.pictures = m_pictures.load(std::memory_order_relaxed);
    totals.dropped = m_dropped.load(std::memory_order_relaxed);
    return totals;
}

void FrameHandOver::countBytes(int bytes)
{
    if (bytes > 0)
        m_bytes.fetch_add(quint64(bytes), std::memory_order_relaxed);
}

void FrameHandOver::keep(AVFrame *frame)
{
    std::unique_lock<std::mutex> locker(m_shownLock, std::try_to_lock);
    if (!locker.owns_lock())
        return;
    if (!m_shown)
        m_shown.reset(av_frame_alloc());
    if (!m_shown)
        return;
    // Unreferencing gives the old picture's buffers back to the decoder's
    // pool; moving allocates nothing.
    av_frame_unref(m_shown.get());
    av_frame_move_ref(m_shown.get(), frame);
}

QImage FrameHandOver::pictureBuffer(const QSize &size)
{
    return makeImage(size);
}

FrameHandOver::Delivery FrameHandOver::deliver(const QSize &size,
                                               const std::function<bool(QImage *)> &convert)
{
    m_pictures.fetch_add(1, std::memory_order_relaxed);
    AnnotatedMutexLocker locker(&m_frameLock, 0);
    if (!locker.isLocked()) {
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return Delivery::Dropped;
    }
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
    {
        AnnotatedMutexLocker locker(&m_frameLock);
        m_image.swap(black);
    }
    // The screen shows no picture of the stream now, so there is none for
    // a still either.
    std::lock_guard<std::mutex> locker(m_shownLock);
    m_shown.reset();
}
