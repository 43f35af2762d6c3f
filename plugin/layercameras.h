#ifndef LAYERCAMERAS_H
#define LAYERCAMERAS_H

#include "items/camlist.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointF>
#include <QVariant>

class CameraOwner;
class CamGraphicsItem;
class HostBinding;
class ItemsGroup;
class QGraphicsObject;

/*
 * The cameras of the layer and the groups that hold them, one per type
 * code: making them from a list and back, finding a camera's group, showing
 * and hiding a type, and which cameras see a map point. The cameras are
 * children of `parent` (the plug-in object) and answer to `owner`; edits are
 * the owner's to note. GUI thread only.
 */
class LayerCameras : public QObject
{
    Q_OBJECT

public:
    LayerCameras(const HostBinding *host, CameraOwner *owner, QObject *parent);

    const QList<CamGraphicsItem *> &cameras() const { return m_cameras; }
    const QMap<int, ItemsGroup *> &groups() const { return m_groups; }

    // Adds the cameras of `list`, their icon paths read in `directory`,
    // each to the group of its type (made in `layer` when it can take it,
    // else in the scene).
    void add(const CamList &list, const QString &directory, QGraphicsObject *layer);
    // Puts a camera made without a parent into the group of its type.
    void add(CamGraphicsItem *cam, QGraphicsObject *layer);
    // The cameras as a list file holds them, in the order they came.
    QVector<CamListEntry> entries() const;
    void clear();

    // Whether `cam` is a camera of this layer; anything else is logged as
    // passed to `operation`.
    bool contains(const CamGraphicsItem *cam, const char *operation) const;
    // Moves `cam` into the group of its type, after an edit of the type.
    void regroup(CamGraphicsItem *cam);

    void setTypeVisible(int type, bool visible);
    bool isTypeVisible(int type) const;
    // Has every camera shown decide anew whether its view sector shows.
    void refreshViewAreas();
    // See OstrelPlugin::camerasSeeing().
    QVariantList camerasSeeing(const QPointF &pos) const;

private:
    ItemsGroup *groupFor(int type, QGraphicsObject *layer);
    void cameraDestroyed(QObject *o);

    const HostBinding *const m_host;
    CameraOwner *const m_owner;
    QMap<int, ItemsGroup *> m_groups;
    QList<CamGraphicsItem *> m_cameras;
};

#endif // LAYERCAMERAS_H
