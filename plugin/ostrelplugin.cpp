#include "ostrelplugin.h"

#include "player/playerwidget.h"
#include "plugin/itemsgroup.h"

#include <QApplication>
#include <QDebug>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMainWindow>
#include <QMutex>
#include <QThread>
#include <QThreadPool>
#include <QVariant>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

constexpr int MinimumPoolThreads = 10;

#if LIBAVCODEC_VERSION_MAJOR < 59
int ffmpegLockCallback(void **mutex, enum AVLockOp op)
{
    return OstrelPlugin::lockManager(mutex, static_cast<int>(op));
}
#endif

// Registration and the lock manager are process-wide and exist only in the
// 4 series; networking is reference counted by the library itself, so each
// plug-in object takes and gives back its own share.
void initMediaLibrary()
{
#if LIBAVCODEC_VERSION_MAJOR < 59
    static const bool registered = [] {
        avcodec_register_all();
        av_register_all();
        return true;
    }();
    Q_UNUSED(registered)
#endif
    avformat_network_init();
#if LIBAVCODEC_VERSION_MAJOR < 59
    av_lockmgr_register(ffmpegLockCallback);
#endif
}

// Deletes every `Widget` below `window`, skipping one that went along with
// an earlier one.
template<typename Widget>
void deleteDescendants(QWidget *window)
{
    const QList<Widget *> children = window->findChildren<Widget *>();
    QList<QPointer<Widget>> guarded;
    for (Widget *child : children)
        guarded.append(child);
    for (const QPointer<Widget> &widget : qAsConst(guarded))
        delete widget.data();
}

void releaseMediaLibrary()
{
    avformat_network_deinit();
#if LIBAVCODEC_VERSION_MAJOR < 59
    av_lockmgr_register(nullptr);
#endif
}

} // namespace

OstrelPlugin::OstrelPlugin(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<QGraphicsObject *>("QGraphicsObject*");

    bindToScene();
    initMediaLibrary();

    QThreadPool *pool = QThreadPool::globalInstance();
    if (pool->maxThreadCount() != MinimumPoolThreads
        && QThread::idealThreadCount() <= MinimumPoolThreads) {
        pool->setMaxThreadCount(MinimumPoolThreads);
    }
}

OstrelPlugin::~OstrelPlugin()
{
    clearCams();
    // Players in dock windows stop their decoding before the media library
    // goes; the dock windows themselves belong to the main window.
    const QWidgetList topLevels = QApplication::topLevelWidgets();
    for (QWidget *window : topLevels) {
        deleteDescendants<PlayerWidget>(window);
    }
    releaseMediaLibrary();
}

void OstrelPlugin::bindToScene()
{
    if (!qApp)
        return;
    const QObjectList children = qApp->children();
    for (QObject *child : children) {
        if (!child->inherits("Varka::Kernel"))
            continue;
        const QVariant value = child->property("graphicsScene");
        auto *scene = qobject_cast<QGraphicsScene *>(qvariant_cast<QObject *>(value));
        if (scene) {
            m_scene = scene;
            return;
        }
        qDebug() << "OstrelPlugin: kernel" << child << "gives no scene:" << value;
    }
}

QGraphicsScene *OstrelPlugin::scene() const
{
    return m_scene.data();
}

QString OstrelPlugin::lastError() const
{
    return m_lastError;
}

QString OstrelPlugin::moduleVersion() const
{
    return QStringLiteral("2.3.45");
}

void OstrelPlugin::setViewAreaAlwaysVisible(bool visible)
{
    if (visible == m_viewAreaAlwaysVisible || !m_scene) {
        qDebug() << "OstrelPlugin: viewAreaAlwaysVisible unchanged, scene" << m_scene.data();
        return;
    }
    m_viewAreaAlwaysVisible = visible;
    // Hiding and showing a group makes every camera in it decide anew
    // whether its view sector shows.
    for (ItemsGroup *group : qAsConst(m_groups)) {
        if (group->isVisible()) {
            group->hide();
            group->show();
        }
    }
}

int OstrelPlugin::maxStreamCount() const
{
    return QThreadPool::globalInstance()->maxThreadCount();
}

