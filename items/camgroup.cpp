#include "camgroup.h"

#include "items/camgraphicsitem.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTimer>
#include <QtMath>

#include <algorithm>
#include <vector>

namespace {

// Pixels per unit along x and y under `transform`.
QSizeF scaleOf(const QTransform &transform)
{
    const double x = std::hypot(transform.m11(), transform.m12());
    const double y = std::hypot(transform.m21(), transform.m22());
    if (!(x > 0 && y > 0 && std::isfinite(x) && std::isfinite(y)))
        return QSizeF(1, 1);
    return QSizeF(x, y);
}

QRectF around(const QPointF &centre, double x, double y)
{
    return QRectF(centre.x() - x, centre.y() - y, 2 * x, 2 * y);
}

// Side of the squares of pixels in which crowded cameras show one icon.
constexpr int CrowdSquare = 2;
// Cameras per pixel of the painted area beyond which icons crowd: one in a
// square of 16 pixels a side.
constexpr double CrowdDensity = 1.0 / 256;

struct Placed
{
    CamGraphicsItem *camera;
    QPointF at;
};

// The cameras to draw with their device positions, in stacking order. When
// icons pile up, as a whole country's do at a low zoom, only the topmost
// camera of each small square of pixels is drawn: the others would hardly
// show from under it. A selected camera is always drawn.
std::vector<Placed> placeCameras(const QVector<CamGrid::Entry> &found, const QTransform &device,
                                 const QRectF &painted)
{
    std::vector<Placed> placed;
    placed.reserve(found.size());
    const QRectF area = painted.adjusted(-CamGroup::IconReach, -CamGroup::IconReach,
                                         CamGroup::IconReach, CamGroup::IconReach);
    const bool crowded = found.size() > area.width() * area.height() * CrowdDensity;
    const int columns = crowded ? int(area.width() / CrowdSquare) + 1 : 0;
    const int rows = crowded ? int(area.height() / CrowdSquare) + 1 : 0;
    std::vector<bool> taken(size_t(columns) * size_t(rows));
    for (auto it = found.crbegin(); it != found.crend(); ++it) {
        CamGraphicsItem *camera = it->camera;
        if (!camera->isVisible())
            continue;
        const QPointF at = device.map(it->position);
        if (crowded && !camera->isSelected()) {
            const int column = int((at.x() - area.left()) / CrowdSquare);
            const int row = int((at.y() - area.top()) / CrowdSquare);
            if (column >= 0 && column < columns && row >= 0 && row < rows) {
                auto square = taken[size_t(row) * size_t(columns) + size_t(column)];
                if (square)
                    continue;
                square = true;
            }
        }
        placed.push_back({camera, at});
    }
    std::reverse(placed.begin(), placed.end());
    // Cameras of one z value stack in the order they came; a camera given
    // its own z value takes its place among them.
    std::stable_sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
        return a.camera->zValue() < b.camera->zValue();
    });
    return placed;
}

} // namespace

CamGroup::CamGroup(QGraphicsItem *parent)
    : QGraphicsItem(parent)
{
    // The bounds hold every camera's icon, so the scene may pass over the
    // cameras when it passes over the group; only the exposed part is drawn.
    setFlags(ItemContainsChildrenInShape | ItemUsesExtendedStyleOption);
}

CamGroup::~CamGroup()
{
    // The cameras go after this part of the group: they must not call it.
    m_grid.forEach([this](const CamGrid::Entry &entry) { entry.camera->groupDestroyed(this); });
}

QSizeF CamGroup::viewScale() const
{
    const QGraphicsScene *scene = this->scene();
    if (!scene)
        return QSizeF(1, 1);
    const QList<QGraphicsView *> views = scene->views();
    if (views.isEmpty())
        return QSizeF(1, 1);
    return scaleOf(sceneTransform() * views.constFirst()->transform());
}

void CamGroup::noteScale() const
{
    const QSizeF scale = viewScale();
    if (scale == m_scale)
        return;
    m_scale = scale;
    // The bounds leave room for icons at half the scale they were made for,
    // one zoom level out; beyond that, or far in, they are made anew.
    const bool tight =
        scale.width() < m_boundsScale.width() / 2 || scale.height() < m_boundsScale.height() / 2;
    const bool loose =
        scale.width() > m_boundsScale.width() * 8 || scale.height() > m_boundsScale.height() * 8;
    if ((tight || loose) && !m_announcePending && !m_grid.isEmpty()) {
        m_announcePending = true;
        auto *self = const_cast<CamGroup *>(this);
        QTimer::singleShot(0, &self->m_context, [self] {
            self->m_announcePending = false;
            self->announceBounds();
        });
    }
}

QRectF CamGroup::boundingRect() const
{
    // The scene asks for this before it looks at the cameras.
    noteScale();
    return m_bounds;
}

