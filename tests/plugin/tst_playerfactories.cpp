#include "plugin/ostrelplugin.h"

#include "items/camgraphicsitem.h"

#include "kernel.h"
#include "osmview.h"
#include "testsupport.h"
#include "workstationwindow.h"

#include <QApplication>
#include <QDockWidget>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>
#include <QtMath>

#include <algorithm>

namespace {

// Addresses that fail at once, so that the players made here stay idle.
const QString DeadStream = QStringLiteral("tcp://127.0.0.1:1");

QWidget *invokeFactory(QObject *plugin, const QByteArray &method, QWidget *parent,
                       const QString &address)
{
    QWidget *result = nullptr;
    const bool ok =
        QMetaObject::invokeMethod(plugin, method.constData(), Q_RETURN_ARG(QWidget *, result),
                                  Q_ARG(QWidget *, parent), Q_ARG(QString, address));
    return ok ? result : nullptr;
}

void attach(QObject *plugin, QWidget *widget, bool childControls, const QPointF &pos)
{
    QVERIFY(QMetaObject::invokeMethod(plugin, "attachToScene", Q_ARG(QWidget *, widget),
                                      Q_ARG(bool, childControls), Q_ARG(QPointF, pos)));
}

QGraphicsProxyWidget *proxyOf(QWidget *widget)
{
    return qobject_cast<QGraphicsProxyWidget *>(
        qvariant_cast<QObject *>(widget->property("sceneProxyWidget")));
}

// A stand-in for a player: a layout with margins and a status line.
QWidget *makePanel(QSize size = QSize(200, 150))
{
    auto *panel = new QWidget;
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(9, 9, 9, 9);
    auto *status = new QLabel(QStringLiteral("status"), panel);
    status->setObjectName(QStringLiteral("status"));
    layout->addWidget(status);
    panel->resize(size);
    return panel;
}

} // namespace

class TestPlayerFactories : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void placementOnTheMap();
    void refusedPlacements_data();
    void refusedPlacements();
    void nothingWithoutMapViewOrMainWindow_data();
    void nothingWithoutMapViewOrMainWindow();
    void sizesFollowTheZoom();
    void sizesFollowAReplacedView();
    void closingAndDeletingPlayersOnTheMap();
    void deleteKeyTakesLivePlayerOffTheMap();

private:
    std::unique_ptr<WorkstationWindow> m_window;
    std::unique_ptr<OstrelPlugin> m_plugin;
};

void TestPlayerFactories::init()
{
    m_plugin.reset();
    m_window = std::make_unique<WorkstationWindow>();
    QVERIFY(TestSupport::showWorkstation(m_window.get(), 14, QSize(800, 600)));
    m_plugin = std::make_unique<OstrelPlugin>();
}

void TestPlayerFactories::placementOnTheMap()
{
    OsmView *view = m_window->mapView();
    const QPointF centre = view->mapToScene(view->viewport()->rect().center());

    // An explicit position wins over the widget's own pixel position.
    QWidget *placed = makePanel();
    placed->move(250, 120);
    attach(m_plugin.get(), placed, false, centre);
    QGraphicsProxyWidget *proxy = proxyOf(placed);
    QVERIFY(proxy);
    QCOMPARE(proxy->scene(), m_window->scene());
    QCOMPARE(proxy->pos(), centre);
    QVERIFY(proxy->flags() & QGraphicsItem::ItemIgnoresTransformations);
    QVERIFY(placed->isVisible());
    QVERIFY(placed->findChild<QLabel *>(QStringLiteral("status"))->isHidden());
    QCOMPARE(placed->layout()->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(m_plugin->sceneProxies().size(), 1);

    // Later resizes keep it where it was put.
    placed->resize(260, 190);
    QCOMPARE(proxy->pos(), centre);

    // Without a position, the widget's pixel position is read through the view.
    QWidget *mapped = makePanel();
    const QPoint pixel(120, 80);
    mapped->move(pixel + view->parentWidget()->pos());
    attach(m_plugin.get(), mapped, true, QPointF());
    QCOMPARE(proxyOf(mapped)->pos(), view->mapToScene(pixel));
}

void TestPlayerFactories::refusedPlacements_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QPointF>("pos");
    const QPointF centre(37.6, 55.7);
    QTest::newRow("NaN") << "panel" << QPointF(qQNaN(), 55.7);
    QTest::newRow("infinite") << "panel" << QPointF(37.6, -qInf());
    QTest::newRow("main window") << "window" << centre;
    QTest::newRow("map view") << "view" << centre;
    QTest::newRow("view's viewport") << "viewport" << centre;
    QTest::newRow("view's parent") << "central" << centre;
}