void OstrelPlugin::setMaxStreamCount(int count)
{
    QThreadPool *pool = QThreadPool::globalInstance();
    if (count == pool->maxThreadCount() || count < QThread::idealThreadCount())
        return;
    pool->setMaxThreadCount(count);
}

int OstrelPlugin::lockManager(void **mutex, int op)
{
    switch (op) {
    case 0: // create
        if (mutex)
            *mutex = new QMutex;
        return 0;
    case 1: // obtain
        if (mutex && *mutex)
            static_cast<QMutex *>(*mutex)->lock();
        return 0;
    case 2: // release
        if (mutex && *mutex)
            static_cast<QMutex *>(*mutex)->unlock();
        return 0;
    case 3: // destroy
        if (mutex) {
            delete static_cast<QMutex *>(*mutex);
            *mutex = nullptr;
        }
        return 0;
    default:
        return 1;
    }
}

QGraphicsView *OstrelPlugin::findMapView() const
{
    if (!m_scene)
        return nullptr;
    const QList<QGraphicsView *> views = m_scene->views();
    for (QGraphicsView *view : views) {
        if (view->inherits("OsmView"))
            return view;
    }
    return nullptr;
}

QMainWindow *OstrelPlugin::findMainWindow()
{
    const QWidgetList topLevels = QApplication::topLevelWidgets();
    for (QWidget *widget : topLevels) {
        if (auto *window = qobject_cast<QMainWindow *>(widget))
            return window;
    }
    return nullptr;
}

// Operations of the layer that later parts of the plug-in fill in.

QWidget *OstrelPlugin::createCamWidget(QWidget *parent, const QString &cam_address, bool rtsp_tcp)
{
    Q_UNUSED(parent)
    Q_UNUSED(cam_address)
    Q_UNUSED(rtsp_tcp)
    return nullptr;
}

QWidget *OstrelPlugin::createImagePlayerWidget(
    QWidget *parent, const QString &url_template, int update_period_sec)
{
    Q_UNUSED(parent)
    Q_UNUSED(url_template)
    Q_UNUSED(update_period_sec)
    return nullptr;
}

bool OstrelPlugin::loadVlcCamList(const QString &config_file, QGraphicsObject *layer)
{
    Q_UNUSED(config_file)
    Q_UNUSED(layer)
    return false;
}

void OstrelPlugin::saveVlcCamList(const QString &config_file)
{
    Q_UNUSED(config_file)
}

void OstrelPlugin::setTypeVisible(int type, bool vis)
{
    Q_UNUSED(type)
    Q_UNUSED(vis)
}

bool OstrelPlugin::typeIsVisible(int t) const
{
    Q_UNUSED(t)
    return false;
}

void OstrelPlugin::clearCams()
{
    qDeleteAll(m_groups);
    m_groups.clear();
    m_cameras.clear();
}

bool OstrelPlugin::editCamProperties(CamGraphicsItem *cam)
{
    Q_UNUSED(cam)
    return false;
}

QObject *OstrelPlugin::createNewCamera(const QPointF &pos, int tpye)
{
    Q_UNUSED(pos)
    Q_UNUSED(tpye)
    return nullptr;
}

void OstrelPlugin::deleteCamera(CamGraphicsItem *cam)
{
    Q_UNUSED(cam)
    m_changed = true;
}

void OstrelPlugin::attachToScene(QWidget *w, bool enable_child_controls, const QPointF &pos)
{
    Q_UNUSED(w)
    Q_UNUSED(enable_child_controls)
    Q_UNUSED(pos)
}

void OstrelPlugin::deleteAttachedCams() { }

void OstrelPlugin::setSceneCamZoomSize(int zoom, int width, int height)
{
    m_zoomSizes.insert(zoom, QSize(width, height));
}

void OstrelPlugin::osmViewZoomChanged(int zoom)
{
    Q_UNUSED(zoom)
}

void OstrelPlugin::attachedCamDestroyed(QObject *o)
{
    m_sceneProxies.removeAll(reinterpret_cast<SceneCamProxyWidget *>(o));
}

void OstrelPlugin::camDestroyed(QObject *o)
{
    m_cameras.removeAll(reinterpret_cast<CamGraphicsItem *>(o));
}

void OstrelPlugin::applyZoomSize(SceneCamProxyWidget *proxy, int zoom)
{
    Q_UNUSED(proxy)
    Q_UNUSED(zoom)
}
