#ifndef CAMERALAYER_H
#define CAMERALAYER_H

#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVariant>

class QGraphicsScene;
class QWidget;

/*
 * The workstation's side of the camera layer: typed calls to the plug-in's
 * invokable methods and properties, made by name as the meta-object system
 * offers them. The workstation never sees the plug-in's classes; cameras
 * are plain objects found on the map scene.
 */
class CameraLayer
{
public:
    explicit CameraLayer(QObject *plugin = nullptr);

    QObject *plugin() const { return m_plugin; }
    bool isValid() const { return !m_plugin.isNull(); }

    bool loadList(const QString &fileName);
    bool saveList(const QString &fileName);
    QString lastError() const;

    QObject *createCamera(const QPointF &position, int type);
    void deleteCamera(QObject *camera);
    bool editCamera(QObject *camera);
    void clear();

    void setTypeVisible(int type, bool visible);
    bool isTypeVisible(int type) const;
    void closePlayersOnMap();
    void setPlayerSizeForZoom(int zoom, int width, int height);

    bool isChanged() const;
    void setChanged(bool changed);
    bool viewAreasAlwaysVisible() const;
    void setViewAreasAlwaysVisible(bool visible);
    QString stillFolder() const;
    // False when the layer refused the folder (missing or not writable).
    bool setStillFolder(const QString &folder);
    // Calls `slot(QObject *camera)` of `receiver` whenever the state of a
    // camera's players changes.
    bool connectCameraStates(QObject *receiver, const char *slot) const;

    struct SeeingCamera
    {
        QObject *camera;
        double distance; // metres
    };
    // The cameras shown on the map whose view sector covers the scene point
    // `position`, nearest first.
    QList<SeeingCamera> camerasSeeing(const QPointF &position) const;

    // Opens a camera's live video or snapshots, in a dock or on the map.
    static bool play(QObject *camera, bool images, bool onMap);
    // The host's list of cameras: a camera item keeps its object under item
    // data key 0 and answers modelData(column, role).
    static QList<QObject *> cameras(const QGraphicsScene *scene);
    // The camera of that name (modelData column 0) on `scene`, or null.
    static QObject *findCamera(const QGraphicsScene *scene, const QString &name);
    // A camera selected on `scene`, or null.
    static QObject *selectedCamera(const QGraphicsScene *scene);
    // The smallest rectangle holding the positions of the cameras on
    // `scene`; false when there are none.
    static bool cameraArea(const QGraphicsScene *scene, QRectF *area);
    // Whether `object`, which must be alive, describes itself as a camera.
    static bool isCamera(const QObject *object);
    static QVariant modelData(QObject *camera, int column, int role);

private:
    QPointer<QObject> m_plugin;
};

#endif // CAMERALAYER_H
