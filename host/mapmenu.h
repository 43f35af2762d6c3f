#ifndef MAPMENU_H
#define MAPMENU_H

#include <QList>
#include <QObject>
#include <QPointer>

class CameraLayer;
class OsmView;
class QAction;
class QMenu;
class QPoint;
class QPointF;

/*
 * The context menus of the map view, while a camera layer is attached: on a
 * camera, the window's camera commands; elsewhere on the map, a new camera
 * of any type at that point and the cameras that see it, nearest first.
 * What the operator picks is carried out by the window.
 */
class MapMenu : public QObject
{
    Q_OBJECT

public:
    // `layer` is the window's, and outlives the menu.
    MapMenu(OsmView *view, const CameraLayer *layer, QObject *parent = nullptr);
    ~MapMenu() override;

    // What the menu of a camera offers, for the camera made the selection.
    void setCameraActions(const QList<QAction *> &actions) { m_cameraActions = actions; }

signals:
    void createRequested(const QPointF &scenePos, int type);
    void openRequested(const QList<QPointer<QObject>> &cameras);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCameraMenu(QObject *camera, const QPoint &globalPos);
    void showMapMenu(const QPointF &scenePos, const QPoint &globalPos);
    void addSeeingMenu(QMenu *menu, const QPointF &scenePos);
    static QString distanceText(double metres);

    OsmView *const m_view;
    const CameraLayer *const m_layer;
    QList<QAction *> m_cameraActions;
};

#endif // MAPMENU_H
