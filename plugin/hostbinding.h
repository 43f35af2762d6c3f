#ifndef HOSTBINDING_H
#define HOSTBINDING_H

#include <QPointer>

class QGraphicsScene;
class QGraphicsView;
class QMainWindow;

/*
 * Where the layer lives in the host: the map scene the host's kernel
 * gives, the map view among that scene's views, and the main window that
 * docks players and parents dialogs. The host finds the plug-in, never the
 * other way round, so these are looked up by the names the host's classes
 * carry. GUI thread only.
 */
class HostBinding
{
public:
    // Binds to the scene of the first kernel that gives one.
    HostBinding();

    // Null without a kernel that gives one, or once the host deleted it.
    QGraphicsScene *scene() const;
    // The scene's map view; null when it has none.
    QGraphicsView *mapView() const;
    static QMainWindow *mainWindow();

private:
    QPointer<QGraphicsScene> m_scene;
};

#endif // HOSTBINDING_H
