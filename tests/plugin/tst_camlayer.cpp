#include "items/camgraphicsitem.h"
#include "items/camviewarea.h"
#include "plugin/itemsgroup.h"
#include "plugin/ostrelplugin.h"

#include "testsupport.h"
#include "workstationwindow.h"

#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A host layer object: adopts the type groups of a list load.
class HostLayer : public QGraphicsObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void addItem(QGraphicsItem *item)
    {
        received.append(item);
        item->setParentItem(this);
    }
    QRectF boundingRect() const override { return QRectF(); }
    void paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) override { }

    QList<QGraphicsItem *> received;
};

int sectorsIn(const QGraphicsScene *scene)
{
    int count = 0;
    const QList<QGraphicsItem *> items = scene->items();
    for (const QGraphicsItem *item : items)
        count += dynamic_cast<const CamViewArea *>(item) ? 1 : 0;
    return count;
}

CamGraphicsItem *newCamera(OstrelPlugin &plugin, const QPointF &pos, int type = 1)
{
    return qobject_cast<CamGraphicsItem *>(plugin.createNewCamera(pos, type));
}

} // namespace

// The camera layer operations of the plug-in, and what happens when the host
// deletes things behind its back.
class TestCamLayer : public QObject
{
    Q_OBJECT

private slots:
    void createAndClear();
    void typeVisibility();
    void deleteCamera();
    void layerObjectTakesGroups();
    void hostDeletesScene();
    void hostDeletesCameraAndLayer();

private:
    QString listFile(QTemporaryDir &dir) const
    {
        const QString path = dir.filePath(QStringLiteral("list.xml"));
        TestSupport::writeFile(
            path, "<VarkaNetwork>"
                  "<Cam lon=\"37.6\" lat=\"55.7\" ang=\"10\" view_ang=\"30\" view_radius=\"100\"/>"
                  "<Cam lon=\"37.7\" lat=\"55.8\" type=\"4\" view_ang=\"30\" view_radius=\"100\"/>"
                  "</VarkaNetwork>");
        return path;
    }
};

void TestCamLayer::createAndClear()
{
    WorkstationWindow window;
    OstrelPlugin plugin;

    QObject *object = nullptr;
    QVERIFY(QMetaObject::invokeMethod(&plugin, "createNewCamera", Q_RETURN_ARG(QObject *, object),
                                      Q_ARG(QPointF, QPointF(37.6, 55.7))));
    auto *cam = qobject_cast<CamGraphicsItem *>(object);
    QVERIFY(cam);
    QCOMPARE(cam->pos(), QPointF(37.6, 55.7));
    QCOMPARE(cam->viewArea()->scene(), window.scene());
    QVERIFY(!plugin.isChanged());
    QCOMPARE(plugin.cameras(), QList<CamGraphicsItem *>({cam}));
    ItemsGroup *group = plugin.groups().value(1);
    QCOMPARE(cam->parentItem(), group);
    QCOMPARE(group->scene(), window.scene());

    // An unknown code gets a group of its own and keeps its code.
    CamGraphicsItem *odd = newCamera(plugin, QPointF(1, 1), 42);
    QCOMPARE(odd->cameraType(), 42);
    QCOMPARE(odd->parentItem(), plugin.groups().value(42));
    QCOMPARE(newCamera(plugin, QPointF(2, 2))->parentItem(), group);

    QPointer<CamGraphicsItem> guard = cam;
    QVERIFY(QMetaObject::invokeMethod(&plugin, "clearCams"));
    QVERIFY(!guard);
    QVERIFY(plugin.groups().isEmpty());
    QVERIFY(plugin.cameras().isEmpty());
    QVERIFY(window.scene()->items().isEmpty());
}

void TestCamLayer::typeVisibility()
{
    WorkstationWindow window;
    OstrelPlugin plugin;
    for (int type = 1; type <= 5; ++type)
        newCamera(plugin, QPointF(type, type), type);
    plugin.setViewAreaAlwaysVisible(true);

    QVERIFY(
        QMetaObject::invokeMethod(&plugin, "setTypeVisible", Q_ARG(int, 1), Q_ARG(bool, false)));
    const QList<bool> visible = {false, true, true, false, false};
    for (int type = 1; type <= 5; ++type) {
        QCOMPARE(plugin.typeIsVisible(type), visible.at(type - 1));
        QCOMPARE(plugin.cameras().at(type - 1)->viewArea()->isVisible(), visible.at(type - 1));
    }
    plugin.setTypeVisible(4, true);
    QVERIFY(plugin.cameras().at(3)->viewArea()->isVisible());

    // A type without a group: false, and the request is not remembered.
    plugin.setTypeVisible(8, false);
    QVERIFY(!plugin.typeIsVisible(8));
    newCamera(plugin, QPointF(8, 8), 8);
    QVERIFY(plugin.typeIsVisible(8));
}

