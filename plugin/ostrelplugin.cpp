#include "ostrelplugin.h"

#include "dialogs/cameditdlg.h"
#include "imageplayer/imageplayerwidget.h"
#include "items/camgraphicsitem.h"
#include "items/camgroup.h"
#include "items/sectorcover.h"
#include "player/scenecamproxywidget.h"
#include "player/stillwriter.h"
#include "player/streampool.h"
#include "plugin/camlistreader.h"
#include "plugin/camlistwriter.h"
#include "plugin/itemsgroup.h"
#include "plugin/medialibrary.h"
#include "plugin/playerplacement.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMainWindow>
#include <QSaveFile>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

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
    m_media = std::make_unique<MediaLibrary>();
    // The players' own pool, sized by maxStreamCount; the host's global
    // pool is left alone.
    m_placement = new PlayerPlacement(this);
}

OstrelPlugin::~OstrelPlugin()
{
    clearCams();
    // Every player made here stops, wherever it lives, before the media
    // library goes; dock windows themselves belong to the main window.
    m_placement->shutdown();
    m_media.reset();
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
    // The project's version, given by the build.
    return QStringLiteral(OSTREL_VERSION);
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
    return m_placement->pool()->maxStreams();
}

// Streams beyond the count wait for a free slot and say so.
void OstrelPlugin::setMaxStreamCount(int count)
{
    const int taken = m_placement->pool()->setMaxStreams(count);
    if (taken != count)
        qDebug("OstrelPlugin: maxStreamCount %d is out of range; %d taken", count, taken);
}

QString OstrelPlugin::stillFolder() const
{
    const QString folder = m_placement->stillFolder();
    return folder.isEmpty() ? StillWriter::defaultFolder() : folder;
}

// An empty folder stands for the user's pictures folder.
void OstrelPlugin::setStillFolder(const QString &folder)
{
    if (folder.isEmpty()) {
        m_placement->setStillFolder(QString());
        return;
    }
    switch (StillWriter::checkFolder(folder)) {
    case StillWriter::Outcome::Saved:
        m_placement->setStillFolder(QFileInfo(folder).absoluteFilePath());
        return;
    case StillWriter::Outcome::NotWritable:
        qWarning().noquote() << "OstrelPlugin: stillFolder refused, not writable:" << folder;
        return;
    default:
        qWarning().noquote() << "OstrelPlugin: stillFolder refused, no such folder:" << folder;
        return;
    }
}

int OstrelPlugin::lockManager(void **mutex, int op)
{
    return MediaLibrary::lockManager(mutex, op);
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

CameraPlayers *OstrelPlugin::cameraPlayers() const
{
    return m_placement;
}

QWidget *OstrelPlugin::createCamWidget(QWidget *parent, const QString &cam_address, bool rtsp_tcp)
{
    return m_placement->createCamWidget(parent, cam_address, rtsp_tcp, m_vlcOptions);
}

QWidget *OstrelPlugin::createImagePlayerWidget(QWidget *parent, const QString &url_template,
                                               int update_period_sec)
{
    return m_placement->createImagePlayerWidget(parent, url_template, update_period_sec);
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

    // Replacing the cameras is no edit: the flag stays as it was.
    const bool changed = m_changed;
    clearCams();
    const CamList &list = reader.list();
    m_vlcOptions = list.vlcOptions;
    if (list.useFfmpeg)
        m_useFfmpeg = true;

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

    // Players open already show on the new cameras of their address.
    m_placement->scheduleStateUpdate();

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
    // Plain video stands for every video camera, detector overlays included.
    if (type == cameraTypeCode(CameraType::Video)) {
        setTypeVisible(cameraTypeCode(CameraType::TrafficStreamVideo), vis);
        setTypeVisible(cameraTypeCode(CameraType::CitiLogVideo), vis);
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
    // A save would now write an empty list.
    if (!cameras.isEmpty())
        m_changed = true;
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
    cam->setOwner(this);
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
    placeOnScene(w, enable_child_controls, pos);
}

bool OstrelPlugin::canPlaceOnScene(const QPointF &pos) const
{
    return m_placement->canPlace(pos);
}

bool OstrelPlugin::placeOnScene(QWidget *w, bool enable_child_controls, const QPointF &pos)
{
    return m_placement->place(w, enable_child_controls, pos);
}

const QList<SceneCamProxyWidget *> &OstrelPlugin::sceneProxies() const
{
    return m_placement->sceneProxies();
}

void OstrelPlugin::deleteAttachedCams()
{
    m_placement->closeAll();
}

void OstrelPlugin::setSceneCamZoomSize(int zoom, int width, int height)
{
    m_placement->setZoomSize(zoom, QSize(width, height));
}

void OstrelPlugin::osmViewZoomChanged(int zoom)
{
    m_placement->applyZoom(zoom);
}

void OstrelPlugin::attachedCamDestroyed(QObject *o)
{
    m_placement->forget(o);
}

void OstrelPlugin::camDestroyed(QObject *o)
{
    // Called from QObject's destructor, when the camera part is gone already:
    // only the address is compared, and QObject is the camera's first base.
    m_cameras.removeAll(reinterpret_cast<CamGraphicsItem *>(o));
}

QVariantList OstrelPlugin::camerasSeeing(const QPointF &pos) const
{
    QVariantList result;
    if (!std::isfinite(pos.x()) || !std::isfinite(pos.y()))
        return result;
    // The sectors are drawn in the pixels of the scene's first view; with no
    // view there is no drawing, and the map around the point stands in.
    const QList<QGraphicsView *> views = m_scene ? m_scene->views() : QList<QGraphicsView *>();
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
