#ifndef WORKSTATIONWINDOW_H
#define WORKSTATIONWINDOW_H

#include <QMainWindow>

class QGraphicsScene;
class OsmView;
namespace Varka {
class Kernel;
}

// The workstation's main window: the map scene, the kernel that publishes it
// to plug-ins, and the map view as central widget.
class WorkstationWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit WorkstationWindow(QWidget *parent = nullptr);
    ~WorkstationWindow() override;

    QGraphicsScene *scene() const { return m_scene; }
    OsmView *mapView() const { return m_view; }
    Varka::Kernel *kernel() const { return m_kernel; }

private:
    QGraphicsScene *m_scene;
    Varka::Kernel *m_kernel;
    OsmView *m_view;
};

#endif // WORKSTATIONWINDOW_H