void CamGroup::announceBounds()
{
    prepareGeometryChange();
    m_boundsScale = m_scale;
    if (m_grid.isEmpty()) {
        m_bounds = QRectF();
        return;
    }
    const QRectF positions = m_grid.bounds();
    // Room to spare, so that a list in the order of its positions makes the
    // bounds grow a few times only.
    const double x = positions.width() / 4 + 2 * IconReach / m_scale.width();
    const double y = positions.height() / 4 + 2 * IconReach / m_scale.height();
    m_bounds = positions.adjusted(-x, -y, x, y);
    update();
}

void CamGroup::cover(const QPointF &position)
{
    const double x = 2 * IconReach / m_boundsScale.width();
    const double y = 2 * IconReach / m_boundsScale.height();
    if (!m_bounds.isNull() && position.x() - x >= m_bounds.left()
        && position.x() + x <= m_bounds.right() && position.y() - y >= m_bounds.top()
        && position.y() + y <= m_bounds.bottom()) {
        return;
    }
    announceBounds();
}

// Qt's scene index takes its depth from the number of items the first time
// it is built, and keeps it: a map that held only its roads then has a few
// cells the size of countries, and each frame goes through all the view
// sectors of a country's list, every one of them a scene item of its own.
void CamGroup::fitSceneIndex(QGraphicsScene *scene, int cameras)
{
    if (!scene || scene->itemIndexMethod() != QGraphicsScene::BspTreeIndex || cameras < 1000)
        return;
    // A camera and its sector, a few to a cell.
    const int wanted = int(std::ceil(std::log2(2.0 * cameras)));
    const int depth = scene->bspTreeDepth();
    if (depth > 0 && depth < wanted - 1)
        scene->setBspTreeDepth(0);
}

void CamGroup::addCamera(CamGraphicsItem *camera)
{
    m_scale = viewScale();
    m_grid.insert(camera, camera->pos());
    cover(camera->pos());
    repaintCamera(camera);
}

void CamGroup::moveCamera(CamGraphicsItem *camera, const QPointF &from)
{
    const double x = camera->iconReach() / m_scale.width();
    const double y = camera->iconReach() / m_scale.height();
    update(around(from, x, y));
    m_grid.move(camera, from, camera->pos());
    cover(camera->pos());
    repaintCamera(camera);
}

void CamGroup::removeCamera(CamGraphicsItem *camera)
{
    repaintCamera(camera);
    m_grid.remove(camera, camera->pos());
}

void CamGroup::repaintCamera(const CamGraphicsItem *camera)
{
    update(around(camera->pos(), camera->iconReach() / m_scale.width(),
                  camera->iconReach() / m_scale.height()));
}

void CamGroup::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    if (m_grid.isEmpty())
        return;
    const QTransform device = painter->worldTransform();
    const QSizeF scale = scaleOf(device);
    const QRectF exposed = option->exposedRect;
    const double x = IconReach / scale.width();
    const double y = IconReach / scale.height();
    const QVector<CamGrid::Entry> found = m_grid.within(exposed.adjusted(-x, -y, x, y));
    if (found.isEmpty())
        return;

    // Each camera is drawn as the scene would draw it on its own: at its
    // position, in pixels, with its own opacity.
    const qreal opacity = painter->opacity();
    const std::vector<Placed> placed = placeCameras(found, device, device.mapRect(exposed));
    for (const Placed &camera : placed) {
        painter->setWorldTransform(QTransform::fromTranslate(camera.at.x(), camera.at.y()));
        painter->setOpacity(camera.camera->effectiveOpacity());
        camera.camera->paint(painter, option, widget);
    }
    painter->setWorldTransform(device);
    painter->setOpacity(opacity);
}

template<typename Test>
bool CamGroup::hits(const QRectF &box, Test test) const
{
    if (m_grid.isEmpty())
        return false;
    const double x = IconReach / m_scale.width();
    const double y = IconReach / m_scale.height();
    return m_grid.any(box.adjusted(-x, -y, x, y), [&test](const CamGrid::Entry &entry) {
        const CamGraphicsItem *camera = entry.camera;
        return camera->isVisible() && test(camera->boundingRect().translated(entry.position));
    });
}

// The group itself has nothing to hit. It answers for its cameras, so that
// the scene looks at them only when one of them is hit.
bool CamGroup::contains(const QPointF &point) const
{
    return hits(QRectF(point, QSizeF(0, 0)),
                [&point](const QRectF &extent) { return extent.contains(point); });
}

bool CamGroup::collidesWithPath(const QPainterPath &path, Qt::ItemSelectionMode mode) const
{
    if (path.isEmpty())
        return false;
    const bool within = mode == Qt::ContainsItemShape || mode == Qt::ContainsItemBoundingRect;
    return hits(path.controlPointRect(), [&](const QRectF &extent) {
        return within ? path.contains(extent) : path.intersects(extent);
    });
}
