#include "player/zoomgeometry.h"

#include <QtMath>

namespace {

bool usable(const QRectF &view)
{
    return view.width() > 0 && view.height() > 0 && qIsFinite(view.width())
           && qIsFinite(view.height());
}

} // namespace

bool ZoomGeometry::isZoomed() const
{
    // The part is made of products and sums of fractions; a whole picture
    // reached by zooming out is exact, as the zoom is bounded to 1.
    return m_part.width() < 1.0;
}

QPointF ZoomGeometry::pictureAt(const QPointF &at, const QRectF &view) const
{
    if (!usable(view))
        return m_part.center();
    const double u = qBound(0.0, (at.x() - view.x()) / view.width(), 1.0);
    const double v = qBound(0.0, (at.y() - view.y()) / view.height(), 1.0);
    return QPointF(m_part.x() + u * m_part.width(), m_part.y() + v * m_part.height());
}

void ZoomGeometry::zoomAt(const QPointF &at, const QRectF &view, double factor)
{
    if (!usable(view) || !qIsFinite(factor) || factor <= 0 || !qIsFinite(at.x())
        || !qIsFinite(at.y())) {
        return;
    }
    const QPointF fixed = pictureAt(at, view);
    const double u = qBound(0.0, (at.x() - view.x()) / view.width(), 1.0);
    const double v = qBound(0.0, (at.y() - view.y()) / view.height(), 1.0);
    const double zoomed = qBound(1.0, zoom() * factor, MaxZoom);
    const double size = 1.0 / zoomed;
    m_part = QRectF(fixed.x() - u * size, fixed.y() - v * size, size, size);
    keepInside();
}

void ZoomGeometry::panBy(const QPointF &pixels, const QRectF &view)
{
    if (!usable(view) || !qIsFinite(pixels.x()) || !qIsFinite(pixels.y()))
        return;
    m_part.translate(-pixels.x() / view.width() * m_part.width(),
                     -pixels.y() / view.height() * m_part.height());
    keepInside();
}

void ZoomGeometry::reset()
{
    m_part = QRectF(0, 0, 1, 1);
}

void ZoomGeometry::keepInside()
{
    m_part.moveLeft(qBound(0.0, m_part.x(), 1.0 - m_part.width()));
    m_part.moveTop(qBound(0.0, m_part.y(), 1.0 - m_part.height()));
}

QRectF ZoomGeometry::sourceRect(const QSizeF &size) const
{
    return QRectF(m_part.x() * size.width(), m_part.y() * size.height(),
                  m_part.width() * size.width(), m_part.height() * size.height());
}
