#include "layercameras.h"

#include "items/camgraphicsitem.h"
#include "items/camgroup.h"
#include "items/sectorcover.h"
#include "plugin/hostbinding.h"
#include "plugin/itemsgroup.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QGraphicsView>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

CamListEntry listEntry(const CamGraphicsItem *cam)
{
    CamListEntry entry;
    entry.name = cam->toolTip();
    entry.url = cam->url();
    entry.overlayUrl = cam->overlayUrl();
    entry.imageUrlTemplate = cam->imageUrlTemplate();
    entry.imageUpdatePeriod = cam->imageUpdatePeriod();
    entry.useTcpRtsp = cam->useTcpRtsp();
    entry.position = cam->pos();
    entry.angle = cam->angle();
    entry.type = cam->cameraType();
    entry.viewAngle = cam->viewAngle();
    entry.viewRadius = cam->viewRadius();
    entry.bigPixmapPath = cam->bigPixmapPath();
    entry.smallPixmapPath = cam->smallPixmapPath();
    return entry;
}

} // namespace

LayerCameras::LayerCameras(const HostBinding *host, CameraOwner *owner, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_owner(owner)
{ }

void LayerCameras::add(const CamList &list, const QString &directory, QGraphicsObject *layer)
{
    // The items first, one after the other, the rest after them: the scene
    // goes through the items of a group at every frame, and finds them
    // faster side by side in memory.
    QVector<CamGraphicsItem *> made;
    made.reserve(list.cameras.size());
    for (const CamListEntry &entry : list.cameras)
        made.append(new CamGraphicsItem(entry.position, entry.url, entry.type, entry.angle));
    for (int i = 0; i < made.size(); ++i) {
        const CamListEntry &entry = list.cameras.at(i);
        CamGraphicsItem *cam = made.at(i);
        add(cam, layer);
        cam->setOverlayUrl(entry.overlayUrl);
        cam->setImageUrlTemplate(entry.imageUrlTemplate);
        cam->setImageUpdatePeriod(entry.imageUpdatePeriod);
        cam->setUseTcpRtsp(entry.useTcpRtsp);
        // Paths are kept as written and read in the list's folder.
        if (!entry.bigPixmapPath.isEmpty() || !entry.smallPixmapPath.isEmpty())
            cam->setIconFiles(entry.bigPixmapPath, entry.smallPixmapPath, directory);
        if (entry.hasView)
            cam->setView(entry.viewAngle, entry.viewRadius);
        if (!entry.name.isEmpty())
            cam->setToolTip(entry.name);
    }
    CamGroup::fitSceneIndex(m_host->scene(), m_cameras.size());
}

void LayerCameras::add(CamGraphicsItem *cam, QGraphicsObject *layer)
{
    // The cursor before the scene: set on an item in a scene, it makes each
    // view look for the item under the mouse, through every camera.
    cam->setCursor(Qt::PointingHandCursor);
    cam->setParentItem(groupFor(cam->cameraType(), layer));
    connect(cam, &QObject::destroyed, this, &LayerCameras::cameraDestroyed);
    cam->setOwner(m_owner);
    cam->setParent(parent());
    m_cameras.append(cam);
}

QVector<CamListEntry> LayerCameras::entries() const
{
    QVector<CamListEntry> entries;
    entries.reserve(m_cameras.size());
    for (const CamGraphicsItem *cam : m_cameras)
        entries.append(listEntry(cam));
    return entries;
}

void LayerCameras::clear()
{
    // The cameras go one by one in the order they came, each then the first
    // of its group's items and of the plug-in's children, so that neither
    // list is searched for it; taken out of its group or not. The list is
    // emptied first, so that they have nothing to remove themselves from.
    const QList<CamGraphicsItem *> cameras = std::exchange(m_cameras, {});
    // Items the scene has not yet prepared for drawing (a load whose event
    // loop has not run) are each looked for in the scene's list of them when
    // they go: that list is dealt with first.
    if (m_host->scene() && !cameras.isEmpty())
        QCoreApplication::sendPostedEvents(m_host->scene(), QEvent::MetaCall);
    for (CamGraphicsItem *cam : cameras)
        delete cam;
    qDeleteAll(std::exchange(m_groups, {}));
}

bool LayerCameras::contains(const CamGraphicsItem *cam, const char *operation) const
{
    // The host may pass any object, or one already gone: only the address
    // is compared until it is known to be one of ours.
    if (cam && m_cameras.contains(const_cast<CamGraphicsItem *>(cam)))
        return true;
    if (cam)
        qDebug("OstrelPlugin::%s: %p is no camera of this layer", operation,
               static_cast<const void *>(cam));
    return false;
}

void LayerCameras::regroup(CamGraphicsItem *cam)
{
    // Into the group of its type, made if there is none yet.
    if (cam->parentItem() != m_groups.value(cam->cameraType()))
        cam->setParentItem(groupFor(cam->cameraType(), nullptr));
}

void LayerCameras::setTypeVisible(int type, bool visible)
{
    // Plain video stands for every video camera, detector overlays included.
    if (type == cameraTypeCode(CameraType::Video)) {
        setTypeVisible(cameraTypeCode(CameraType::TrafficStreamVideo), visible);
        setTypeVisible(cameraTypeCode(CameraType::CitiLogVideo), visible);
    }
    if (ItemsGroup *group = m_groups.value(type))
        group->setVisible(visible);
}

bool LayerCameras::isTypeVisible(int type) const
{
    const ItemsGroup *group = m_groups.value(type);
    return group && group->isVisible();
}

void LayerCameras::refreshViewAreas()
{
    // Hiding and showing a group makes every camera in it decide anew
    // whether its view sector shows.
    for (ItemsGroup *group : qAsConst(m_groups)) {
        if (group->isVisible()) {
            group->hide();
            group->show();
        }
    }
}

ItemsGroup *LayerCameras::groupFor(int type, QGraphicsObject *layer)
{
    if (ItemsGroup *group = m_groups.value(type))
        return group;

    auto *group = new ItemsGroup;
    m_groups.insert(type, group);
    // The host may delete the group itself, with its scene or its layer.
    connect(group->lifetime(), &QObject::destroyed, this, [this, type, group] {
        const auto it = m_groups.constFind(type);
        if (it != m_groups.cend() && it.value() == group)
            m_groups.remove(type);
    });
    const bool placed =
        layer && QMetaObject::invokeMethod(layer, "addItem", Q_ARG(QGraphicsItem *, group));
    if (!placed)
        m_host->scene()->addItem(group);
    return group;
}

void LayerCameras::cameraDestroyed(QObject *o)
{
    // Called from QObject's destructor, when the camera part is gone already:
    // only the address is compared, and QObject is the camera's first base.
    m_cameras.removeAll(reinterpret_cast<CamGraphicsItem *>(o));
}

QVariantList LayerCameras::camerasSeeing(const QPointF &pos) const
{
    QVariantList result;
    if (!std::isfinite(pos.x()) || !std::isfinite(pos.y()))
        return result;
    // The sectors are drawn in the pixels of the scene's first view; with no
    // view there is no drawing, and the map around the point stands in.
    QGraphicsScene *scene = m_host->scene();
    const QList<QGraphicsView *> views = scene ? scene->views() : QList<QGraphicsView *>();
    const SectorCover cover(views.isEmpty() ? SectorCover::mapAt(pos.y())
                                            : views.constFirst()->transform());
    if (!cover.isValid())
        return result;

    // One pass over the layer: a camera out of reach costs a few
    // multiplications, the angle is looked at only within reach.
    struct Seen
    {
        double distance;
        CamGraphicsItem *camera;
    };
    std::vector<Seen> seen;
    for (CamGraphicsItem *cam : m_cameras) {
        if (!cam->viewArea() || !cam->isVisible())
            continue;
        double distance = 0.0;
        if (cover.covers(cam->scenePos(), cam->angle(), cam->viewAngle(), cam->viewRadius(), pos,
                         &distance)) {
            seen.push_back({distance, cam});
        }
    }
    std::stable_sort(seen.begin(), seen.end(),
                     [](const Seen &a, const Seen &b) { return a.distance < b.distance; });

    result.reserve(int(seen.size()));
    for (const Seen &s : seen) {
        QVariantMap entry;
        entry.insert(QStringLiteral("camera"), QVariant::fromValue<QObject *>(s.camera));
        entry.insert(QStringLiteral("distance"), s.distance);
        result.append(entry);
    }
    return result;
}
