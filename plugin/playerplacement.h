#ifndef PLAYERPLACEMENT_H
#define PLAYERPLACEMENT_H

#include "items/cameraplayers.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSize>

class OstrelPlugin;
class PlayerWidget;
class QGraphicsView;
class QWidget;
class SceneCamProxyWidget;
class StreamPool;

/*
 * The players the layer makes and where they live: the factories for docks
 * and bare players, the detector client a camera's type calls for, the
 * placement of players on the map with sizes that follow the map view's
 * zoom, the stream pool they decode on, and a registry of every player
 * made, so that the layer's end stops them all wherever they are (docked,
 * on the map, in a host's window or alone). Cameras reach it as their
 * CameraPlayers. The live players' states go to the cameras of their
 * address, as badges on the map and in the host's lists, and the folder
 * for stills to the players.
 *
 * GUI thread only.
 */
class PlayerPlacement : public QObject, public CameraPlayers
{
    Q_OBJECT

public:
    explicit PlayerPlacement(OstrelPlugin *plugin);
    ~PlayerPlacement() override;

    StreamPool *pool() const { return m_pool; }
    const QList<SceneCamProxyWidget *> &sceneProxies() const { return m_sceneProxies; }

    QWidget *createCamWidget(QWidget *parent, const QString &address, bool useTcp,
                             const QString &playerOptions);
    QWidget *createImagePlayerWidget(QWidget *parent, const QString &urlTemplate, int period);

    // Whether a player could be put on the map at `pos`.
    bool canPlace(const QPointF &pos) const;
    // Puts `w` on the map; false, leaving `w` untouched, without a scene or
    // map view, at a position that is not finite, or for the map view, a
    // widget holding it or a part of it.
    bool place(QWidget *w, bool childControls, const QPointF &pos);
    void closeAll();
    void setZoomSize(int zoom, const QSize &size);
    void applyZoom(int zoom);
    void forget(QObject *proxy);

    // Empty for the user's pictures folder.
    QString stillFolder() const { return m_stillFolder; }
    void setStillFolder(const QString &folder);
    // Brings the cameras' player states up to date once the event loop runs.
    void scheduleStateUpdate();

    QWidget *dockWindow() const override;
    bool canPlaceOnScene(const QPointF &pos) const override { return canPlace(pos); }
    QWidget *openLive(QWidget *parent, const QString &address, bool useTcp) override;
    QWidget *openSnapshots(QWidget *parent, const QString &urlTemplate, int period) override
    {
        return createImagePlayerWidget(parent, urlTemplate, period);
    }
    void attachDetector(QWidget *host, CameraType type, const QString &address) override;
    bool placeOnScene(QWidget *host, bool childControls, const QPointF &pos) override
    {
        return place(host, childControls, pos);
    }

    // Stops every stream at once, waits for them together (bounded), and
    // deletes every player made here that still exists. Players made
    // elsewhere are their makers' to stop.
    void shutdown();

private:
    void follow(QGraphicsView *view);
    void followCurrentView();
    void applyZoomSize(SceneCamProxyWidget *proxy, int zoom);
    void remember(QWidget *player);
    void track(PlayerWidget *player, const QString &address);
    void updateCameraStates();

    OstrelPlugin *const m_plugin;
    StreamPool *m_pool;
    QList<QPointer<QWidget>> m_players;
    QList<SceneCamProxyWidget *> m_sceneProxies;
    QMap<int, QSize> m_zoomSizes;
    QPointer<QGraphicsView> m_zoomView;

    struct LivePlayer
    {
        QPointer<PlayerWidget> player;
        QString address; // as the layer was asked for it
    };
    QList<LivePlayer> m_livePlayers;
    bool m_stateUpdateQueued = false;
    QString m_stillFolder;
};

#endif // PLAYERPLACEMENT_H
