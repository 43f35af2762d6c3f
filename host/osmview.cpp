#include "osmview.h"

#include <QKeyEvent>
#include <QPainter>
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
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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

void OsmView::showArea(const QRectF &area)
{
    const QSize pixels = viewport()->size();
    setReferenceLatitude(area.center().y());
    const double stretch = 1.0 / std::cos(qDegreesToRadians(m_referenceLatitude));
    int zoom = MaxZoom - 3;
    while (zoom > MinZoom
           && (area.width() * pixelsPerDegree(zoom) > pixels.width() * 0.8
               || area.height() * pixelsPerDegree(zoom) * stretch > pixels.height() * 0.8)) {
        --zoom;
    }
    setZoom(zoom);
    centerOn(area.center());
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

double OsmView::graticuleStep(double pixelsPerDegree, double minPixels)
{
    static const double steps[] = {0.0005, 0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1,
                                   0.2,    0.5,   1.0,   2.0,   5.0,  10.0, 20.0, 30.0};
    for (const double step : steps) {
        if (step * pixelsPerDegree >= minPixels)
            return step;
    }
    return 45.0;
}

void OsmView::setTileDirectory(const QString &directory)
{
    m_tiles.setDirectory(directory);
    viewport()->update();
}

void OsmView::setGraticuleVisible(bool visible)
{
    m_graticuleVisible = visible;
    viewport()->update();
}

void OsmView::drawBackground(QPainter *painter, const QRectF &rect)
{
    QGraphicsView::drawBackground(painter, rect);
    m_tiles.paint(painter, rect, m_zoom);
}

void OsmView::drawForeground(QPainter *painter, const QRectF &rect)
{
    if (!m_graticuleVisible)
        return;
    const QRectF visible = mapToScene(viewport()->rect()).boundingRect();
    const double step = graticuleStep(pixelsPerDegree(m_zoom));
    const int decimals = qMax(0, int(std::ceil(-std::log10(step))));
    const QTransform toDevice = painter->worldTransform();

    painter->save();
    painter->resetTransform();
    QPen pen(QColor(60, 60, 120, 70));
    pen.setCosmetic(true);
    painter->setPen(pen);
    QFont font = painter->font();
    font.setPixelSize(10);
    painter->setFont(font);

    const QRectF device = toDevice.mapRect(rect);
    for (double lon = std::floor(visible.left() / step) * step; lon <= visible.right();
         lon += step) {
        const double x = toDevice.map(QPointF(lon, 0)).x();
        painter->drawLine(QPointF(x, device.top()), QPointF(x, device.bottom()));
        painter->drawText(QPointF(x + 3, 12), QString::number(lon, 'f', decimals) + QChar(0xb0));
    }
    for (double lat = std::floor(visible.top() / step) * step; lat <= visible.bottom();
         lat += step) {
        const double y = toDevice.map(QPointF(0, lat)).y();
        painter->drawLine(QPointF(device.left(), y), QPointF(device.right(), y));
        painter->drawText(QPointF(3, y - 3), QString::number(lat, 'f', decimals) + QChar(0xb0));
    }
    painter->restore();
}
