#ifndef OSTRELPLUGIN_H
#define OSTRELPLUGIN_H

#include "items/cameraowner.h"
#include "items/cameratype.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QGraphicsObject;
class QGraphicsScene;
class QGraphicsView;
class QMainWindow;
class QWidget;
class CamGraphicsItem;
class HostBinding;
class ItemsGroup;
class LayerCameras;
class MediaLibrary;
class PlayerPlacement;
class SceneCamProxyWidget;

/*
 * The camera layer as the host sees it. The host creates one instance through
 * the plug-in loader and from then on talks to it only through the
 * meta-object system, so the order of the invokable methods below is part of
 * the interface. To its cameras it is their owner.
 *
 * It words the host's messages and keeps the `changed` flag; the work is
 * done by HostBinding (the host's scene, view and window), LayerCameras (the
 * cameras and their type groups), CamListFile (the list on disk),
 * PlayerPlacement (the players) and MediaLibrary (FFmpeg's set-up).
 */
class OstrelPlugin : public QObject, public CameraOwner
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.trafficdesk.varka.OstrelModule")
    Q_PROPERTY(bool viewAreaAlwaysVisible READ viewAreaAlwaysVisible WRITE setViewAreaAlwaysVisible)
    Q_PROPERTY(QString moduleVersion READ moduleVersion)
    Q_PROPERTY(bool changed READ isChanged WRITE setChanged)
    Q_PROPERTY(int maxStreamCount READ maxStreamCount WRITE setMaxStreamCount)
    // What the last successful load left out, one text per list entry with
    // its row ("Row 12: ..."); empty when it took everything.
    Q_PROPERTY(QStringList loadWarnings READ loadWarnings)
    // Where live players save stills; the user's pictures folder unless set.
    // A folder that does not exist or is not writable is refused, and the
    // property keeps its value.
    Q_PROPERTY(QString stillFolder READ stillFolder WRITE setStillFolder)

public:
    explicit OstrelPlugin(QObject *parent = nullptr);
    ~OstrelPlugin() override;

    Q_INVOKABLE QWidget *createCamWidget(QWidget *parent, const QString &cam_address,
                                         bool rtsp_tcp = false);
    Q_INVOKABLE QWidget *createImagePlayerWidget(QWidget *parent, const QString &url_template,
                                                 int update_period_sec = 30);
    Q_INVOKABLE bool loadVlcCamList(const QString &config_file, QGraphicsObject *layer = nullptr);
    Q_INVOKABLE void saveVlcCamList(const QString &config_file);
    Q_INVOKABLE QString lastError() const;
    Q_INVOKABLE void setTypeVisible(int type, bool vis);
    Q_INVOKABLE bool typeIsVisible(int t) const;
    Q_INVOKABLE void clearCams();
    Q_INVOKABLE bool editCamProperties(CamGraphicsItem *cam);
    Q_INVOKABLE QObject *createNewCamera(const QPointF &pos,
                                         int tpye = cameraTypeCode(CameraType::Video));
    Q_INVOKABLE void deleteCamera(CamGraphicsItem *cam);
    Q_INVOKABLE void attachToScene(QWidget *w, bool enable_child_controls = false,
                                   const QPointF &pos = QPointF(0, 0));
    Q_INVOKABLE void deleteAttachedCams();
    Q_INVOKABLE void setSceneCamZoomSize(int zoom, int width, int height);
    // The cameras shown on the map whose view sector covers the map point
    // `pos`, nearest first: per camera a map of "camera" (the camera's
    // object) and "distance" (metres from the camera).
    Q_INVOKABLE QVariantList camerasSeeing(const QPointF &pos) const;

    bool viewAreaAlwaysVisible() const override { return m_viewAreaAlwaysVisible; }
    void setViewAreaAlwaysVisible(bool visible);
    QString moduleVersion() const;
    bool isChanged() const { return m_changed; }
    void setChanged(bool changed) { m_changed = changed; }
    int maxStreamCount() const;
    void setMaxStreamCount(int count);
    QStringList loadWarnings() const { return m_loadWarnings; }
    QString stillFolder() const;
    void setStillFolder(const QString &folder);

    void cameraChanged() override { m_changed = true; }
    CameraPlayers *cameraPlayers() const override;

    QGraphicsScene *scene() const;
    const QMap<int, ItemsGroup *> &groups() const;
    const QString &vlcOptions() const { return m_vlcOptions; }
    const QList<CamGraphicsItem *> &cameras() const;
    const QList<SceneCamProxyWidget *> &sceneProxies() const;

    // Whether a player can be put on the map at `pos`; attachToScene()
    // telling whether it did (false leaves the widget untouched).
    bool canPlaceOnScene(const QPointF &pos) const;
    bool placeOnScene(QWidget *w, bool enable_child_controls, const QPointF &pos);

    QGraphicsView *findMapView() const;
    static QMainWindow *findMainWindow();

    // Lock callback of the FFmpeg 4 series: operation 0 creates, 1 obtains,
    // 2 releases and 3 destroys the mutex behind `mutex`.
    static int lockManager(void **mutex, int op);

signals:
    // The state of a camera's live players changed: see its modelData
    // column 3 (name) and, under Qt::UserRole, the state's key.
    void cameraStateChanged(QObject *camera);

private slots:
    void osmViewZoomChanged(int zoom);
    void attachedCamDestroyed(QObject *o);
    // Kept where it was so that the invokables keep their meta-method
    // indices for hosts that stored them; the cameras' own list follows them.
    void camDestroyed(QObject *) { }

private:
    QString m_lastError;
    QStringList m_loadWarnings;
    bool m_viewAreaAlwaysVisible = false;
    bool m_useFfmpeg = false;
    bool m_changed = false;
    const std::unique_ptr<HostBinding> m_host;
    std::unique_ptr<MediaLibrary> m_media;
    PlayerPlacement *m_placement;
    LayerCameras *m_cameras;
    QString m_vlcOptions;
};

#endif // OSTRELPLUGIN_H
