#include "ostrelplugin.h"

#include "dialogs/cameditdlg.h"
#include "imageplayer/imageplayerwidget.h"
#include "items/camgraphicsitem.h"
#include "items/camgroup.h"
#include "player/persistentdockwidget.h"
#include "player/playerwidget.h"
#include "player/scenecamproxywidget.h"
#include "plugin/camlistreader.h"
#include "plugin/camlistwriter.h"
#include "plugin/itemsgroup.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMutex>
#include <QSaveFile>
#include <QThread>
#include <QThreadPool>
#include <QVariant>

#include <algorithm>
#include <utility>

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

// Writes all of `data`; false with the device's error when it refuses some.
bool writeAll(QIODevice *device, const char *data, qint64 size)
{
    for (qint64 written = 0; written < size;) {
        const qint64 n = device->write(data + written, size - written);
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

// Replaces the backup by a whole copy of the list in one step: a copy that
// fails part-way (a full disk, a read-only directory) leaves the older
// backup as it was. Only a regular file has a backup; the copy keeps its
// permissions, as the list may hold camera passwords.
void makeBackup(const QString &file, const QString &backup)
{
    QFile source(file);
    if (!QFileInfo(file).isFile() || !source.open(QIODevice::ReadOnly))
        return;
    // Unbuffered for the reason given in saveVlcCamList; an uncommitted
    // copy goes with the object.
    QSaveFile copy(backup);
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    char buffer[64 * 1024];
    qint64 n = 0;
    while ((n = source.read(buffer, sizeof buffer)) > 0) {
        if (!writeAll(&copy, buffer, n))
            return;
    }
    if (n == 0 && copy.setPermissions(source.permissions()))
        copy.commit();
}

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

OstrelPlugin::OstrelPlugin(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<QGraphicsObject *>("QGraphicsObject*");
    qRegisterMetaType<CamGraphicsItem *>("CamGraphicsItem*");
    qRegisterMetaType<SceneCamProxyWidget *>("SceneCamProxyWidget*");

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
    // A floating dock is a window of its own and may go with a player
    // before its turn comes.
    const QWidgetList topLevels = QApplication::topLevelWidgets();
    const QList<QPointer<QWidget>> windows(topLevels.cbegin(), topLevels.cend());
    for (const QPointer<QWidget> &window : windows) {
        if (window)
            deleteDescendants<PlayerWidget>(window);
        if (window)
            deleteDescendants<ImagePlayerWidget>(window);
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
    if (auto *mainWindow = qobject_cast<QMainWindow *>(parent)) {
        auto *dock = new PersistentDockWidget(mainWindow, cam_address);
        dock->setAttribute(Qt::WA_DeleteOnClose);
        dock->setWidget(new PlayerWidget(dock, cam_address, rtsp_tcp, m_vlcOptions));
        return dock;
    }
    return new PlayerWidget(parent, cam_address, rtsp_tcp, m_vlcOptions);
}

QWidget *OstrelPlugin::createImagePlayerWidget(QWidget *parent, const QString &url_template,
                                               int update_period_sec)
{
    if (auto *mainWindow = qobject_cast<QMainWindow *>(parent)) {
        auto *dock = new PersistentDockWidget(mainWindow, url_template);
        dock->setAttribute(Qt::WA_DeleteOnClose);
        dock->setWidget(new ImagePlayerWidget(dock, url_template, update_period_sec));
        return dock;
    }
    return new ImagePlayerWidget(parent, url_template, update_period_sec);
}

bool OstrelPlugin::loadVlcCamList(const QString &config_file, QGraphicsObject *layer)
{
    if (!m_scene) {
        m_lastError = tr("No map scene to load the cameras into");
        return false;
    }

    QFile file(config_file);
    if (!file.open(QIODevice::ReadOnly)) {
        m_lastError = tr("Error opening file: %1").arg(file.errorString());
        return false;
    }
    // One byte more than a list may have, so that the reader can refuse it.
    const QByteArray data = file.read(CamListReader::MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        m_lastError = tr("Error opening file: %1").arg(file.errorString());
        return false;
    }
    const QDir directory = QFileInfo(file).absoluteDir();

    CamListReader reader;
    if (!reader.read(data)) {
        m_lastError = tr("Error parsing file (row %1, column %2): %3")
                          .arg(QString::number(reader.errorLine()),
                               QString::number(reader.errorColumn()), reader.errorString());
        return false;
    }

    clearCams();
    const CamList &list = reader.list();
    m_vlcOptions = list.vlcOptions;
    if (list.useFfmpeg)
        m_useFfmpeg = true;

    // Setting up the cameras is no edit: the flag stays as it was.
    const bool changed = m_changed;
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
        addCamera(cam, layer);
        cam->setOverlayUrl(entry.overlayUrl);
        cam->setImageUrlTemplate(entry.imageUrlTemplate);
        cam->setImageUpdatePeriod(entry.imageUpdatePeriod);
        cam->setUseTcpRtsp(entry.useTcpRtsp);
        // Paths are kept as written and read in the list's folder.
        if (!entry.bigPixmapPath.isEmpty() || !entry.smallPixmapPath.isEmpty())
            cam->setIconFiles(entry.bigPixmapPath, entry.smallPixmapPath, directory.path());
        if (entry.hasView)
            cam->setView(entry.viewAngle, entry.viewRadius);
        if (!entry.name.isEmpty())
            cam->setToolTip(entry.name);
    }
    m_changed = changed;
    CamGroup::fitSceneIndex(m_scene, m_cameras.size());

    // What the list held but the layer does not show goes where the host
    // and the operator can see it.
    m_loadWarnings = list.warnings;
    for (const QString &warning : qAsConst(m_loadWarnings))
        qWarning().noquote() << "OstrelPlugin:" << config_file << warning;
    if (list.skipped > 0) {
        qWarning().noquote() << "OstrelPlugin:" << config_file << list.skipped << "entries skipped,"
                             << list.cameras.size() << "cameras loaded";
    }
    m_lastError.clear();
    return true;
}

void OstrelPlugin::saveVlcCamList(const QString &config_file)
{
    CamList list;
    list.useFfmpeg = m_useFfmpeg;
    list.vlcOptions = m_vlcOptions;
    list.cameras.reserve(m_cameras.size());
    for (const CamGraphicsItem *cam : qAsConst(m_cameras))
        list.cameras.append(listEntry(cam));
    const QByteArray data = CamListWriter::write(list);

    // A list that would not load again does not replace one that does.
    const QString refusal = CamListReader::refusal(data.size(), list.cameras.size());
    if (!refusal.isNull()) {
        m_lastError = tr("Error saving file: %1").arg(refusal);
        return;
    }

    makeBackup(config_file, config_file + QLatin1String(".bak"));

    // The list it replaces stays intact until the new one is completely on
    // disk. Unbuffered, because a buffered QSaveFile reports success even
    // when its last flush fails, and so that the reason is known.
    QSaveFile file(config_file);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_lastError = tr("Error opening file: %1").arg(file.errorString());
        return;
    }
    if (!writeAll(&file, data.constData(), data.size()) || !file.commit()) {
        m_lastError = tr("Error opening file: %1").arg(file.errorString());
        return;
    }
    m_lastError.clear();
    m_changed = false;
}

void OstrelPlugin::setTypeVisible(int type, bool vis)
{
    // Type 1 stands for every plain video camera, detector overlays included.
    if (type == 1) {
        setTypeVisible(4, vis);
        setTypeVisible(5, vis);
    }
    if (ItemsGroup *group = m_groups.value(type))
        group->setVisible(vis);
}

bool OstrelPlugin::typeIsVisible(int t) const
{
    const ItemsGroup *group = m_groups.value(t);
    return group && group->isVisible();
}

void OstrelPlugin::clearCams()
{
    // The cameras go one by one in the order they came, each then the first
    // of its group's items and of this object's children, so that neither
    // list is searched for it; taken out of its group or not. The list is
    // emptied first, so that they have nothing to remove themselves from.
    const QList<CamGraphicsItem *> cameras = std::exchange(m_cameras, {});
    // Items the scene has not yet prepared for drawing (a load whose event
    // loop has not run) are each looked for in the scene's list of them when
    // they go: that list is dealt with first.
    if (m_scene && !cameras.isEmpty())
        QCoreApplication::sendPostedEvents(m_scene, QEvent::MetaCall);
    for (CamGraphicsItem *cam : cameras)
        delete cam;
    qDeleteAll(std::exchange(m_groups, {}));
}

ItemsGroup *OstrelPlugin::groupFor(int type, QGraphicsObject *layer)
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
        m_scene->addItem(group);
    return group;
}

