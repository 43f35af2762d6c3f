#ifndef PERSISTENTDOCKWIDGET_H
#define PERSISTENTDOCKWIDGET_H

#include <QDockWidget>
#include <QRect>
#include <QStringList>

class QMainWindow;

// Where a dock of one name was left at its last close.
struct DockPlacement
{
    QRect geometry;
    bool floating = false;
    Qt::DockWidgetArea area = Qt::NoDockWidgetArea;
    QStringList tabbedWith;
};

/*
 * A dock window of the main window that comes back where the operator last
 * left a dock of the same name: floating with its geometry, or docked in its
 * area and tabbed with a partner that is still there. The memory lasts as
 * long as the process.
 */
class PersistentDockWidget : public QDockWidget
{
    Q_OBJECT
public:
    PersistentDockWidget(QMainWindow *mainWindow, const QString &dockName);
    ~PersistentDockWidget() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void placeAsNew();
    void restore(const DockPlacement &placement, QMainWindow *mainWindow);
};

#endif // PERSISTENTDOCKWIDGET_H
