#include "workstationwindow.h"

#include "kernel.h"
#include "osmview.h"

#include <QCoreApplication>
#include <QGraphicsScene>

WorkstationWindow::WorkstationWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_scene(new QGraphicsScene(this))
    , m_kernel(new Varka::Kernel(m_scene, QCoreApplication::instance()))
    , m_view(new OsmView(m_scene, this))
{
    setObjectName(QStringLiteral("workstationWindow"));
    setWindowTitle(tr("Workstation"));
    setCentralWidget(m_view);
    resize(1024, 768);
}

WorkstationWindow::~WorkstationWindow()
{
    delete m_kernel;
}
