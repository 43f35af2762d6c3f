#include "items/camgraphicsitem.h"
#include "items/camviewarea.h"
#include "player/playerwidget.h"
#include "plugin/itemsgroup.h"
#include "plugin/ostrelplugin.h"

#include "kernel.h"
#include "messagecapture.h"
#include "osmview.h"
#include "testsupport.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <functional>
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

// An edit of the layer, made on its first camera.
using LayerEdit = std::function<void(OstrelPlugin &, CamGraphicsItem *)>;

LayerEdit propertyWrite(const char *name, const QVariant &value)
{
    return [name, value](OstrelPlugin &, CamGraphicsItem *cam) {
        QVERIFY(cam->setProperty(name, value));
    };
}

LayerEdit creation(const QPointF &pos, bool made)
{
    return [pos, made](OstrelPlugin &plugin, CamGraphicsItem *) {
        const int before = plugin.cameras().size();
        QCOMPARE(newCamera(plugin, pos) != nullptr, made);
        QCOMPARE(plugin.cameras().size(), before + (made ? 1 : 0));
    };
}

// A kernel that publishes its scene as a plain object pointer.
class ObjectKernel : public Varka::Kernel
{
    Q_OBJECT
    Q_PROPERTY(QObject *graphicsScene READ sceneObject)
public:
    ObjectKernel(QGraphicsScene *scene, QObject *parent)
        : Varka::Kernel(scene, parent)
    { }
    QObject *sceneObject() const { return graphicsScene(); }
};

} // namespace

Q_DECLARE_METATYPE(LayerEdit)

// The plug-in object and its camera layer as a host drives them, and what
// happens when the host deletes things behind its back.
class TestCamLayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void groupsAndVisibility();
    void changedFlag_data();
    void changedFlag();
    void foreignCameraArguments_data();
    void foreignCameraArguments();
    void hostDeletesCameraAndLayer();
    void findsTheHostsScene();
    void settings_data();
    void settings();

private:
    QTemporaryDir m_dir;
    // Two cameras with sectors, the second a detector.
    const QString m_list = m_dir.filePath(QStringLiteral("list.xml"));
};

void TestCamLayer::initTestCase()
{
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("stills")));
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("first")));
    QVERIFY(TestSupport::CamListBuilder()
                .add(QString(), 37.6, 55.7, "ang=\"10\" view_ang=\"30\" view_radius=\"100\"")
                .add(QString(), 37.7, 55.8, "type=\"4\" view_ang=\"30\" view_radius=\"100\"")
                .write(m_list));
}

// A group per type code, unknown codes included; detectors start hidden,
// and sectors follow their type.
void TestCamLayer::groupsAndVisibility()
{
    WorkstationWindow window;
    OstrelPlugin plugin;
    plugin.setViewAreaAlwaysVisible(true);
    for (int type : {1, 2, 3, 4, 5, 42}) {
        CamGraphicsItem *cam = newCamera(plugin, QPointF(type, 1), type);
        QCOMPARE(cam->parentItem(), plugin.groups().value(type));
    }
    QCOMPARE(plugin.cameras().at(5)->cameraType(), 42);
    QCOMPARE(plugin.groups().value(1)->scene(), window.scene());
    QVERIFY(
        QMetaObject::invokeMethod(&plugin, "setTypeVisible", Q_ARG(int, 1), Q_ARG(bool, false)));
    plugin.setTypeVisible(4, true);
    const QList<bool> visible = {false, true, true, true, false};
    for (int type = 1; type <= 5; ++type) {
        QCOMPARE(plugin.typeIsVisible(type), visible.at(type - 1));
        QCOMPARE(plugin.cameras().at(type - 1)->viewArea()->isVisible(), visible.at(type - 1));
    }
}

