#ifndef CAMERALISTDOCK_H
#define CAMERALISTDOCK_H

#include <QDockWidget>
#include <QHash>
#include <QPointer>

class QGraphicsScene;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The list of cameras beside the map: icon, name, address, type and the
// state of an open player as the camera items describe themselves, with a
// filter. Picking a row selects the camera on the map.
class CameraListDock : public QDockWidget
{
    Q_OBJECT

public:
    explicit CameraListDock(QGraphicsScene *scene, QWidget *parent = nullptr);
    ~CameraListDock() override;

    int rowCount() const;
    QTreeWidget *tree() const { return m_tree; }
    QLineEdit *filterEdit() const { return m_filter; }

public slots:
    void refresh();
    void scheduleRefresh();
    // The camera's player state changed.
    void updateCamera(QObject *camera);

signals:
    void cameraActivated(QObject *camera);

private:
    void applyFilter();
    void onCurrentItemChanged(QTreeWidgetItem *current);
    void showState(QTreeWidgetItem *row, QObject *camera);

    QPointer<QGraphicsScene> m_scene;
    QLineEdit *m_filter;
    QTreeWidget *m_tree;
    QHash<QObject *, QTreeWidgetItem *> m_rows;
    bool m_refreshQueued = false;
};

#endif // CAMERALISTDOCK_H
