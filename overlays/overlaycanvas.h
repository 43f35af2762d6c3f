#ifndef OVERLAYCANVAS_H
#define OVERLAYCANVAS_H

#include <QHash>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QStaticText>

/*
 * The drawing style shared by the detector overlays: a transparent image of
 * the detector's frame, zone outlines and labels in red (active) or green,
 * 2 pixels wide, never filled. Direction marks are drawn by the client
 * through painter() in the pen of the last shape.
 */
class OverlayCanvas
{
public:
    // A frame larger than this on any side is not drawn: its image alone
    // would take hundreds of megabytes.
    static constexpr int MaxSide = 8192;

    // Laid-out zone labels kept by a client from one image to the next: a
    // label is then only drawn, not shaped again.
    using LabelCache = QHash<QString, QStaticText>;

    static bool isDrawable(const QSize &size);
    // `text` centred on one line, in red, on a transparent image of `size`
    // (300 x 300 pixels when the size is not drawable).
    static QPixmap message(const QSize &size, const QString &text);

    OverlayCanvas(const QSize &size, LabelCache *labels);
    OverlayCanvas(const OverlayCanvas &) = delete;
    OverlayCanvas &operator=(const OverlayCanvas &) = delete;

    // Outline and centred label of one zone; false, with nothing drawn, for
    // a polygon of fewer than four points.
    bool drawZone(const QPolygon &polygon, bool active, const QString &label);
    QPainter &painter() { return m_painter; }
    QPixmap finish();

private:
    QPixmap m_pixmap;
    QPainter m_painter;
    LabelCache *m_labels;
    const QPen m_activePen;
    const QPen m_idlePen;
};

#endif // OVERLAYCANVAS_H
