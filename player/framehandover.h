#ifndef FRAMEHANDOVER_H
#define FRAMEHANDOVER_H

#include <QImage>
#include <QMutex>
#include <QSize>

#include <atomic>

class QPainter;
class QRect;

/*
 * The pictures passed from a decoding task to the widget that paints them.
 * The task converts into a back buffer of its own and swaps it with the
 * shown one under the frame lock, which it only ever tries: a picture that
 * comes while the last one is being painted is dropped, and the painter
 * never waits for a conversion. Both buffers are reused; only a change of
 * the shown size allocates.
 *
 * The painter tells the size it paints at, so that pictures are converted
 * straight to it and drawn 1:1.
 */
class FrameHandOver
{
public:
    // GUI thread. An empty size asks for the picture's own size.
    void setTargetSize(const QSize &size);
    void paint(QPainter *painter, const QRect &rect) const;
    QImage current() const;

    // Decoding task.
    QSize targetSize() const;
    QImage *backBuffer(const QSize &size);
    // False when the picture was dropped because the shown one was busy.
    bool publish();
    // A black picture of `size`, or none when opening failed.
    void reset(const QSize &size);

private:
    mutable QMutex m_frameLock;
    QImage m_front;
    QImage m_back;
    std::atomic<quint64> m_targetSize {0};
};

#endif // FRAMEHANDOVER_H
