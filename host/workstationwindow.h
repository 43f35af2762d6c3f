#ifndef WORKSTATIONWINDOW_H
#define WORKSTATIONWINDOW_H

#include "cameralayer.h"

#include <QMainWindow>
#include <QMap>
#include <QPointer>

class CameraListDock;
class MapMenu;
class QAction;
class QGraphicsScene;
class OsmView;
class RoadNetworkItem;
namespace Varka {
class Kernel;
}

// The workstation's main window: the map scene, the kernel that publishes it
// to plug-ins, the map view as central widget, and the operator's commands
// for the camera layer once one is attached.
class WorkstationWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The camera type codes the workstation offers.
    static constexpr int FirstType = 1;
    static constexpr int LastType = 5;

    explicit WorkstationWindow(QWidget *parent = nullptr);
    ~WorkstationWindow() override;

    QGraphicsScene *scene() const { return m_scene; }
    OsmView *mapView() const { return m_view; }
    Varka::Kernel *kernel() const { return m_kernel; }
    CameraListDock *cameraList() const { return m_cameraList; }
    CameraLayer &cameraLayer() { return m_layer; }

    // Gives the window the camera layer plug-in to drive.
    void setPlugin(QObject *plugin);
    bool loadRoads(const QString &fileName);
    bool openList(const QString &fileName);
    bool saveList(const QString &fileName);
    QObject *findCamera(const QString &name) const;
    QObject *selectedCamera() const;
    void centreOnCameras();
    // Docks the players' windows that float on their own beside the map, so
    // that a picture of the main window shows them.
    void dockFloatingPlayers();

    static QString typeName(int type);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void updateTitle();
    void updateTypeVisibility();
    void updateCameraActions();
    void openCameras(const QList<QPointer<QObject>> &cameras);
    void createCameraAt(const QPointF &scenePos, int type);
    void selectCamera(QObject *camera);
    void reportFailure(const QString &what);
    void chooseStillFolder();
    bool maybeSave();
    void openListDialog();
    bool saveCurrent();
    bool saveAs();

    QGraphicsScene *m_scene;
    Varka::Kernel *m_kernel;
    OsmView *m_view;
    RoadNetworkItem *m_roads = nullptr;
    CameraListDock *m_cameraList;
    CameraLayer m_layer;
    MapMenu *m_mapMenu;
    QString m_listFile;
    int m_placingType = 0;

    QAction *m_saveAction = nullptr;
    QAction *m_saveAsAction = nullptr;
    QAction *m_stillFolderAction = nullptr;
    QList<QAction *> m_cameraActions;
    QAction *m_movableAction = nullptr;
    QAction *m_sectorsAction = nullptr;
    QMap<int, QAction *> m_typeActions;
};

#endif // WORKSTATIONWINDOW_H