void OstrelPlugin::addCamera(CamGraphicsItem *cam, QGraphicsObject *layer)
{
    // The cursor before the scene: set on an item in a scene, it makes each
    // view look for the item under the mouse, through every camera.
    cam->setCursor(Qt::PointingHandCursor);
    cam->setParentItem(groupFor(cam->cameraType(), layer));
    connect(cam, &QObject::destroyed, this, &OstrelPlugin::camDestroyed);
    cam->setPlugin(this);
    cam->setParent(this);
    m_cameras.append(cam);
}

bool OstrelPlugin::isLayerCamera(const CamGraphicsItem *cam, const char *operation) const
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

bool OstrelPlugin::editCamProperties(CamGraphicsItem *cam)
{
    if (!isLayerCamera(cam, "editCamProperties"))
        return false;
    // The main window may go while the dialog runs, and the dialog with it;
    // the host may delete the camera.
    QPointer<CamGraphicsItem> camera = cam;
    QPointer<CamEditDlg> dialog = new CamEditDlg(findMainWindow(), cam);
    dialog->setWindowTitle(tr("Camera \"%1\" properties").arg(cam->toolTip()));
    // The preview edits the camera while the dialog runs; Cancel puts it
    // back, and the flag with it.
    const bool changed = m_changed;
    const bool accepted = dialog->exec() == QDialog::Accepted;
    delete dialog;
    if (!accepted || !camera) {
        m_changed = changed;
        return accepted;
    }
    // Into the group of its type, made if there is none yet.
    if (camera->parentItem() != m_groups.value(camera->cameraType()))
        camera->setParentItem(groupFor(camera->cameraType(), nullptr));
    m_changed = true;
    return true;
}

