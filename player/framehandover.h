#ifndef FRAMEHANDOVER_H
#define FRAMEHANDOVER_H

#include <QImage>
#include <QMutex>
#include <QSize>

#include <atomic>
#include <functional>

class QPainter;
class QRect;

/*
 * The picture passed from a decoding task to the widget that paints it: one
 * buffer per player, reused, allocated again only when the painted size
 * changes. The task converts into it under the frame lock, which it only
 * ever tries: a picture that comes while the last one is being painted is
 * dropped unconverted.
 *
 * The painter tells the size it paints at, so that pictures are converted
 * straight to it and drawn 1:1.
 */
class FrameHandOver
{
public:
    enum class Delivery { Shown, Dropped, Failed };

    // GUI thread. An empty size asks for the picture's own size.
    void setTargetSize(const QSize &size);
    void paint(QPainter *painter, const QRect &rect) const;
    QImage current() const;

    // Decoding task.
    QSize targetSize() const;
    // Runs `convert` on the buffer, made `size` (Format_RGB32), unless the
    // painter holds it.
    Delivery deliver(const QSize &size, const std::function<bool(QImage *)> &convert);
    // A black picture of `size`, or none when opening failed.
    void reset(const QSize &size);

private:
    mutable QMutex m_frameLock;
    QImage m_image;
    std::atomic<quint64> m_targetSize {0};
};

#endif // FRAMEHANDOVER_H
