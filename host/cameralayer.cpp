#include "cameralayer.h"

#include <QFileInfo>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QMetaMethod>
#include <QMetaObject>

namespace {

// Camera parameters are declared as the plug-in's own item type; the object
// pointer is passed under that name (the object part comes first).
QGenericArgument cameraArgument(QObject *const &camera)
{
    return QGenericArgument("CamGraphicsItem*", &camera);
}

// The camera's modelData method; a list of many cameras asks for it once.
QMetaMethod modelDataMethod(const QMetaObject *meta)
{
    static const QMetaObject *known = nullptr;
    static int index = -1;
    if (meta != known) {
        known = meta;
        index = meta->indexOfMethod("modelData(int,int)");
    }
    return index >= 0 ? meta->method(index) : QMetaMethod();
}

} // namespace

CameraLayer::CameraLayer(QObject *plugin)
    : m_plugin(plugin)
{ }

bool CameraLayer::loadList(const QString &fileName)
{
    bool ok = false;
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "loadVlcCamList", Q_RETURN_ARG(bool, ok),
                                  Q_ARG(QString, fileName));
    return ok;
}

bool CameraLayer::saveList(const QString &fileName)
{
    if (!m_plugin)
        return false;
    QMetaObject::invokeMethod(m_plugin, "saveVlcCamList", Q_ARG(QString, fileName));
    return lastError().isEmpty();
}

QString CameraLayer::lastError() const
{
    QString error;
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "lastError", Q_RETURN_ARG(QString, error));
    return error;
}

QObject *CameraLayer::createCamera(const QPointF &position, int type)
{
    QObject *camera = nullptr;
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "createNewCamera", Q_RETURN_ARG(QObject *, camera),
                                  Q_ARG(QPointF, position), Q_ARG(int, type));
    return camera;
}

void CameraLayer::deleteCamera(QObject *camera)
{
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "deleteCamera", cameraArgument(camera));
}

bool CameraLayer::editCamera(QObject *camera)
{
    bool accepted = false;
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "editCamProperties", Q_RETURN_ARG(bool, accepted),
                                  cameraArgument(camera));
    return accepted;
}

void CameraLayer::clear()
{
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "clearCams");
}

void CameraLayer::setTypeVisible(int type, bool visible)
{
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "setTypeVisible", Q_ARG(int, type),
                                  Q_ARG(bool, visible));
}

bool CameraLayer::isTypeVisible(int type) const
{
    bool visible = false;
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "typeIsVisible", Q_RETURN_ARG(bool, visible),
                                  Q_ARG(int, type));
    return visible;
}

void CameraLayer::closePlayersOnMap()
{
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "deleteAttachedCams");
}

void CameraLayer::setPlayerSizeForZoom(int zoom, int width, int height)
{
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "setSceneCamZoomSize", Q_ARG(int, zoom),
                                  Q_ARG(int, width), Q_ARG(int, height));
}

QList<CameraLayer::SeeingCamera> CameraLayer::camerasSeeing(const QPointF &position) const
{
    QVariantList list;
    if (m_plugin)
        QMetaObject::invokeMethod(m_plugin, "camerasSeeing", Q_RETURN_ARG(QVariantList, list),
                                  Q_ARG(QPointF, position));
    QList<SeeingCamera> result;
    for (const QVariant &entry : qAsConst(list)) {
        const QVariantMap map = entry.toMap();
        if (auto *camera = qvariant_cast<QObject *>(map.value(QStringLiteral("camera"))))
            result.append({camera, map.value(QStringLiteral("distance")).toDouble()});
    }
    return result;
}

bool CameraLayer::isChanged() const
{
    return m_plugin && m_plugin->property("changed").toBool();
}

void CameraLayer::setChanged(bool changed)
{
    if (m_plugin)
        m_plugin->setProperty("changed", changed);
}

bool CameraLayer::viewAreasAlwaysVisible() const
{
    return m_plugin && m_plugin->property("viewAreaAlwaysVisible").toBool();
}

void CameraLayer::setViewAreasAlwaysVisible(bool visible)
{
    if (m_plugin)
        m_plugin->setProperty("viewAreaAlwaysVisible", visible);
}

QString CameraLayer::stillFolder() const
{
    return m_plugin ? m_plugin->property("stillFolder").toString() : QString();
}

bool CameraLayer::setStillFolder(const QString &folder)
{
    if (!m_plugin)
        return false;
    m_plugin->setProperty("stillFolder", folder);
    return QFileInfo(stillFolder()) == QFileInfo(folder);
}

bool CameraLayer::connectCameraStates(QObject *receiver, const char *slot) const
{
    return m_plugin
           && QObject::connect(m_plugin, SIGNAL(cameraStateChanged(QObject *)), receiver, slot,
                               Qt::UniqueConnection);
}

bool CameraLayer::play(QObject *camera, bool images, bool onMap)
{
    bool ok = false;
    if (camera)
        QMetaObject::invokeMethod(camera, "play", Q_RETURN_ARG(bool, ok), Q_ARG(bool, images),
                                  Q_ARG(bool, onMap));
    return ok;
}

QList<QObject *> CameraLayer::cameras(const QGraphicsScene *scene)
{
    QList<QObject *> result;
    if (!scene)
        return result;
    const QList<QGraphicsItem *> items = scene->items(Qt::AscendingOrder);
    for (QGraphicsItem *item : items) {
        QObject *object = qvariant_cast<QObject *>(item->data(0));
        if (object && isCamera(object))
            result << object;
    }
    return result;
}

QObject *CameraLayer::findCamera(const QGraphicsScene *scene, const QString &name)
{
    const QList<QObject *> all = cameras(scene);
    for (QObject *camera : all) {
        if (modelData(camera, 0, Qt::DisplayRole).toString() == name)
            return camera;
    }
    return nullptr;
}

QObject *CameraLayer::selectedCamera(const QGraphicsScene *scene)
{
    const QList<QGraphicsItem *> selected = scene->selectedItems();
    for (QGraphicsItem *item : selected) {
        // Selected items are alive: no need to look through every camera.
        QObject *object = qvariant_cast<QObject *>(item->data(0));
        if (isCamera(object))
            return object;
    }
    return nullptr;
}

bool CameraLayer::cameraArea(const QGraphicsScene *scene, QRectF *area)
{
    const QList<QObject *> all = cameras(scene);
    if (all.isEmpty())
        return false;
    QPointF low = all.first()->property("position").toPointF();
    QPointF high = low;
    for (QObject *camera : all) {
        const QPointF position = camera->property("position").toPointF();
        low = QPointF(qMin(low.x(), position.x()), qMin(low.y(), position.y()));
        high = QPointF(qMax(high.x(), position.x()), qMax(high.y(), position.y()));
    }
    *area = QRectF(low, high);
    return true;
}

bool CameraLayer::isCamera(const QObject *object)
{
    return object && modelDataMethod(object->metaObject()).isValid();
}

QVariant CameraLayer::modelData(QObject *camera, int column, int role)
{
    QVariant value;
    if (camera)
        modelDataMethod(camera->metaObject())
            .invoke(camera, Q_RETURN_ARG(QVariant, value), Q_ARG(int, column), Q_ARG(int, role));
    return value;
}
