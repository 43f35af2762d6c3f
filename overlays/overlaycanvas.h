#ifndef OVERLAYCANVAS_H
#define OVERLAYCANVAS_H

#include <QHash>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QStaticText>
#include <QTransform>

/*
 * The drawing style shared by the detector overlays: a transparent image of
 * the detector's frame, zone outlines and labels in red (active) or green,
 * 2 pixels wide, never filled.
 *
 * The image is drawn at the size it is shown at when the client knows it,
 * else at the frame's size, and never larger than MaxSide on a side; zones
 * and marks are given in the detector's frame coordinates and scaled to it.
 * So the cost of an overlay follows the player, not what a detector claims.
 */
class OverlayCanvas
{
public:
    // A 4K frame or screen is still drawn pixel for pixel: 3840 x 2160 takes
    // 33 MB and 11-16 ms to draw here, where 8192 x 8192 took 268 MB and 190 ms.
    static constexpr int MaxSide = 3840;

    // Laid-out zone labels kept by a client from one image to the next: a
    // label is then only drawn, not shaped again.
    using LabelCache = QHash<QString, QStaticText>;

    static bool isDrawable(const QSize &frame);
    // The size of the image of `frame` for a player showing it at `shown`
    // (invalid or empty: not known).
    static QSize imageSize(const QSize &frame, const QSize &shown);
    // `text` centred on one line, in red, on a transparent image of the size
    // for `frame` and `shown` (300 x 300 pixels when neither is drawable).
    static QPixmap message(const QSize &frame, const QSize &shown, const QString &text);

    OverlayCanvas(const QSize &frame, const QSize &shown, LabelCache *labels);
    OverlayCanvas(const OverlayCanvas &) = delete;
    OverlayCanvas &operator=(const OverlayCanvas &) = delete;

    // Outline and centred label of one zone; false, with nothing drawn, for
    // a polygon of fewer than four points.
    bool drawZone(const QPolygon &polygon, bool active, const QString &label);
    // Direction marks, in the pen of the last zone.
    void drawLines(const QLineF *lines, int count);
    QPixmap finish();

private:
    QPixmap m_pixmap;
    QPainter m_painter;
    QTransform m_toImage;
    LabelCache *m_labels;
    const QPen m_activePen;
    const QPen m_idlePen;
};

#endif // OVERLAYCANVAS_H
