#include "workstationwindow.h"

#include "cameralistdock.h"
#include "kernel.h"
#include "mapmenu.h"
#include "osmview.h"
#include "roadnetworkitem.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QGraphicsScene>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

namespace {
// On-map player sizes by zoom level; below the first level they are hidden.
const struct
{
    int zoom;
    int width;
    int height;
} PlayerSizes[] = {{13, 200, 150}, {14, 280, 210}, {15, 360, 270}, {16, 480, 360}, {17, 640, 480}};
} // namespace

WorkstationWindow::WorkstationWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_scene(new QGraphicsScene(this))
    , m_kernel(new Varka::Kernel(m_scene, QCoreApplication::instance()))
    , m_view(new OsmView(m_scene, this))
    , m_cameraList(new CameraListDock(m_scene, this))
    , m_mapMenu(new MapMenu(m_view, &m_layer, this))
{
    setObjectName(QStringLiteral("workstationWindow"));
    m_scene->setSceneRect(-180, -85, 360, 170);
    setCentralWidget(m_view);
    addDockWidget(Qt::LeftDockWidgetArea, m_cameraList);
    m_cameraList->hide();
    resize(1280, 800);

    m_view->viewport()->installEventFilter(this);
    connect(m_cameraList, &CameraListDock::cameraActivated, this, &WorkstationWindow::selectCamera);
    connect(m_mapMenu, &MapMenu::createRequested, this, &WorkstationWindow::createCameraAt);
    connect(m_mapMenu, &MapMenu::openRequested, this, &WorkstationWindow::openCameras);
    connect(m_scene, &QGraphicsScene::selectionChanged, this,
            &WorkstationWindow::updateCameraActions);
    connect(m_view, &OsmView::zoomChanged, this,
            [this](int zoom) { statusBar()->showMessage(tr("Zoom %1").arg(zoom), 2000); });

    // The layer has no change signal; a light poll keeps the title's star
    // in step with its "changed" property.
    auto *titleTimer = new QTimer(this);
    connect(titleTimer, &QTimer::timeout, this, &WorkstationWindow::updateTitle);
    titleTimer->start(500);

    createActions();
    m_mapMenu->setCameraActions(m_cameraActions);
    updateTitle();
    updateCameraActions();
}

WorkstationWindow::~WorkstationWindow()
{
    // The scene empties itself as it goes and reports selection changes to
    // a window whose actions are already gone.
    m_scene->disconnect(this);
    m_view->viewport()->removeEventFilter(this);
    delete m_mapMenu;
    delete m_kernel;
}

QString WorkstationWindow::typeName(int type)
{
    switch (type) {
    case 1:
        return tr("Camera");
    case 2:
        return tr("License plate registrator");
    case 3:
        return tr("Video detector");
    case 4:
        return tr("Camera with traffic-stream detector");
    case 5:
        return tr("Camera with CitiLog detector");
    default:
        return tr("Type %1").arg(type);
    }
}

