#include "plugin/ostrelplugin.h"
#include "player/playerwidget.h"

#include "kernel.h"
#include "messagecapture.h"
#include "osmview.h"
#include "workstationwindow.h"

#include <QFile>
#include <QGraphicsScene>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <memory>

namespace {

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

class TestOstrelPlugin : public QObject
{
    Q_OBJECT

private slots:
    void bindsToFirstKernelWithScene();
    void acceptsSceneAsObjectPointer();
    void maxStreamCountBoundsThePluginsOwnPool_data();
    void maxStreamCountBoundsThePluginsOwnPool();
    void repeatedPluginObjects();
    void stillFolder_data();
    void stillFolder();
};

void TestOstrelPlugin::bindsToFirstKernelWithScene()
{
    MessageCapture capture;
    Varka::Kernel empty(nullptr, qApp);
    WorkstationWindow window;
    QObject unrelated(qApp);

    OstrelPlugin plugin;
    QCOMPARE(plugin.scene(), window.scene());
    QVERIFY(capture.contains(QStringLiteral("gives no scene")));
    QCOMPARE(plugin.findMapView(), static_cast<QGraphicsView *>(window.mapView()));
    QCOMPARE(OstrelPlugin::findMainWindow(), static_cast<QMainWindow *>(&window));
}

void TestOstrelPlugin::acceptsSceneAsObjectPointer()
{
    QGraphicsScene scene;
    ObjectKernel kernel(&scene, qApp);
    OstrelPlugin plugin;
    QCOMPARE(plugin.scene(), &scene);

    // With no view to draw sectors in, the map around the point measures
    // them: at 60 degrees a metre west is twice the degrees of one north.
    QVERIFY(plugin.createNewCamera(QPointF(37.6, 60))); // looking west, 10 metres
    const double metre = 9.013216033298552e-6;
    QCOMPARE(plugin.camerasSeeing(QPointF(37.6 - 8 * 2 * metre, 60)).size(), 1);
    QVERIFY(plugin.camerasSeeing(QPointF(37.6 - 12 * 2 * metre, 60)).isEmpty());
}

void TestOstrelPlugin::maxStreamCountBoundsThePluginsOwnPool_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("taken");
    QTest::newRow("below the cores") << 1 << 1;
    QTest::newRow("many") << 48 << 48;
    QTest::newRow("none") << 0 << 1;
    QTest::newRow("negative") << -5 << 1;
    QTest::newRow("too many") << 100000 << 64;
}

// Ten streams by default (one per core on bigger machines); a written
// count is taken as long as it is sane, and the host's pool is left alone.
void TestOstrelPlugin::maxStreamCountBoundsThePluginsOwnPool()
{
    QFETCH(int, written);
    QFETCH(int, taken);
    QThreadPool *global = QThreadPool::globalInstance();
    const int hostThreads = global->maxThreadCount();
    OstrelPlugin plugin;
    QCOMPARE(plugin.property("maxStreamCount").toInt(), qMax(10, QThread::idealThreadCount()));

    MessageCapture capture;
    QVERIFY(plugin.setProperty("maxStreamCount", written));
    QCOMPARE(plugin.property("maxStreamCount").toInt(), taken);
    QCOMPARE(capture.contains(QStringLiteral("maxStreamCount")), written != taken);
    QCOMPARE(global->maxThreadCount(), hostThreads);
}

void TestOstrelPlugin::repeatedPluginObjects()
{
    WorkstationWindow window;
    for (int i = 0; i < 3; ++i) {
        auto plugin = std::make_unique<OstrelPlugin>();
        QCOMPARE(plugin->scene(), window.scene());
    }
}

void TestOstrelPlugin::stillFolder_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("a folder") << "stills" << true;
    QTest::newRow("missing") << "none" << false;
    QTest::newRow("a file") << "file" << false;
    QTest::newRow("empty, the pictures folder") << "" << true;
}

// The pictures folder unless the host says; a folder that cannot take
// stills is refused, and players made before and after follow.
void TestOstrelPlugin::stillFolder()
{
    QFETCH(QString, written);
    QFETCH(bool, accepted);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("stills")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("first")));
    QFile file(dir.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString first = dir.filePath(QStringLiteral("first"));
    const QString folder = written.isEmpty() ? QString() : dir.filePath(written);

    OstrelPlugin plugin;
    QCOMPARE(plugin.property("stillFolder").toString(), pictures);
    std::unique_ptr<QWidget> before(plugin.createCamWidget(nullptr, QStringLiteral("pipe:0")));
    QVERIFY(plugin.setProperty("stillFolder", first));
    MessageCapture capture;
    QVERIFY(plugin.setProperty("stillFolder", folder));
    const QString expected = !accepted ? first : written.isEmpty() ? pictures : folder;
    QCOMPARE(plugin.property("stillFolder").toString(), expected);
    QCOMPARE(capture.contains(QStringLiteral("stillFolder refused")), !accepted);
    std::unique_ptr<QWidget> after(plugin.createCamWidget(nullptr, QStringLiteral("pipe:0")));
    for (QWidget *player : {before.get(), after.get()})
        QCOMPARE(qobject_cast<PlayerWidget *>(player)->stillFolder(), expected);
}

QTEST_MAIN(TestOstrelPlugin)
#include "tst_ostrelplugin.moc"