QObject *OstrelPlugin::createNewCamera(const QPointF &pos, int tpye)
{
    if (!m_scene)
        return nullptr;
    // A position a list cannot hold would be lost on the next load.
    if (!CamListEntry::isValidPosition(pos)) {
        qDebug() << "OstrelPlugin::createNewCamera: position refused:" << pos;
        return nullptr;
    }
    auto *cam = new CamGraphicsItem(pos, QString(), tpye, 0.0);
    addCamera(cam, nullptr);
    cam->setView(30, 10);
    cam->setUseTcpRtsp(true);
    m_changed = true;
    return cam;
}

void OstrelPlugin::deleteCamera(CamGraphicsItem *cam)
{
    if (!isLayerCamera(cam, "deleteCamera"))
        return;
    delete cam;
    m_changed = true;
}

void OstrelPlugin::attachToScene(QWidget *w, bool enable_child_controls, const QPointF &pos)
{
    QGraphicsView *view = findMapView();
    if (!w || !m_scene || !view)
        return;

    if (!m_zoomConnected) {
        // The map view is the host's class, known only by its meta-object.
        connect(view, SIGNAL(zoomChanged(int)), this, SLOT(osmViewZoomChanged(int)));
        m_zoomConnected = true;
    }

    QPointF scenePos = pos;
    if (scenePos.isNull()) {
        QPoint widgetPos = w->pos();
        if (const QWidget *viewParent = view->parentWidget())
            widgetPos -= viewParent->pos();
        scenePos = view->mapToScene(widgetPos);
    }

    auto *proxy = new SceneCamProxyWidget(this, enable_child_controls);
    w->setProperty("sceneProxyWidget", QVariant::fromValue(proxy));
    connect(proxy, &QObject::destroyed, this, &OstrelPlugin::attachedCamDestroyed);
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
    m_scene->addItem(proxy);
    proxy->setZValue(6);
}

void OstrelPlugin::deleteAttachedCams()
{
    // Closing schedules each proxy's deletion; its destroyed() signal then
    // takes it off the list.
    const QList<SceneCamProxyWidget *> proxies = m_sceneProxies;
    for (auto it = proxies.crbegin(); it != proxies.crend(); ++it)
        (*it)->close();
}

void OstrelPlugin::setSceneCamZoomSize(int zoom, int width, int height)
{
    m_zoomSizes.insert(zoom, QSize(width, height));
    if (QGraphicsView *view = findMapView())
        osmViewZoomChanged(view->property("zoom").toInt());
}

void OstrelPlugin::osmViewZoomChanged(int zoom)
{
    const QList<SceneCamProxyWidget *> proxies = m_sceneProxies;
    for (auto it = proxies.crbegin(); it != proxies.crend(); ++it)
        applyZoomSize(*it, zoom);
}

void OstrelPlugin::attachedCamDestroyed(QObject *o)
{
    // Called from QObject's destructor: only addresses are compared, and
    // the object part comes first in the proxy.
    m_sceneProxies.removeAll(reinterpret_cast<SceneCamProxyWidget *>(o));
}

void OstrelPlugin::camDestroyed(QObject *o)
{
    // Called from QObject's destructor, when the camera part is gone already:
    // only the address is compared, and QObject is the camera's first base.
    m_cameras.removeAll(reinterpret_cast<CamGraphicsItem *>(o));
}

void OstrelPlugin::applyZoomSize(SceneCamProxyWidget *proxy, int zoom)
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