// Positions that are not finite, and the map view with what holds it or is
// part of it, never go on the map: nothing changes.
void TestPlayerFactories::refusedPlacements()
{
    QFETCH(QString, widget);
    QFETCH(QPointF, pos);
    OsmView *view = m_window->mapView();
    // The view inside a widget of the host's, as hosts lay out their windows.
    QVERIFY(m_window->takeCentralWidget() == view);
    auto *central = new QWidget;
    (new QVBoxLayout(central))->addWidget(view);
    m_window->setCentralWidget(central);
    const std::unique_ptr<QWidget> panel(makePanel());
    const QMap<QString, QWidget *> widgets {{"panel", panel.get()},
                                            {"window", m_window.get()},
                                            {"view", view},
                                            {"viewport", view->viewport()},
                                            {"central", central}};
    QWidget *w = widgets.value(widget);
    QWidget *parent = w->parentWidget();
    attach(m_plugin.get(), w, false, pos);
    QVERIFY(!proxyOf(w));
    QCOMPARE(w->parentWidget(), parent);
    QVERIFY(m_plugin->sceneProxies().isEmpty());
    const QList<QGraphicsItem *> items = m_window->scene()->items();
    QVERIFY(std::none_of(items.cbegin(), items.cend(),
                         [](const QGraphicsItem *item) { return item->isWidget(); }));
    // The window and the view still work and go as usual.
    view->setZoom(15);
    m_plugin.reset();
    m_window.reset();
}

void TestPlayerFactories::nothingWithoutMapViewOrMainWindow_data()
{
    QTest::addColumn<bool>("mapView");
    QTest::newRow("no map view") << false;
    QTest::newRow("no main window") << true;
}

// A host without a map view has nowhere to put a player, one without a main
// window nowhere to dock it: nothing is placed, and a camera asked to play
// makes no player, no detector client, and no widget at all.
void TestPlayerFactories::nothingWithoutMapViewOrMainWindow()
{
    QFETCH(bool, mapView);
    m_plugin.reset();
    m_window.reset();
    QGraphicsScene scene;
    Varka::Kernel kernel(&scene, qApp);
    std::unique_ptr<QGraphicsView> view(mapView ? new OsmView(&scene) : new QGraphicsView(&scene));
    view->show();
    std::unique_ptr<QMainWindow> mainWindow(mapView ? nullptr : new QMainWindow);
    if (mainWindow)
        mainWindow->show();
    OstrelPlugin plugin;
    if (!mapView) {
        QWidget *panel = makePanel();
        attach(&plugin, panel, false, QPointF(37.6, 55.7));
        QVERIFY(!proxyOf(panel));
        QVERIFY(!panel->isVisible());
        QVERIFY(plugin.sceneProxies().isEmpty());
        delete panel;
    }
    auto *cam = qobject_cast<CamGraphicsItem *>(plugin.createNewCamera(QPointF(37.6, 55.7), 4));
    QVERIFY(cam);
    cam->setUrl(DeadStream);
    cam->setOverlayUrl(QStringLiteral("127.0.0.1:1"));
    const int widgets = QApplication::allWidgets().size();
    QVERIFY(!cam->play(false, true));
    QVERIFY(!cam->play(true, true));
    if (mapView)
        QVERIFY(!cam->play());
    QCOMPARE(QApplication::allWidgets().size(), widgets);
}

void TestPlayerFactories::sizesFollowTheZoom()
{
    QWidget *panel = makePanel(QSize(200, 150));
    attach(m_plugin.get(), panel, false, QPointF(37.6, 55.7));
    QGraphicsProxyWidget *proxy = proxyOf(panel);
    // The player's size at a zoom level, or none while hidden.
    const auto at = [&](int zoom) {
        m_window->mapView()->setZoom(zoom);
        return proxy->isVisible() ? panel->size() : QSize();
    };
    const auto setZoomSize = [&](int zoom, int width, int height) {
        QVERIFY(QMetaObject::invokeMethod(m_plugin.get(), "setSceneCamZoomSize", Q_ARG(int, zoom),
                                          Q_ARG(int, width), Q_ARG(int, height)));
    };

    // Without sizes players keep theirs at every zoom level.
    QCOMPARE(at(3), QSize(200, 150));
    QCOMPARE(at(18), QSize(200, 150));
    setZoomSize(14, 320, 240);
    QCOMPARE(at(13), QSize());
    QCOMPARE(at(14), QSize(320, 240));
    QCOMPARE(at(15), QSize(320, 240));
    // A size of 0 x 0 only lowers the threshold.
    setZoomSize(12, 0, 0);
    QCOMPARE(at(12), QSize(320, 240));
    QCOMPARE(at(11), QSize());
    QCOMPARE(proxy->pos(), QPointF(37.6, 55.7));
}

