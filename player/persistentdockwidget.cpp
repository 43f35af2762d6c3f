#include "player/persistentdockwidget.h"

#include <QCursor>
#include <QMainWindow>
#include <QMap>

namespace {

// Shared by the docks of every player kind, keyed by dock name (case matters).
QMap<QString, DockPlacement> &dockPlacements()
{
    static QMap<QString, DockPlacement> placements;
    return placements;
}

} // namespace

PersistentDockWidget::PersistentDockWidget(QMainWindow *mainWindow, const QString &dockName)
    : QDockWidget(mainWindow)
{
    setObjectName(dockName);

    const auto it = dockPlacements().constFind(dockName);
    if (it == dockPlacements().constEnd())
        placeAsNew();
    else
        restore(*it, mainWindow);

    if (!isVisible())
        show();
    // Other windows may still be coming up; bring this one to the front after them.
    QMetaObject::invokeMethod(this, "raise", Qt::QueuedConnection);
}

PersistentDockWidget::~PersistentDockWidget() = default;

void PersistentDockWidget::placeAsNew()
{
    setFloating(true);
    resize(640, 480);
    move(QCursor::pos());
}

void PersistentDockWidget::restore(const DockPlacement &placement, QMainWindow *mainWindow)
{
    // A docked record without an area cannot be put back anywhere sensible.
    if (!placement.floating && placement.area == Qt::NoDockWidgetArea) {
        placeAsNew();
        return;
    }

    setFloating(placement.floating);
    if (placement.floating) {
        setGeometry(placement.geometry);
        return;
    }

    mainWindow->addDockWidget(placement.area, this);
    for (const QString &name : placement.tabbedWith) {
        const auto docks = mainWindow->findChildren<QDockWidget *>(name);
        for (QDockWidget *partner : docks) {
            if (partner != this) {
                mainWindow->tabifyDockWidget(partner, this);
                return;
            }
        }
    }
}

void PersistentDockWidget::closeEvent(QCloseEvent *event)
{
    DockPlacement &placement = dockPlacements()[objectName()];
    placement.floating = isFloating();
    placement.tabbedWith.clear();

    if (placement.floating) {
        placement.geometry = geometry();
    } else if (auto *mainWindow = qobject_cast<QMainWindow *>(parentWidget())) {
        placement.area = mainWindow->dockWidgetArea(this);
        const auto partners = mainWindow->tabifiedDockWidgets(this);
        for (const QDockWidget *partner : partners)
            placement.tabbedWith.append(partner->objectName());
    }

    QDockWidget::closeEvent(event);
}
