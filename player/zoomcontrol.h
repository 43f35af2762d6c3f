#ifndef ZOOMCONTROL_H
#define ZOOMCONTROL_H

#include "player/zoomgeometry.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QSizeF>

class QEvent;
class QWidget;

/*
 * The live player's digital zoom as the operator drives it on the picture:
 * the wheel zooms about the cursor, a drag pans what is zoomed and a
 * double-click shows the whole picture again; the player's keys zoom about
 * the centre. It keeps the zoom and the drag in progress and sets the
 * picture's cursor to match; whoever shows the picture redraws it, at the
 * zoomed size, whenever the zoom changes.
 */
class ZoomControl
{
public:
    // One press of + or -, and one notch of the wheel, zoom by the square
    // root of two: six reach the largest zoom.
    static constexpr double Step = 1.4142135623730951;

    enum class Result {
        // Not a zoom gesture; the event goes on as before (on the map, for
        // one, presses drag the player).
        Ignored,
        // Taken, the zoom as it was; the picture is redrawn if need be.
        Taken,
        // Taken, and the zoom changed.
        Changed,
    };

    // `picture` is the widget the picture is painted on.
    explicit ZoomControl(QWidget *picture);

    const ZoomGeometry &geometry() const { return m_zoom; }

    // An event on the picture, shown in `view`.
    Result handle(QEvent *event, const QRect &view);
    // Zooms by `factor` about the centre of `view`.
    void zoomBy(double factor, const QRect &view);
    // Shows the whole picture; false when it did already.
    bool reset();

    // The size the whole picture takes when zoomed, from the size `shown`
    // it is shown at; beyond the stream's own `pixels` zooming only
    // enlarges them, which painting does as well.
    QSizeF zoomedSize(const QSizeF &shown, const QSize &pixels) const;

private:
    void settle();

    QWidget *const m_picture;
    ZoomGeometry m_zoom;
    QPoint m_panFrom;
    bool m_panning = false;
};

#endif // ZOOMCONTROL_H