// The host may replace its map view; sizes follow the view shown now.
void TestPlayerFactories::sizesFollowAReplacedView()
{
    m_plugin.reset();
    m_window.reset();
    QGraphicsScene scene;
    Varka::Kernel kernel(&scene, qApp);
    auto first = std::make_unique<OsmView>(&scene);
    first->show();
    OstrelPlugin plugin;
    plugin.setSceneCamZoomSize(14, 320, 240);
    QWidget *panel = makePanel();
    attach(&plugin, panel, false, QPointF(37.6, 55.7));
    QGraphicsProxyWidget *proxy = proxyOf(panel);
    QVERIFY(proxy);

    first.reset();
    OsmView second(&scene);
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    second.setZoom(14);
    QVERIFY(proxy->isVisible());
    QCOMPARE(panel->size(), QSize(320, 240));
    second.setZoom(13);
    QVERIFY(!proxy->isVisible());
}

void TestPlayerFactories::closingAndDeletingPlayersOnTheMap()
{
    QMetaObject::invokeMethod(m_plugin.get(), "setSceneCamZoomSize", Q_ARG(int, 10),
                              Q_ARG(int, 100), Q_ARG(int, 80));
    QPointer<QWidget> first = makePanel();
    QPointer<QWidget> second = makePanel();
    QPointer<QWidget> third = makePanel();
    for (QWidget *w : {first.data(), second.data(), third.data()})
        attach(m_plugin.get(), w, false, QPointF(37.6, 55.7));
    QCOMPARE(m_plugin->sceneProxies().size(), 3);

    proxyOf(second)->close();
    QVERIFY(QTest::qWaitFor([&] { return second.isNull(); }, 5000));
    QCOMPARE(m_plugin->sceneProxies().size(), 2);
    m_window->mapView()->setZoom(11); // must not touch the closed one
    QCOMPARE(first->size(), QSize(200, 150));

    QVERIFY(QMetaObject::invokeMethod(m_plugin.get(), "deleteAttachedCams"));
    QVERIFY(QTest::qWaitFor([&] { return first.isNull() && third.isNull(); }, 5000));
    QVERIFY(m_plugin->sceneProxies().isEmpty());

    // Players still on the map go with the layer.
    QPointer<QWidget> last = makePanel();
    attach(m_plugin.get(), last, false, QPointF(37.6, 55.7));
    m_plugin.reset();
    QVERIFY(last.isNull());
}

void TestPlayerFactories::deleteKeyTakesLivePlayerOffTheMap()
{
    QPointer<QWidget> player =
        invokeFactory(m_plugin.get(), "createCamWidget", nullptr, DeadStream);
    QVERIFY(player);
    attach(m_plugin.get(), player, false, QPointF(37.6, 55.7));
    QVERIFY(proxyOf(player));

    QTest::keyClick(player, Qt::Key_Delete, Qt::ControlModifier);
    QTest::qWait(50);
    QVERIFY(player);
    QTest::keyClick(player, Qt::Key_Delete);
    QVERIFY(QTest::qWaitFor([&] { return player.isNull(); }, 5000));
    QVERIFY(m_plugin->sceneProxies().isEmpty());

    // In a dock there is no proxy, and Delete does nothing.
    auto *dock = qobject_cast<QDockWidget *>(
        invokeFactory(m_plugin.get(), "createCamWidget", m_window.get(), DeadStream));
    QPointer<QWidget> docked = dock->widget();
    QTest::keyClick(docked, Qt::Key_Delete);
    QTest::qWait(50);
    QVERIFY(docked);
}

QTEST_MAIN(TestPlayerFactories)
#include "tst_playerfactories.moc"
