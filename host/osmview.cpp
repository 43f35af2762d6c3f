#include "osmview.h"

#include <QKeyEvent>
#include <QWheelEvent>
#include <QtMath>

OsmView::OsmView(QGraphicsScene *scene, QWidget *parent)
    : QGraphicsView(scene, parent)
{
    setObjectName(QStringLiteral("osmView"));
    setDragMode(QGraphicsView::ScrollHandDrag);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setRenderHint(QPainter::Antialiasing);
    setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);
    applyScale();
}

OsmView::~OsmView() = default;

double OsmView::pixelsPerDegree(int zoom)
{
    return 256.0 * std::ldexp(1.0, zoom) / 360.0;
}

void OsmView::setReferenceLatitude(double latitude)
{
    m_referenceLatitude = qBound(-85.0, latitude, 85.0);
    applyScale();
}

void OsmView::setZoom(int zoom)
{
    zoom = qBound(MinZoom, zoom, MaxZoom);
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    applyScale();
    emit zoomChanged(m_zoom);
}

void OsmView::applyScale()
{
    const double sx = pixelsPerDegree(m_zoom);
    const double sy = sx / std::cos(qDegreesToRadians(m_referenceLatitude));
    setTransform(QTransform::fromScale(sx, -sy));
}

void OsmView::wheelEvent(QWheelEvent *event)
{
    m_wheelRemainder += event->angleDelta().y();
    while (m_wheelRemainder >= 120) {
        m_wheelRemainder -= 120;
        zoomIn();
    }
    while (m_wheelRemainder <= -120) {
        m_wheelRemainder += 120;
        zoomOut();
    }
    event->accept();
}

void OsmView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomIn();
        break;
    case Qt::Key_Minus:
        zoomOut();
        break;
    default:
        QGraphicsView::keyPressEvent(event);
        return;
    }
    event->accept();
}