// `changed` tells whether the layer differs from the last saved list.
void TestCamLayer::changedFlag_data()
{
    QTest::addColumn<LayerEdit>("edit");
    QTest::addColumn<bool>("changed");

    QTest::newRow("new camera") << creation(QPointF(180, -90), true) << true;
    QTest::newRow("NaN camera") << creation(QPointF(qQNaN(), 1), false) << false;
    QTest::newRow("camera off the map") << creation(QPointF(180.001, 1), false) << false;
    QTest::newRow("delete") << LayerEdit([](OstrelPlugin &plugin, CamGraphicsItem *cam) {
        QGraphicsScene *scene = cam->scene();
        const int sectors = sectorsIn(scene);
        plugin.deleteCamera(cam);
        QCOMPARE(sectorsIn(scene), sectors - 1);
    }) << true;
    QTest::newRow("position") << propertyWrite("position", QPointF(37.5, 55.5)) << true;
    // Positions that no list can hold are refused.
    QTest::newRow("NaN position") << propertyWrite("position", QPointF(qQNaN(), 55.5)) << false;
    QTest::newRow("position off the map")
        << propertyWrite("position", QPointF(37.5, -90.01)) << false;
    QTest::newRow("url") << propertyWrite("url", QStringLiteral("rtsp://127.0.0.1:9/x")) << true;
    QTest::newRow("overlay") << propertyWrite("overlayUrl", QStringLiteral("127.0.0.1:9")) << true;
    QTest::newRow("snapshots") << propertyWrite("imageUrlTemplate", QStringLiteral("x")) << true;
    QTest::newRow("tcp") << propertyWrite("useTcpRtsp", true) << true;
    // Nothing to open: no player, and no edit.
    QTest::newRow("snapshots without address")
        << LayerEdit([](OstrelPlugin &, CamGraphicsItem *cam) {
               const int widgets = QApplication::allWidgets().size();
               QVERIFY(!cam->play(true));
               QVERIFY(!cam->play(true, true));
               QCOMPARE(QApplication::allWidgets().size(), widgets);
           })
        << false;
    QTest::newRow("period") << LayerEdit([](OstrelPlugin &, CamGraphicsItem *cam) {
        cam->setImageUpdatePeriod(60);
    }) << true;
    QTest::newRow("angle") << propertyWrite("angle", 11.0) << true;
    QTest::newRow("view angle") << propertyWrite("viewAngle", 31.0) << true;
    QTest::newRow("view radius") << propertyWrite("viewRadius", 101.0) << true;
    QTest::newRow("radius too large") << propertyWrite("viewRadius", 2.0e6) << false;
    QTest::newRow("angle beyond a float") << propertyWrite("angle", 1.0e39) << false;
    QTest::newRow("name") << LayerEdit([](OstrelPlugin &, CamGraphicsItem *cam) {
        cam->setToolTip(QStringLiteral("North"));
    }) << true;
    QTest::newRow("same name") << LayerEdit([](OstrelPlugin &, CamGraphicsItem *cam) {
        cam->setToolTip(cam->toolTip());
    }) << false;
    QTest::newRow("icons") << LayerEdit([](OstrelPlugin &, CamGraphicsItem *cam) {
        QVERIFY(QMetaObject::invokeMethod(
            cam, "setPixmap", Q_ARG(QString, QStringLiteral(":/resources/camera_2.png")),
            Q_ARG(QString, QString())));
    }) << true;
    // Items the scene has not yet prepared for drawing go at once.
    QTest::newRow("clear") << LayerEdit([](OstrelPlugin &plugin, CamGraphicsItem *) {
        plugin.clearCams();
    }) << true;
    QTest::newRow("out of its group")
        << LayerEdit([](OstrelPlugin &, CamGraphicsItem *cam) { cam->setParentItem(nullptr); })
        << false;
    // The host takes a camera out of the scene, paints, and deletes it.
    QTest::newRow("out of the scene") << LayerEdit([](OstrelPlugin &, CamGraphicsItem *cam) {
        QGraphicsScene *scene = cam->scene();
        scene->removeItem(cam);
        scene->views().constFirst()->viewport()->grab();
        delete static_cast<QGraphicsItem *>(cam);
    }) << false;
    QTest::newRow("into another group")
        << LayerEdit([](OstrelPlugin &plugin, CamGraphicsItem *cam) {
               cam->setParentItem(plugin.groups().value(4));
               QVERIFY(cam->setProperty("position", QPointF(37.8, 55.9)));
           })
        << true;
}

void TestCamLayer::changedFlag()
{
    QFETCH(LayerEdit, edit);
    QFETCH(bool, changed);
    WorkstationWindow window;
    OstrelPlugin plugin;
    QVERIFY(plugin.loadVlcCamList(m_list));
    QVERIFY(!plugin.isChanged());
    // A neighbour a few metres away, which the edits must leave alone.
    newCamera(plugin, QPointF(37.6001, 55.7001));
    plugin.setChanged(false);

    const QPointer<CamGraphicsItem> cam = plugin.cameras().first();
    edit(plugin, cam);
    QCOMPARE(plugin.isChanged(), changed);
    // The sector stays with its camera, movable or not, and each camera is
    // hit where it is.
    if (cam)
        QCOMPARE(cam->viewArea()->pos(), cam->scenePos());
    window.mapView()->viewport()->grab();
    for (CamGraphicsItem *each : plugin.cameras())
        QVERIFY(window.scene()->items(each->scenePos()).contains(each));
    const QString saved = m_dir.filePath(QStringLiteral("saved.xml"));
    plugin.saveVlcCamList(saved);
    QVERIFY(!plugin.isChanged());
    // What the layer holds is what a load gives back.
    const int count = plugin.cameras().size();
    QVERIFY(plugin.loadVlcCamList(saved));
    QCOMPARE(plugin.cameras().size(), count);
    QVERIFY(plugin.loadWarnings().isEmpty());
}