void TestCamLayer::deleteCamera()
{
    WorkstationWindow window;
    OstrelPlugin plugin;

    QVERIFY(QMetaObject::invokeMethod(&plugin, "deleteCamera", Q_ARG(CamGraphicsItem *, nullptr)));
    QVERIFY(plugin.isChanged());
    plugin.setChanged(false);

    CamGraphicsItem *first = newCamera(plugin, QPointF(1, 2));
    CamGraphicsItem *second = newCamera(plugin, QPointF(3, 4));
    plugin.deleteCamera(first);
    QVERIFY(plugin.isChanged());
    QCOMPARE(plugin.cameras(), QList<CamGraphicsItem *>({second}));
    QCOMPARE(sectorsIn(window.scene()), 1);
    plugin.deleteCamera(second);
    // The type keeps its (now empty) group.
    QVERIFY(plugin.groups().value(1)->childItems().isEmpty());
}

void TestCamLayer::layerObjectTakesGroups()
{
    WorkstationWindow window;
    OstrelPlugin plugin;
    QTemporaryDir dir;
    auto *layer = new HostLayer;
    window.scene()->addItem(layer);

    QVERIFY(plugin.loadVlcCamList(listFile(dir), layer));
    QCOMPARE(layer->received.size(), 2);
    QCOMPARE(layer->received.at(0), plugin.groups().value(1));
    QCOMPARE(layer->received.at(1), plugin.groups().value(4));
    QCOMPARE(plugin.groups().value(1)->parentItem(), layer);
    QCOMPARE(sectorsIn(window.scene()), 2);

    // Groups made outside a load go straight to the scene.
    newCamera(plugin, QPointF(1, 1), 3);
    QVERIFY(!plugin.groups().value(3)->parentItem());
    QCOMPARE(plugin.groups().value(3)->scene(), window.scene());
    QCOMPARE(layer->received.size(), 2);

    // An object without addItem: the groups go to the scene.
    QGraphicsTextItem plain;
    QVERIFY(plugin.loadVlcCamList(listFile(dir), &plain));
    QCOMPARE(plugin.groups().value(4)->scene(), window.scene());
    QVERIFY(!plugin.groups().value(4)->parentItem());
}

void TestCamLayer::hostDeletesScene()
{
    auto window = std::make_unique<WorkstationWindow>();
    auto plugin = std::make_unique<OstrelPlugin>();
    QTemporaryDir dir;
    QVERIFY(plugin->loadVlcCamList(listFile(dir)));
    newCamera(*plugin, QPointF(1, 1), 3);
    QCOMPARE(plugin->cameras().size(), 3);

    window.reset();
    QVERIFY(!plugin->scene());
    QVERIFY(plugin->cameras().isEmpty());
    QVERIFY(plugin->groups().isEmpty());

    plugin->clearCams();
    plugin->deleteAttachedCams();
    plugin->setTypeVisible(1, false);
    QVERIFY(!plugin->typeIsVisible(1));
    QVERIFY(!plugin->loadVlcCamList(listFile(dir)));
    QVERIFY(!plugin->createNewCamera(QPointF(1, 1)));
    plugin->saveVlcCamList(dir.filePath(QStringLiteral("after.xml")));
    QVERIFY(plugin->lastError().isEmpty());
    plugin.reset();
}

void TestCamLayer::hostDeletesCameraAndLayer()
{
    WorkstationWindow window;
    auto plugin = std::make_unique<OstrelPlugin>();
    QTemporaryDir dir;
    auto *layer = new HostLayer;
    window.scene()->addItem(layer);
    QVERIFY(plugin->loadVlcCamList(listFile(dir), layer));
    CamGraphicsItem *outside = newCamera(*plugin, QPointF(1, 1), 3);

    // The host deletes a camera as a graphics item.
    delete static_cast<QGraphicsItem *>(plugin->cameras().first());
    QCOMPARE(plugin->cameras().size(), 2);

    // Deleting the layer takes its groups and their cameras; the group the
    // host never had stays.
    QPointer<CamGraphicsItem> guard = outside;
    delete layer;
    QCOMPARE(plugin->cameras(), QList<CamGraphicsItem *>({outside}));
    QCOMPARE(plugin->groups().keys(), QList<int>({3}));
    QVERIFY(guard);

    // A later camera of a lost type gets a new group.
    CamGraphicsItem *again = newCamera(*plugin, QPointF(2, 2), 4);
    QCOMPARE(again->parentItem(), plugin->groups().value(4));
    QCOMPARE(plugin->groups().value(4)->scene(), window.scene());

    // A camera taken out of its group is still cleared.
    outside->setParentItem(nullptr);
    plugin->clearCams();
    QVERIFY(!guard);
    QVERIFY(window.scene()->items().isEmpty());
    plugin.reset();
}

QTEST_MAIN(TestCamLayer)
#include "tst_camlayer.moc"
