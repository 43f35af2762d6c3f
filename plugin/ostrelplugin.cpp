#include "ostrelplugin.h"

#include "dialogs/cameditdlg.h"
#include "items/camgraphicsitem.h"
#include "player/scenecamproxywidget.h"
#include "player/stillwriter.h"
#include "player/streampool.h"
#include "plugin/camlistfile.h"
#include "plugin/hostbinding.h"
#include "plugin/itemsgroup.h"
#include "plugin/layercameras.h"
#include "plugin/medialibrary.h"
#include "plugin/playerplacement.h"

#include <QDebug>
#include <QFileInfo>
#include <QGraphicsObject>
#include <QMainWindow>
#include <QPointer>

OstrelPlugin::OstrelPlugin(QObject *parent)
    : QObject(parent)
    , m_host(std::make_unique<HostBinding>())
{
    qRegisterMetaType<QGraphicsObject *>("QGraphicsObject*");
    qRegisterMetaType<CamGraphicsItem *>("CamGraphicsItem*");
    qRegisterMetaType<SceneCamProxyWidget *>("SceneCamProxyWidget*");

    m_media = std::make_unique<MediaLibrary>();
    // The players' own pool, sized by maxStreamCount; the host's global
    // pool is left alone.
    m_placement = new PlayerPlacement(this);
    m_cameras = new LayerCameras(m_host.get(), this, this);
}

OstrelPlugin::~OstrelPlugin()
{
    clearCams();
    // Every player made here stops, wherever it lives, before the media
    // library goes; dock windows themselves belong to the main window.
    m_placement->shutdown();
    m_media.reset();
}

QGraphicsScene *OstrelPlugin::scene() const
{
    return m_host->scene();
}

const QMap<int, ItemsGroup *> &OstrelPlugin::groups() const
{
    return m_cameras->groups();
}

const QList<CamGraphicsItem *> &OstrelPlugin::cameras() const
{
    return m_cameras->cameras();
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
    if (visible == m_viewAreaAlwaysVisible || !m_host->scene()) {
        qDebug() << "OstrelPlugin: viewAreaAlwaysVisible unchanged, scene" << m_host->scene();
        return;
    }
    m_viewAreaAlwaysVisible = visible;
    m_cameras->refreshViewAreas();
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
    return m_host->mapView();
}

QMainWindow *OstrelPlugin::findMainWindow()
{
    return HostBinding::mainWindow();
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
    if (!m_host->scene()) {
        m_lastError = tr("No map scene to load the cameras into");
        return false;
    }

    CamList list;
    QString directory;
    const CamListFile::Result loaded = CamListFile::load(config_file, &list, &directory);
    switch (loaded.failure) {
    case CamListFile::Failure::None:
        break;
    case CamListFile::Failure::Parse:
        m_lastError =
            tr("Error parsing file (row %1, column %2): %3")
                .arg(QString::number(loaded.line), QString::number(loaded.column), loaded.reason);
        return false;
    default:
        m_lastError = tr("Error opening file: %1").arg(loaded.reason);
        return false;
    }

    // Replacing the cameras is no edit: the flag stays as it was.
    const bool changed = m_changed;
    clearCams();
    m_vlcOptions = list.vlcOptions;
    if (list.useFfmpeg)
        m_useFfmpeg = true;

    m_cameras->add(list, directory, layer);
    m_changed = changed;

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
    list.cameras = m_cameras->entries();
    const CamListFile::Result saved = CamListFile::save(config_file, list);
    switch (saved.failure) {
    case CamListFile::Failure::None:
        m_lastError.clear();
        m_changed = false;
        return;
    case CamListFile::Failure::Refused:
        m_lastError = tr("Error saving file: %1").arg(saved.reason);
        return;
    default:
        m_lastError = tr("Error opening file: %1").arg(saved.reason);
        return;
    }
}

void OstrelPlugin::setTypeVisible(int type, bool vis)
{
    m_cameras->setTypeVisible(type, vis);
}

bool OstrelPlugin::typeIsVisible(int t) const
{
    return m_cameras->isTypeVisible(t);
}

void OstrelPlugin::clearCams()
{
    // A save would now write an empty list.
    if (!m_cameras->cameras().isEmpty())
        m_changed = true;
    m_cameras->clear();
}

bool OstrelPlugin::editCamProperties(CamGraphicsItem *cam)
{
    if (!m_cameras->contains(cam, "editCamProperties"))
        return false;
    // The main window may go while the dialog runs, and the dialog with it;
    // the host may delete the camera.
    QPointer<CamGraphicsItem> camera = cam;
    QPointer<CamEditDlg> dialog = new CamEditDlg(HostBinding::mainWindow(), cam);
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
    m_cameras->regroup(camera);
    m_changed = true;
    return true;
}

QObject *OstrelPlugin::createNewCamera(const QPointF &pos, int tpye)
{
    if (!m_host->scene())
        return nullptr;
    // A position a list cannot hold would be lost on the next load.
    if (!CamListEntry::isValidPosition(pos)) {
        qDebug() << "OstrelPlugin::createNewCamera: position refused:" << pos;
        return nullptr;
    }
    auto *cam = new CamGraphicsItem(pos, QString(), tpye, 0.0);
    m_cameras->add(cam, nullptr);
    cam->setView(30, 10);
    cam->setUseTcpRtsp(true);
    m_changed = true;
    return cam;
}

void OstrelPlugin::deleteCamera(CamGraphicsItem *cam)
{
    if (!m_cameras->contains(cam, "deleteCamera"))
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

QVariantList OstrelPlugin::camerasSeeing(const QPointF &pos) const
{
    return m_cameras->camerasSeeing(pos);
}