void TestCamLayer::foreignCameraArguments_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<int>("target"); // null, the plug-in, another layer's camera
    for (const char *method : {"deleteCamera", "editCamProperties"}) {
        const auto row = [method](const char *name) -> QTestData & {
            return QTest::addRow("%s %s", method, name) << QString::fromLatin1(method);
        };
        row("null") << 0;
        row("plug-in") << 1;
        row("other layer's camera") << 2;
    }
}

// A host passes objects by name: only cameras of this layer are acted on.
void TestCamLayer::foreignCameraArguments()
{
    QFETCH(QString, method);
    QFETCH(int, target);
    WorkstationWindow window;
    auto plugin = std::make_unique<OstrelPlugin>();
    OstrelPlugin otherLayer;
    CamGraphicsItem *own = newCamera(*plugin, QPointF(1, 2));
    CamGraphicsItem *other = newCamera(otherLayer, QPointF(3, 4));
    plugin->setChanged(false);

    QObject *const targets[] = {nullptr, plugin.get(), other};
    QObject *object = targets[target];
    QPointer<QObject> guard = object;

    // A dialog that shows is closed again, and counted.
    bool dialogShown = false;
    QTimer::singleShot(0, plugin.get(), [&] {
        if (QWidget *modal = QApplication::activeModalWidget())
            dialogShown = modal->close();
    });
    MessageCapture capture;
    // As a host passes it: an object pointer under the camera's type name.
    bool accepted = true;
    const QGenericArgument argument("CamGraphicsItem*", &object);
    if (method == QLatin1String("deleteCamera"))
        QVERIFY(QMetaObject::invokeMethod(plugin.get(), "deleteCamera", argument));
    else
        QVERIFY(QMetaObject::invokeMethod(plugin.get(), "editCamProperties",
                                          Q_RETURN_ARG(bool, accepted), argument));
    QCoreApplication::processEvents();

    QVERIFY(!dialogShown);
    QVERIFY(!accepted || method == QLatin1String("deleteCamera"));
    QCOMPARE(guard.data(), object);
    QCOMPARE(plugin->cameras(), QList<CamGraphicsItem *>({own}));
    QCOMPARE(otherLayer.cameras(), QList<CamGraphicsItem *>({other}));
    QVERIFY(!plugin->isChanged());
    QCOMPARE(capture.contains(QStringLiteral("no camera of this layer")), object != nullptr);
}

// A load hands its type groups to the host's layer object; the host may
// delete cameras, the layer and the scene behind the plug-in's back.
void TestCamLayer::hostDeletesCameraAndLayer()
{
    auto owner = std::make_unique<WorkstationWindow>();
    WorkstationWindow &window = *owner;
    auto plugin = std::make_unique<OstrelPlugin>();
    // An object without addItem: the groups go to the scene.
    QGraphicsTextItem plain;
    QVERIFY(plugin->loadVlcCamList(m_list, &plain));
    QCOMPARE(plugin->groups().value(4)->scene(), window.scene());
    QVERIFY(!plugin->groups().value(4)->parentItem());

    auto *layer = new HostLayer;
    window.scene()->addItem(layer);
    QVERIFY(plugin->loadVlcCamList(m_list, layer));
    QCOMPARE(layer->received,
             QList<QGraphicsItem *>({plugin->groups().value(1), plugin->groups().value(4)}));
    QCOMPARE(plugin->groups().value(1)->parentItem(), layer);
    QCOMPARE(sectorsIn(window.scene()), 2);
    // Groups made outside a load go straight to the scene.
    CamGraphicsItem *outside = newCamera(*plugin, QPointF(1, 1), 3);
    QVERIFY(!plugin->groups().value(3)->parentItem());
    QCOMPARE(plugin->groups().value(3)->scene(), window.scene());
    QCOMPARE(layer->received.size(), 2);

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

    // The scene goes with the cameras in it; the layer stays usable.
    QVERIFY(plugin->loadVlcCamList(m_list));
    owner.reset();
    QVERIFY(!plugin->scene());
    QVERIFY(plugin->cameras().isEmpty() && plugin->groups().isEmpty());
    plugin->clearCams();
    plugin->deleteAttachedCams();
    plugin->setTypeVisible(1, false);
    QVERIFY(!plugin->typeIsVisible(1));
    QVERIFY(!plugin->loadVlcCamList(m_list));
    QVERIFY(!plugin->lastError().isEmpty());
    QVERIFY(!plugin->createNewCamera(QPointF(1, 1)));
    plugin->saveVlcCamList(m_dir.filePath(QStringLiteral("after.xml")));
    QVERIFY(plugin->lastError().isEmpty());
}

