#include "hostbinding.h"

#include <QApplication>
#include <QDebug>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMainWindow>
#include <QVariant>

HostBinding::HostBinding()
{
    if (!qApp)
        return;
    const QObjectList children = qApp->children();
    for (QObject *child : children) {
        if (!child->inherits("Varka::Kernel"))
            continue;
        const QVariant value = child->property("graphicsScene");
        auto *scene = qobject_cast<QGraphicsScene *>(qvariant_cast<QObject *>(value));
        if (scene) {
            m_scene = scene;
            return;
        }
        qDebug() << "OstrelPlugin: kernel" << child << "gives no scene:" << value;
    }
}

QGraphicsScene *HostBinding::scene() const
{
    return m_scene.data();
}

QGraphicsView *HostBinding::mapView() const
{
    if (!m_scene)
        return nullptr;
    const QList<QGraphicsView *> views = m_scene->views();
    for (QGraphicsView *view : views) {
        if (view->inherits("OsmView"))
            return view;
    }
    return nullptr;
}

QMainWindow *HostBinding::mainWindow()
{
    const QWidgetList topLevels = QApplication::topLevelWidgets();
    for (QWidget *widget : topLevels) {
        if (auto *window = qobject_cast<QMainWindow *>(widget))
            return window;
    }
    return nullptr;
}
