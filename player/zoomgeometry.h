#ifndef ZOOMGEOMETRY_H
#define ZOOMGEOMETRY_H

#include <QPointF>
#include <QRectF>
#include <QSizeF>

/*
 * The digital zoom of a picture shown in a view rectangle: the part of the
 * picture that fills the view, in fractions of the picture (the whole
 * picture is 0, 0, 1, 1), from the whole picture up to MaxZoom times. The
 * zoom is the same both ways, so the picture keeps its proportions, and
 * the part never leaves the picture.
 *
 * View points and drags in pixels go in, the part to draw comes out.
 */
class ZoomGeometry
{
public:
    static constexpr double MaxZoom = 8.0;

    double zoom() const { return 1.0 / m_part.width(); }
    bool isZoomed() const;
    QRectF part() const { return m_part; }

    // Multiplies the zoom by `factor` (within 1 to MaxZoom) so that the
    // picture point under `at`, a point of `view`, stays under it.
    void zoomAt(const QPointF &at, const QRectF &view, double factor);
    // Moves the picture along with a drag of `pixels` in `view`.
    void panBy(const QPointF &pixels, const QRectF &view);
    void reset();

    // The picture point under `at`, in fractions of the picture.
    QPointF pictureAt(const QPointF &at, const QRectF &view) const;
    // The part to draw of a picture of `size`, in its own pixels.
    QRectF sourceRect(const QSizeF &size) const;

private:
    void keepInside();

    QRectF m_part {0, 0, 1, 1};
};

#endif // ZOOMGEOMETRY_H