void WorkstationWindow::createActions()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *open =
        file->addAction(tr("&Open camera list..."), this, &WorkstationWindow::openListDialog);
    open->setShortcut(QKeySequence::Open);
    m_saveAction = file->addAction(tr("&Save"), this, &WorkstationWindow::saveCurrent);
    m_saveAction->setShortcut(QKeySequence::Save);
    m_saveAsAction = file->addAction(tr("Save &as..."), this, &WorkstationWindow::saveAs);
    m_saveAsAction->setShortcut(QKeySequence::SaveAs);
    file->addSeparator();
    m_stillFolderAction =
        file->addAction(tr("Folder for s&tills..."), this, &WorkstationWindow::chooseStillFolder);
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu *cameras = menuBar()->addMenu(tr("&Cameras"));
    QMenu *create = cameras->addMenu(tr("&New camera"));
    for (int type = FirstType; type <= LastType; ++type) {
        create->addAction(typeName(type), this, [this, type] {
            m_placingType = type;
            m_view->viewport()->setCursor(Qt::CrossCursor);
            statusBar()->showMessage(tr("Click on the map to place the camera"));
        });
    }
    const auto cameraAction = [this, cameras](const QString &text, auto slot) {
        QAction *action = cameras->addAction(text, this, slot);
        m_cameraActions << action;
        return action;
    };
    cameraAction(tr("&Edit..."), [this] {
        if (QObject *camera = selectedCamera()) {
            m_layer.editCamera(camera);
            m_cameraList->refresh();
        }
    });
    cameraAction(tr("&Delete"), [this] {
        if (QObject *camera = selectedCamera())
            m_layer.deleteCamera(camera);
    })->setShortcut(QKeySequence::Delete);
    cameras->addSeparator();
    cameraAction(tr("Play &live"), [this] {
        if (!CameraLayer::play(selectedCamera(), false, false))
            reportFailure(tr("The player could not be opened."));
    });
    cameraAction(tr("Play &snapshots"), [this] {
        if (!CameraLayer::play(selectedCamera(), true, false))
            reportFailure(tr("The player could not be opened."));
    });
    cameraAction(tr("Play on the &map"), [this] {
        if (!CameraLayer::play(selectedCamera(), false, true))
            reportFailure(tr("The player could not be opened."));
    });
    m_movableAction = cameraAction(tr("&Movable"), [this](bool movable) {
        if (QObject *camera = selectedCamera())
            camera->setProperty("movable", movable);
    });
    m_movableAction->setCheckable(true);
    cameras->addSeparator();
    cameras->addAction(tr("&Close players on the map"), this,
                       [this] { m_layer.closePlayersOnMap(); });

    QMenu *view = menuBar()->addMenu(tr("&View"));
    view->addAction(tr("Zoom &in"), m_view, &OsmView::zoomIn)->setShortcut(QKeySequence::ZoomIn);
    view->addAction(tr("Zoom &out"), m_view, &OsmView::zoomOut)->setShortcut(QKeySequence::ZoomOut);
    view->addAction(m_cameraList->toggleViewAction());
    view->addSeparator();
    m_sectorsAction = view->addAction(tr("Show all view &sectors"), this,
                                      [this](bool on) { m_layer.setViewAreasAlwaysVisible(on); });
    m_sectorsAction->setCheckable(true);
    QMenu *types = view->addMenu(tr("Camera &types"));
    for (int type = FirstType; type <= LastType; ++type) {
        QAction *action = types->addAction(typeName(type), this, [this, type](bool on) {
            m_layer.setTypeVisible(type, on);
            updateTypeVisibility();
        });
        action->setCheckable(true);
        action->setChecked(true);
        m_typeActions.insert(type, action);
    }
}

void WorkstationWindow::setPlugin(QObject *plugin)
{
    m_layer = CameraLayer(plugin);
    m_layer.connectCameraStates(m_cameraList, SLOT(updateCamera(QObject *)));
    for (const auto &size : PlayerSizes)
        m_layer.setPlayerSizeForZoom(size.zoom, size.width, size.height);
    m_sectorsAction->setChecked(m_layer.viewAreasAlwaysVisible());
    updateTitle();
}

bool WorkstationWindow::loadRoads(const QString &fileName)
{
    if (!m_roads) {
        m_roads = new RoadNetworkItem;
        m_scene->addItem(m_roads);
    }
    return m_roads->load(fileName);
}

bool WorkstationWindow::openList(const QString &fileName)
{
    if (!m_layer.loadList(fileName))
        return false;
    m_listFile = fileName;
    m_cameraList->refresh();
    m_cameraList->show();
    resizeDocks({m_cameraList}, {320}, Qt::Horizontal);
    updateTypeVisibility();
    updateTitle();
    return true;
}

bool WorkstationWindow::saveList(const QString &fileName)
{
    if (!m_layer.saveList(fileName))
        return false;
    m_listFile = fileName;
    updateTitle();
    return true;
}

QObject *WorkstationWindow::findCamera(const QString &name) const
{
    return CameraLayer::findCamera(m_scene, name);
}

QObject *WorkstationWindow::selectedCamera() const
{
    return CameraLayer::selectedCamera(m_scene);
}

void WorkstationWindow::centreOnCameras()
{
    QRectF area;
    if (CameraLayer::cameraArea(m_scene, &area))
        m_view->showArea(area);
}

void WorkstationWindow::dockFloatingPlayers()
{
    QList<QDockWidget *> docked;
    const QList<QDockWidget *> docks = findChildren<QDockWidget *>();
    for (QDockWidget *dock : docks) {
        if (dock == m_cameraList || !dock->isFloating())
            continue;
        addDockWidget(Qt::RightDockWidgetArea, dock);
        dock->setFloating(false);
        docked << dock;
    }
    if (!docked.isEmpty())
        resizeDocks(docked, QVector<int>(docked.size(), 520).toList(), Qt::Horizontal);
}

void WorkstationWindow::selectCamera(QObject *camera)
{
    m_scene->clearSelection();
    camera->setProperty("selected", true);
    m_view->centerOn(camera->property("position").toPointF());
}

