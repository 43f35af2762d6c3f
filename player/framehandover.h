#ifndef FRAMEHANDOVER_H
#define FRAMEHANDOVER_H

#include "player/ffmpegptr.h"
#include "player/streamstatistics.h"

#include <QImage>
#include <QMutex>
#include <QSize>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QPainter;
class QRect;
class QRectF;

/*
 * The picture passed from a decoding task to the widget that paints it: one
 * buffer per player, reused, allocated again only when the painted size
 * changes. The task converts into it under the frame lock, which it only
 * ever tries: a picture that comes while the last one is being painted is
 * dropped unconverted.
 *
 * The painter tells the size it paints at, so that pictures are converted
 * straight to it and drawn 1:1. The decoded picture last shown is kept as
 * well, for a still at the stream's own size; the task moves it in without
 * copying and without ever waiting.
 *
 * The running totals behind the player's statistics are counted here too,
 * in atomics the painter reads.
 */
class FrameHandOver
{
public:
    enum class Delivery { Shown, Dropped, Failed };

    // GUI thread. An empty size asks for the picture's own size.
    void setTargetSize(const QSize &size);
    // False while there is no picture to paint.
    bool paint(QPainter *painter, const QRect &rect) const;
    // Only `part` of the picture (fractions of it) is drawn into `rect`.
    bool paint(QPainter *painter, const QRect &rect, const QRectF &part) const;
    QImage current() const;
    // Any thread: a new reference to the decoded picture last shown; null
    // before the first one and after an opening.
    std::shared_ptr<AVFrame> shownFrame() const;
    StreamStatistics::Totals totals() const;

    // Decoding task.
    QSize targetSize() const;
    // Runs `convert` on the buffer, made `size` (Format_RGB32), unless the
    // painter holds it.
    Delivery deliver(const QSize &size, const std::function<bool(QImage *)> &convert);
    // A black picture of `size`, or none when opening failed.
    void reset(const QSize &size);
    // Takes over `frame`'s reference, just shown, leaving it empty; keeps
    // the last one instead while a still is taking it.
    void keep(AVFrame *frame);
    void countBytes(int bytes);

    // A picture buffer laid out for the scaler; null beyond 32768 a side.
    static QImage pictureBuffer(const QSize &size);

private:
    mutable QMutex m_frameLock;
    QImage m_image;
    std::atomic<quint64> m_targetSize {0};

    mutable std::mutex m_shownLock;
    FFmpeg::FramePtr m_shown;

    std::atomic<quint64> m_bytes {0};
    std::atomic<quint64> m_pictures {0};
    std::atomic<quint64> m_dropped {0};
};

#endif // FRAMEHANDOVER_H