// The first kernel with a scene, published as a scene or as a plain object.
void TestCamLayer::findsTheHostsScene()
{
    MessageCapture capture;
    Varka::Kernel empty(nullptr, qApp);
    {
        WorkstationWindow window;
        QObject unrelated(qApp);
        OstrelPlugin plugin;
        QCOMPARE(plugin.scene(), window.scene());
        QVERIFY(capture.contains(QStringLiteral("gives no scene")));
        QCOMPARE(plugin.findMapView(), static_cast<QGraphicsView *>(window.mapView()));
        QCOMPARE(OstrelPlugin::findMainWindow(), static_cast<QMainWindow *>(&window));
        QCOMPARE(std::make_unique<OstrelPlugin>()->scene(), window.scene());
    }
    QGraphicsScene scene;
    ObjectKernel kernel(&scene, qApp);
    OstrelPlugin plugin;
    QCOMPARE(plugin.scene(), &scene);

    // With no view to draw sectors in, the map around the point measures
    // them: at 60 degrees a metre west is twice the degrees of one north.
    CamGraphicsItem *cam = newCamera(plugin, QPointF(37.6, 60)); // looking west, 10 metres
    const double metre = 9.013216033298552e-6;
    const QVariantList seen = plugin.camerasSeeing(QPointF(37.6 - 8 * 2 * metre, 60));
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().toMap().value(QStringLiteral("camera")).value<QObject *>(), cam);
    QVERIFY(qAbs(seen.first().toMap().value(QStringLiteral("distance")).toDouble() - 8) < 1e-6);
    QVERIFY(plugin.camerasSeeing(QPointF(37.6 - 12 * 2 * metre, 60)).isEmpty());
    QVERIFY(plugin.camerasSeeing(QPointF(qQNaN(), 60)).isEmpty());
    // Only cameras shown on the map.
    plugin.setTypeVisible(1, false);
    QVERIFY(plugin.camerasSeeing(QPointF(37.6 - 8 * 2 * metre, 60)).isEmpty());
}

void TestCamLayer::settings_data()
{
    QTest::addColumn<QVariant>("written"); // a number of streams, or a folder
    QTest::addColumn<QVariant>("taken");
    QTest::addColumn<bool>("refused");
    const QString first = m_dir.filePath(QStringLiteral("first"));
    const QString stills = m_dir.filePath(QStringLiteral("stills"));
    QTest::newRow("no streams") << QVariant(0) << QVariant(1) << true;
    QTest::newRow("too many streams") << QVariant(100000) << QVariant(64) << true;
    QTest::newRow("a folder") << QVariant(stills) << QVariant(stills) << false;
    QTest::newRow("missing folder") << QVariant(stills + "/none") << QVariant(first) << true;
    const QString file = m_dir.filePath(QStringLiteral("file"));
    QVERIFY(TestSupport::writeFile(file, "x"));
    QTest::newRow("a file") << QVariant(file) << QVariant(first) << true;
    QTest::newRow("empty, the pictures folder")
        << QVariant(QString())
        << QVariant(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)) << false;
}

// Ten streams by default (one per core on bigger machines), on the plug-in's
// own pool; stills in the pictures folder. A value that is not sane is
// refused or bounded, with a warning, and players made before and after
// follow the folder.
void TestCamLayer::settings()
{
    QFETCH(QVariant, written);
    QFETCH(QVariant, taken);
    QFETCH(bool, refused);
    const char *name = written.userType() == QMetaType::Int ? "maxStreamCount" : "stillFolder";
    const int hostThreads = QThreadPool::globalInstance()->maxThreadCount();
    OstrelPlugin plugin;
    QCOMPARE(plugin.property("maxStreamCount").toInt(), qMax(10, QThread::idealThreadCount()));
    QCOMPARE(plugin.property("stillFolder").toString(),
             QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    QVERIFY(plugin.setProperty("stillFolder", m_dir.filePath(QStringLiteral("first"))));
    std::unique_ptr<QWidget> before(plugin.createCamWidget(nullptr, QStringLiteral("pipe:0")));
    MessageCapture capture;
    QVERIFY(plugin.setProperty(name, written));
    QCOMPARE(plugin.property(name), taken);
    QCOMPARE(capture.contains(QString::fromLatin1(name)), refused);
    QCOMPARE(QThreadPool::globalInstance()->maxThreadCount(), hostThreads);
    std::unique_ptr<QWidget> after(plugin.createCamWidget(nullptr, QStringLiteral("pipe:0")));
    for (QWidget *player : {before.get(), after.get()})
        QCOMPARE(qobject_cast<PlayerWidget *>(player)->stillFolder(), plugin.stillFolder());
}

QTEST_MAIN(TestCamLayer)
#include "tst_camlayer.moc"