void WorkstationWindow::updateTitle()
{
    const QString name = m_listFile.isEmpty() ? tr("untitled") : QFileInfo(m_listFile).fileName();
    const QString title = tr("%1%2 - Workstation").arg(name, m_layer.isChanged() ? "*" : "");
    if (windowTitle() != title)
        setWindowTitle(title);
    m_saveAction->setEnabled(m_layer.isValid());
    m_saveAsAction->setEnabled(m_layer.isValid());
    m_stillFolderAction->setEnabled(m_layer.isValid());
}

void WorkstationWindow::updateTypeVisibility()
{
    for (auto it = m_typeActions.cbegin(); it != m_typeActions.cend(); ++it) {
        const QSignalBlocker blocker(it.value());
        it.value()->setChecked(m_layer.isTypeVisible(it.key()));
    }
}

void WorkstationWindow::updateCameraActions()
{
    QObject *camera = selectedCamera();
    for (QAction *action : qAsConst(m_cameraActions))
        action->setEnabled(camera);
    if (camera) {
        const QSignalBlocker blocker(m_movableAction);
        m_movableAction->setChecked(camera->property("movable").toBool());
    }
}

bool WorkstationWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view->viewport())
        return QMainWindow::eventFilter(watched, event);

    if (event->type() == QEvent::MouseButtonPress && m_placingType) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int type = m_placingType;
        m_placingType = 0;
        m_view->viewport()->unsetCursor();
        statusBar()->clearMessage();
        if (mouse->button() == Qt::LeftButton)
            createCameraAt(m_view->mapToScene(mouse->pos()), type);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void WorkstationWindow::openCameras(const QList<QPointer<QObject>> &cameras)
{
    // As a double-click opens one; a camera may have gone meanwhile.
    for (const QPointer<QObject> &camera : cameras) {
        if (!CameraLayer::play(camera, false, false))
            reportFailure(tr("The player could not be opened."));
    }
}

void WorkstationWindow::createCameraAt(const QPointF &scenePos, int type)
{
    QObject *camera = m_layer.createCamera(scenePos, type);
    if (!camera) {
        reportFailure(tr("The camera could not be created."));
        return;
    }
    // A new camera is part of the list to save, even before it is edited.
    m_layer.setChanged(true);
    selectCamera(camera);
    m_cameraList->refresh();
    m_cameraList->show();
    if (m_layer.editCamera(camera))
        m_cameraList->refresh();
}

// Players save stills there (their menu, or the S key).
void WorkstationWindow::chooseStillFolder()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Folder for stills"), m_layer.stillFolder());
    if (folder.isEmpty())
        return;
    if (m_layer.setStillFolder(folder)) {
        statusBar()->showMessage(tr("Stills go to %1").arg(QDir::toNativeSeparators(folder)), 5000);
        return;
    }
    QMessageBox::warning(this, tr("Folder for stills"),
                         tr("Stills cannot be saved in %1: the folder does not exist or is not "
                            "writable. They still go to %2.")
                             .arg(QDir::toNativeSeparators(folder),
                                  QDir::toNativeSeparators(m_layer.stillFolder())));
}

void WorkstationWindow::reportFailure(const QString &what)
{
    statusBar()->showMessage(what, 5000);
}

void WorkstationWindow::openListDialog()
{
    if (!maybeSave())
        return;
    const QString file = QFileDialog::getOpenFileName(this, tr("Open camera list"), m_listFile,
                                                      tr("Camera lists (*.xml);;All files (*)"));
    if (!file.isEmpty() && !openList(file))
        QMessageBox::warning(this, tr("Open camera list"), m_layer.lastError());
}

bool WorkstationWindow::saveCurrent()
{
    if (m_listFile.isEmpty())
        return saveAs();
    if (saveList(m_listFile))
        return true;
    QMessageBox::warning(this, tr("Save camera list"), m_layer.lastError());
    return false;
}

bool WorkstationWindow::saveAs()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("Save camera list"), m_listFile,
                                                      tr("Camera lists (*.xml);;All files (*)"));
    if (file.isEmpty())
        return false;
    if (saveList(file))
        return true;
    QMessageBox::warning(this, tr("Save camera list"), m_layer.lastError());
    return false;
}

bool WorkstationWindow::maybeSave()
{
    if (!m_layer.isChanged())
        return true;
    const auto answer = QMessageBox::question(
        this, tr("Camera list changed"), tr("The camera list has changed. Save it?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Save)
        return saveCurrent();
    return true;
}

void WorkstationWindow::closeEvent(QCloseEvent *event)
{
    if (maybeSave())
        event->accept();
    else
        event->ignore();
}
