#include "plugin/playerplacement.h"

#include "imageplayer/imageplayerwidget.h"
#include "items/camgraphicsitem.h"
#include "overlays/axistrafficstreamoverlay.h"
#include "overlays/citilogovelay.h"
#include "player/persistentdockwidget.h"
#include "player/playerwidget.h"
#include "player/scenecamproxywidget.h"
#include "player/streampool.h"
#include "plugin/ostrelplugin.h"

#include <QDebug>
#include <QDockWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QTimer>
#include <QtMath>

#include <utility>

namespace {

bool isFinite(const QPointF &pos)
{
    return qIsFinite(pos.x()) && qIsFinite(pos.y());
}

// The map view, a widget it lives in, or a part of it: embedding one of
// those in the scene the view shows tears the view apart.
bool belongsToView(const QWidget *widget, const QWidget *view)
{
    for (const QWidget *w = view; w; w = w->parentWidget()) {
        if (w == widget)
            return true;
    }
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == view)
            return true;
    }
    return false;
}

} // namespace

PlayerPlacement::PlayerPlacement(OstrelPlugin *plugin)
    : QObject(plugin)
    , m_plugin(plugin)
    , m_pool(new StreamPool(this))
{ }

PlayerPlacement::~PlayerPlacement() = default;

void PlayerPlacement::remember(QWidget *player)
{
    m_players.removeAll(nullptr);
    m_players.append(player);
}

QWidget *PlayerPlacement::createCamWidget(QWidget *parent, const QString &address, bool useTcp,
                                          const QString &playerOptions)
{
    if (auto *mainWindow = qobject_cast<QMainWindow *>(parent)) {
        auto *dock = new PersistentDockWidget(mainWindow, address);
        dock->setAttribute(Qt::WA_DeleteOnClose);
        auto *player = new PlayerWidget(dock, address, useTcp, playerOptions, m_pool);
        dock->setWidget(player);
        remember(player);
        track(player, address);
        return dock;
    }
    auto *player = new PlayerWidget(parent, address, useTcp, playerOptions, m_pool);
    remember(player);
    track(player, address);
    return player;
}

void PlayerPlacement::track(PlayerWidget *player, const QString &address)
{
    player->setStillFolder(m_stillFolder);
    m_livePlayers.append({player, address});
    connect(player, &PlayerWidget::streamStateChanged, this, &PlayerPlacement::scheduleStateUpdate);
    connect(player, &QObject::destroyed, this, &PlayerPlacement::scheduleStateUpdate);
    scheduleStateUpdate();
}

void PlayerPlacement::setStillFolder(const QString &folder)
{
    m_stillFolder = folder;
    for (const LivePlayer &live : qAsConst(m_livePlayers)) {
        if (live.player)
            live.player->setStillFolder(folder);
    }
}

// Players come, change and go in bursts (a camera network failing, a list
// of players closing); the cameras are gone through once per burst.
void PlayerPlacement::scheduleStateUpdate()
{
    if (m_stateUpdateQueued)
        return;
    m_stateUpdateQueued = true;
    QTimer::singleShot(0, this, &PlayerPlacement::updateCameraStates);
}

