#include "mapmenu.h"

#include "cameralayer.h"
#include "osmview.h"
#include "workstationwindow.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QMenu>

namespace {
// Cameras the map menu lists by name: with the menu's own entries they fit
// on the 800-pixel-high screen the workstation is laid out for.
constexpr int MaxSeeingListed = 20;
// Pixels a camera's name may take in that list.
constexpr int SeeingNameWidth = 400;
} // namespace

MapMenu::MapMenu(OsmView *view, const CameraLayer *layer, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_layer(layer)
{
    m_view->viewport()->installEventFilter(this);
}

MapMenu::~MapMenu()
{
    m_view->viewport()->removeEventFilter(this);
}

bool MapMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_view->viewport() || event->type() != QEvent::ContextMenu
        || !m_layer->isValid()) {
        return QObject::eventFilter(watched, event);
    }
    auto *menuEvent = static_cast<QContextMenuEvent *>(event);
    QGraphicsItem *item = m_view->itemAt(menuEvent->pos());
    QObject *object = item ? qvariant_cast<QObject *>(item->data(0)) : nullptr;
    if (object && CameraLayer::cameras(m_view->scene()).contains(object)) {
        showCameraMenu(object, menuEvent->globalPos());
        return true;
    }
    // Roads and view sectors are part of the map; widgets have menus of
    // their own.
    if (!item || (!object && !item->isWidget())) {
        showMapMenu(m_view->mapToScene(menuEvent->pos()), menuEvent->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void MapMenu::showCameraMenu(QObject *camera, const QPoint &globalPos)
{
    m_view->scene()->clearSelection();
    camera->setProperty("selected", true);
    QMenu menu;
    menu.addActions(m_cameraActions);
    menu.exec(globalPos);
}

void MapMenu::showMapMenu(const QPointF &scenePos, const QPoint &globalPos)
{
    QMenu menu;
    QMenu *create = menu.addMenu(tr("New camera here"));
    for (int type = WorkstationWindow::FirstType; type <= WorkstationWindow::LastType; ++type)
        create->addAction(WorkstationWindow::typeName(type), this,
                          [this, scenePos, type] { emit createRequested(scenePos, type); });
    addSeeingMenu(&menu, scenePos);
    menu.exec(globalPos);
}

void MapMenu::addSeeingMenu(QMenu *menu, const QPointF &scenePos)
{
    QMenu *seeing = menu->addMenu(tr("Cameras seeing this point"));
    const QList<CameraLayer::SeeingCamera> found = m_layer->camerasSeeing(scenePos);
    if (found.isEmpty()) {
        seeing->addAction(tr("No camera sees this point"))->setEnabled(false);
        return;
    }

    QList<QPointer<QObject>> listed;
    const QFontMetrics metrics(seeing->font());
    for (const CameraLayer::SeeingCamera &seen : found.mid(0, MaxSeeingListed)) {
        const QPointer<QObject> camera = seen.camera;
        QString name = CameraLayer::modelData(camera, 0, Qt::DisplayRole).toString();
        if (name.isEmpty())
            name = CameraLayer::modelData(camera, 1, Qt::DisplayRole).toString();
        if (name.isEmpty())
            name = tr("Camera without a name");
        // A list may hold names of any length, and "&" would mark a shortcut.
        name = metrics.elidedText(name, Qt::ElideRight, SeeingNameWidth);
        name.replace(QLatin1Char('&'), QLatin1String("&&"));
        seeing->addAction(tr("%1 (%2)").arg(name, distanceText(seen.distance)), this,
                          [this, camera] { emit openRequested({camera}); });
        listed << camera;
    }
    const int unlisted = found.size() - listed.size();
    if (unlisted > 0)
        seeing->addAction(tr("%n more not listed", nullptr, unlisted))->setEnabled(false);
    seeing->addSeparator();
    seeing->addAction(unlisted > 0 ? tr("Open the %n nearest", nullptr, listed.size())
                                   : tr("Open all"),
                      this, [this, listed] { emit openRequested(listed); });
}

QString MapMenu::distanceText(double metres)
{
    if (metres < 999.5)
        return tr("%1 m").arg(qRound(metres));
    return tr("%1 km").arg(metres / 1000, 0, 'f', 1);
}
