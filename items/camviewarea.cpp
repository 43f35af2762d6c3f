#include "camviewarea.h"

#include "items/camgraphicsitem.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPainter>
#include <QPen>
#include <QtMath>

namespace {

// Degrees of latitude per metre, doubled: the mapped length is the diameter
// of the slice's circle.
constexpr double DiameterDegreesPerMetre = 1.8026432066597103e-5;

} // namespace

CamViewArea::CamViewArea(double angle, double radius, double viewAngle, CamGraphicsItem *camera)
    : QGraphicsPathItem(nullptr)
    , m_camera(camera)
{
    setFlags(ItemIgnoresParentOpacity);
    setOpacity(0.25);
    setBrush(QBrush(Qt::blue, Qt::SolidPattern));
    // One pixel at every zoom. Width 0 rather than a cosmetic width of 1:
    // the item would count the 1 as a degree in its bounding rectangle.
    QPen outline = pen();
    outline.setCosmetic(true);
    outline.setWidth(0);
    setPen(outline);

    // A camera that is not in a scene yet places its sector when it enters one.
    if (QGraphicsScene *scene = camera->scene()) {
        setPos(camera->scenePos());
        scene->addItem(this);
    }
    rebuildPath(angle, radius, viewAngle);
}

CamViewArea::~CamViewArea()
{
    if (m_camera)
        m_camera->viewAreaDestroyed(this);
}

void CamViewArea::rebuildPath(double angle, double radius, double viewAngle)
{
    QPainterPath path;
    const QGraphicsScene *scene = this->scene();
    const bool finite = qIsFinite(angle) && qIsFinite(radius) && qIsFinite(viewAngle);
    if (finite && scene && !scene->views().isEmpty()) {
        const QTransform m = scene->views().constFirst()->transform();
        bool invertible = false;
        const QTransform back = m.inverted(&invertible);
        const QPointF centre = m.map(QPointF(0, 0));
        const double d = m.map(QLineF(0, 0, 0, radius * DiameterDegreesPerMetre)).length();
        if (invertible && qIsFinite(d)) {
            const QRectF square(centre.x() - d / 2, centre.y() - d / 2, d, d);
            path.moveTo(centre);
            path.arcTo(square, 180.0 - angle - viewAngle / 2, viewAngle);
            path.closeSubpath();
            path = back.map(path);
        }
    }
    setPath(path);
}

void CamViewArea::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    // A slice within a pixel, as a whole country's are at a low zoom, would
    // only tint that pixel, at the cost of a path each.
    const QRectF onScreen = painter->worldTransform().mapRect(path().controlPointRect());
    if (onScreen.width() < 1 && onScreen.height() < 1)
        return;
    QGraphicsPathItem::paint(painter, option, widget);
}