void PlayerPlacement::updateCameraStates()
{
    m_stateUpdateQueued = false;
    // A camera with several players shows the one of most concern.
    QHash<QString, CamGraphicsItem::PlayerState> states;
    for (auto it = m_livePlayers.begin(); it != m_livePlayers.end();) {
        if (!it->player) {
            it = m_livePlayers.erase(it);
            continue;
        }
        CamGraphicsItem::PlayerState state = CamGraphicsItem::NoPlayer;
        switch (it->player->streamState()) {
        case PlayerWidget::StreamState::None:
            break;
        case PlayerWidget::StreamState::Opening:
            state = CamGraphicsItem::Opening;
            break;
        case PlayerWidget::StreamState::Playing:
            state = CamGraphicsItem::Playing;
            break;
        case PlayerWidget::StreamState::Stale:
            state = CamGraphicsItem::Stale;
            break;
        case PlayerWidget::StreamState::Reconnecting:
            state = CamGraphicsItem::Reconnecting;
            break;
        case PlayerWidget::StreamState::Failed:
            state = CamGraphicsItem::Failed;
            break;
        }
        CamGraphicsItem::PlayerState &shown = states[it->address];
        shown = qMax(shown, state);
        ++it;
    }
    for (CamGraphicsItem *cam : m_plugin->cameras()) {
        const CamGraphicsItem::PlayerState state =
            states.isEmpty() ? CamGraphicsItem::NoPlayer
                             : states.value(cam->url(), CamGraphicsItem::NoPlayer);
        if (state == cam->playerState())
            continue;
        cam->setPlayerState(state);
        emit m_plugin->cameraStateChanged(cam);
    }
}

QWidget *PlayerPlacement::createImagePlayerWidget(QWidget *parent, const QString &urlTemplate,
                                                  int period)
{
    if (auto *mainWindow = qobject_cast<QMainWindow *>(parent)) {
        auto *dock = new PersistentDockWidget(mainWindow, urlTemplate);
        dock->setAttribute(Qt::WA_DeleteOnClose);
        auto *player = new ImagePlayerWidget(dock, urlTemplate, period);
        dock->setWidget(player);
        remember(player);
        return dock;
    }
    auto *player = new ImagePlayerWidget(parent, urlTemplate, period);
    remember(player);
    return player;
}

QWidget *PlayerPlacement::dockWindow() const
{
    return OstrelPlugin::findMainWindow();
}

QWidget *PlayerPlacement::openLive(QWidget *parent, const QString &address, bool useTcp)
{
    return createCamWidget(parent, address, useTcp, m_plugin->vlcOptions());
}

void PlayerPlacement::attachDetector(QWidget *host, CameraType type, const QString &address)
{
    DetectorOverlay *detector = nullptr;
    switch (type) {
    case CameraType::TrafficStreamVideo:
        detector = new AxisTrafficStreamOverlay(host, address);
        break;
    case CameraType::CitiLogVideo:
        detector = new CitiLogOvelay(host, address);
        break;
    default:
        return;
    }
    auto *dock = qobject_cast<QDockWidget *>(host);
    if (auto *player = qobject_cast<PlayerWidget *>(dock ? dock->widget() : host)) {
        connect(detector, &DetectorOverlay::newImage, player, &PlayerWidget::newOverlayImage);
        connect(player, &PlayerWidget::overlaySizeChanged, detector,
                &DetectorOverlay::setTargetSize);
        detector->setTargetSize(player->videoRect().size());
    }
    detector->start();
}

bool PlayerPlacement::canPlace(const QPointF &pos) const
{
    return m_plugin->scene() && m_plugin->findMapView() && isFinite(pos);
}

bool PlayerPlacement::place(QWidget *w, bool childControls, const QPointF &pos)
{
    QGraphicsScene *scene = m_plugin->scene();
    QGraphicsView *view = m_plugin->findMapView();
    if (!w || !scene || !view)
        return false;
    if (!isFinite(pos) || belongsToView(w, view)) {
        qDebug() << "OstrelPlugin: not put on the map:" << w << pos;
        return false;
    }
    follow(view);

    QPointF scenePos = pos;
    if (scenePos.isNull()) {
        QPoint widgetPos = w->pos();
        if (const QWidget *viewParent = view->parentWidget())
            widgetPos -= viewParent->pos();
        scenePos = view->mapToScene(widgetPos);
    }

    // The proxies belong to the plug-in object itself, as hosts expect.
    auto *proxy = new SceneCamProxyWidget(m_plugin, childControls);
    w->setProperty("sceneProxyWidget", QVariant::fromValue(proxy));
    connect(proxy, SIGNAL(destroyed(QObject *)), m_plugin, SLOT(attachedCamDestroyed(QObject *)));
    m_sceneProxies.append(proxy);
    proxy->setFlags(QGraphicsItem::ItemIgnoresTransformations | QGraphicsItem::ItemIsMovable
                    | QGraphicsItem::ItemIsSelectable);

    if (auto *status = w->findChild<QLabel *>(QStringLiteral("status")))
        status->hide();
    if (QLayout *layout = w->layout())
        layout->setContentsMargins(0, 0, 0, 0);

    proxy->setWidget(w);
    // Embedding moves the proxy to the widget's own pixel position; the
    // player belongs at its geographic position, and is held there.
    proxy->setAnchorPos(scenePos);
    w->setContextMenuPolicy(Qt::ActionsContextMenu);
    w->show();
    applyZoomSize(proxy, view->property("zoom").toInt());
    scene->addItem(proxy);
    proxy->setZValue(6);
    return true;
}

// Sizes follow the zoom of the map view the host shows now: a view that
// replaces the first one is followed as well.
void PlayerPlacement::follow(QGraphicsView *view)
{
    if (view == m_zoomView)
        return;
    if (m_zoomView)
        m_zoomView->disconnect(m_plugin);
    m_zoomView = view;
    if (!view)
        return;
    // The map view is the host's class, known only by its meta-object.
    connect(view, SIGNAL(zoomChanged(int)), m_plugin, SLOT(osmViewZoomChanged(int)));
    // Its successor may come before or after it goes.
    connect(view, &QObject::destroyed, this,
            [this] { QTimer::singleShot(0, this, &PlayerPlacement::followCurrentView); });
}

void PlayerPlacement::followCurrentView()
{
    QGraphicsView *view = m_plugin->findMapView();
    if (view == m_zoomView)
        return;
    follow(view);
    if (view)
        applyZoom(view->property("zoom").toInt());
}

void PlayerPlacement::closeAll()
{
    // Closing schedules each proxy's deletion; its destroyed() signal then
    // takes it off the list.
    const QList<SceneCamProxyWidget *> proxies = m_sceneProxies;
    for (auto it = proxies.crbegin(); it != proxies.crend(); ++it)
        (*it)->close();
}

void PlayerPlacement::setZoomSize(int zoom, const QSize &size)
{
    m_zoomSizes.insert(zoom, size);
    QGraphicsView *view = m_plugin->findMapView();
    if (!view)
        return;
    follow(view);
    applyZoom(view->property("zoom").toInt());
}

void PlayerPlacement::applyZoom(int zoom)
{
    const QList<SceneCamProxyWidget *> proxies = m_sceneProxies;
    for (auto it = proxies.crbegin(); it != proxies.crend(); ++it)
        applyZoomSize(*it, zoom);
}

void PlayerPlacement::forget(QObject *proxy)
{
    // Called from QObject's destructor: only addresses are compared, and
    // the object part comes first in the proxy.
    m_sceneProxies.removeAll(reinterpret_cast<SceneCamProxyWidget *>(proxy));
}

void PlayerPlacement::applyZoomSize(SceneCamProxyWidget *proxy, int zoom)
{
    if (m_zoomSizes.isEmpty() || !proxy || !proxy->widget())
        return;
    if (zoom < m_zoomSizes.firstKey()) {
        proxy->hide();
        return;
    }
    proxy->show();
    const auto size = m_zoomSizes.constFind(zoom);
    if (size != m_zoomSizes.constEnd() && size->width() > 0 && size->height() > 0)
        proxy->widget()->resize(*size);
}

void PlayerPlacement::shutdown()
{
    // All streams stop together, so the wait is paid once.
    m_pool->shutdown();
    const QList<QPointer<QWidget>> players = std::exchange(m_players, {});
    for (const QPointer<QWidget> &player : players)
        delete player.data();
}
