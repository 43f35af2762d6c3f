#include "cameralayer.h"
#include "cameralistdock.h"
#include "livesystem.h"
#include "osmview.h"
#include "roadnetworkitem.h"
#include "tilelayer.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDockWidget>
#include <QGraphicsScene>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

namespace {

// Degrees of latitude per metre of a view sector's radius.
constexpr double DegreesPerMetre = 9.013216033298552e-6;

} // namespace

// The workstation: its map, and the layer driven only by name, as the
// closed host does.
class TestWorkstation : public QObject
{
    Q_OBJECT

private slots:
    void mapViewAndTiles();
    void geoJsonRoads();
    void cameraListFollowsTheLayer();
    void camerasSeeingAPoint_data();
    void camerasSeeingAPoint();
    void russianTexts();
};

// Zoom levels as slippy-map levels, north up, and the tiles of a level
// drawn under the map where the grid puts them.
void TestWorkstation::mapViewAndTiles()
{
    QTemporaryDir tiles;
    const int zoom = 14;
    const int x = TileLayer::tileX(37.615, zoom);
    const int y = TileLayer::tileY(55.752, zoom);
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(QColor(10, 200, 30));
    QVERIFY(QDir().mkpath(tiles.filePath(QStringLiteral("%1/%2").arg(zoom).arg(x))));
    QVERIFY(tile.save(tiles.filePath(QStringLiteral("%1/%2/%3.png").arg(zoom).arg(x).arg(y))));

    WorkstationWindow window;
    OsmView *view = window.mapView();
    QSignalSpy spy(view, &OsmView::zoomChanged);
    view->setProperty("zoom", zoom);
    view->setZoom(zoom);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), zoom);
    QCOMPARE(view->transform().m11(), 256.0 * 16384 / 360);
    QVERIFY(view->transform().m22() < 0);
    QCOMPARE(OsmView::graticuleStep(OsmView::pixelsPerDegree(14)), 0.01);
    QCOMPARE(OsmView::graticuleStep(1.0), 45.0);

    // Level 1 splits the world into four tiles at the equator and the
    // antimeridian; a tile holds the point it was picked for.
    QCOMPARE(TileLayer::tileX(-0.1, 1), 0);
    QCOMPARE(TileLayer::tileX(0.1, 1), 1);
    QCOMPARE(TileLayer::tileY(0.1, 1), 0);
    QCOMPARE(TileLayer::tileY(-0.1, 1), 1);
    QCOMPARE(TileLayer::tileX(200, 3), 7);
    const QRectF rect = TileLayer::tileRect(zoom, x, y);
    QVERIFY(rect.contains(QPointF(37.615, 55.752)));
    QVERIFY(qAbs(rect.width() - 360.0 / (1 << zoom)) < 1e-9);

    view->setTileDirectory(tiles.path());
    view->setGraticuleVisible(false);
    view->centerOn(rect.center());
    window.resize(600, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage shot = view->viewport()->grab().toImage();
    QCOMPARE(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(10, 200, 30));

    // The wheel zooms a level a notch; levels stop at the last one.
    view->setZoom(12);
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    QCOMPARE(view->zoom(), 14);
    view->setZoom(99);
    QCOMPARE(view->zoom(), int(OsmView::MaxZoom));
}

void TestWorkstation::geoJsonRoads()
{
    const QByteArray json = R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"kind":"major","name":"A"},
         "geometry":{"type":"LineString","coordinates":[[37.6,55.7],[37.7,55.8]]}},
        {"type":"Feature","properties":{"kind":"river"},
         "geometry":{"type":"MultiLineString","coordinates":[[[1,2],[3,4]],[[5,6],[7,8],[9,10]]]}},
        {"type":"Feature","geometry":{"type":"Point","coordinates":[1,2]}},
        {"type":"Feature","geometry":{"type":"LineString","coordinates":[[1,2],["x",3]]}}
    ]})";
    QVector<RoadNetworkItem::Road> roads;
    QVERIFY(RoadNetworkItem::parseGeoJson(json, &roads));
    QCOMPARE(roads.size(), 3);
    QCOMPARE(roads.at(0).kind, RoadNetworkItem::Major);
    QCOMPARE(roads.at(0).name, QStringLiteral("A"));
    QCOMPARE(roads.at(0).line.at(1), QPointF(37.7, 55.8));
    QCOMPARE(roads.at(2).line.size(), 3);

    QVERIFY(!RoadNetworkItem::parseGeoJson("[1,2]", &roads));

    RoadNetworkItem item;
    QVERIFY(item.load(QStringLiteral(OSTREL_SOURCE_DIR "/examples/town-roads.geojson")));
    QVERIFY(item.roads().size() > 5);
    QVERIFY(item.boundingRect().contains(QPointF(37.615, 55.752)));
}

void TestWorkstation::cameraListFollowsTheLayer()
{
    LiveSystem system;
    WorkstationWindow &window = *system.window;
    window.show();
    window.setPlugin(system.plugin.get());
    QVERIFY(window.openList(QStringLiteral(OSTREL_SOURCE_DIR "/examples/cameras.xml")));
    const int count = system.plugin->cameras().size();
    QVERIFY(count > 5);

    CameraListDock *list = window.cameraList();
    QCOMPARE(list->rowCount(), count);
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("cameras.xml - ")));

    // The filter hides rows; picking a row selects that camera on the map.
    QTreeWidget *tree = list->tree();
    list->filterEdit()->setText(QStringLiteral("LPR"));
    QList<QTreeWidgetItem *> shown;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (!tree->topLevelItem(i)->isHidden())
            shown << tree->topLevelItem(i);
    }
    QVERIFY(!shown.isEmpty() && shown.size() < count);
    QTreeWidgetItem *firstShown = shown.first();
    tree->setCurrentItem(firstShown);
    QObject *selected = window.selectedCamera();
    QVERIFY(selected);
    QCOMPARE(CameraLayer::modelData(selected, 0, Qt::DisplayRole).toString(), firstShown->text(0));

    // Deleting it marks the list changed and takes its row away.
    window.cameraLayer().deleteCamera(selected);
    QTRY_COMPARE(list->rowCount(), count - 1);
    QTRY_VERIFY(window.windowTitle().startsWith(QStringLiteral("cameras.xml* - ")));

    // A camera's player shows its state in the camera's row.
    QTreeWidgetItem *row = tree->topLevelItem(0);
    QObject *camera = window.findCamera(row->text(0));
    QVERIFY(camera);
    QCOMPARE(row->text(3), QString());
    QVERIFY(camera->setProperty("url", QStringLiteral("pipe:0")));
    QVERIFY(CameraLayer::play(camera, false, false));
    QTRY_COMPARE(row->text(3), QStringLiteral("failed"));
    QCOMPARE(tree->headerItem()->text(3), QStringLiteral("Player"));
}

void TestWorkstation::camerasSeeingAPoint_data()
{
    QTest::addColumn<bool>("sectorsShown");
    QTest::addColumn<int>("crowd"); // more cameras where "Near" stands
    QTest::addColumn<double>("north"); // metres north of "Near"
    QTest::addColumn<QStringList>("entries"); // "-" marks a disabled one
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QStringList>("opened");

    const QStringList both = {"Near (100 m)", "Far && wide (200 m)", "Open all"};
    QTest::newRow("one of two") << false << 0 << 100.0 << both << 1 << QStringList {"Far & wide"};
    // Right over a sector on show, still the map's menu.
    QTest::newRow("all, over a sector")
        << true << 0 << 100.0 << both << 2 << QStringList {"Near", "Far & wide"};
    QTest::newRow("none") << false << 0 << -400.0 << QStringList {"-No camera sees this point"}
                          << -1 << QStringList();
    // The nearest that fit on the screen; the rest are counted.
    QStringList crowded = {"Near (100 m)"};
    QStringList nearest = {"Near"};
    for (int i = 0; i < 19; ++i) {
        crowded << "Crowd (100 m)";
        nearest << "Crowd";
    }
    crowded << "-4 more not listed"
            << "Open the 20 nearest";
    QTest::newRow("crowd") << false << 22 << 100.0 << crowded << 21 << nearest;
}

// The map's context menu lists the cameras that see the point clicked,
// nearest first, and opens one or all of them as a double-click does.
void TestWorkstation::camerasSeeingAPoint()
{
    QFETCH(bool, sectorsShown);
    QFETCH(int, crowd);
    QFETCH(double, north);
    QFETCH(QStringList, entries);
    QFETCH(int, chosen);
    QFETCH(QStringList, opened);

    // Looking north: "Near", and "Far & wide" 100 m behind it; "Away" looks
    // south, "Blind" has no direction.
    const QByteArray near = "ang=\"90\" view_ang=\"60\" view_radius=\"200\"";
    TestSupport::CamListBuilder list;
    list.add("Near", 37.6, 55.75, near)
        .add("Far & wide", 37.6, 55.749099, "ang=\"90\" view_ang=\"60\" view_radius=\"300\"")
        .add("Away", 37.6, 55.7505, "ang=\"270\" view_ang=\"60\" view_radius=\"200\"")
        .add("Blind", 37.6005, 55.7509, "view_ang=\"360\" view_radius=\"500\"");
    for (int i = 0; i < crowd; ++i)
        list.add("Crowd", 37.6, 55.75, near);

    LiveSystem system;
    WorkstationWindow &window = *system.window;
    OsmView *view = window.mapView();
    view->setReferenceLatitude(55.75);
    view->setZoom(17);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(system.open(list));
    if (sectorsShown)
        window.cameraLayer().setViewAreasAlwaysVisible(true);
    const QPointF point(37.6, 55.75 + north * DegreesPerMetre);
    view->centerOn(point);
    const QPoint at = view->mapFromScene(point);

    QStringList shown;
    QTimer::singleShot(0, &window, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QMenu *seeing = nullptr;
        for (QAction *action : menu->actions()) {
            if (action->text() == QLatin1String("Cameras seeing this point"))
                seeing = action->menu();
        }
        menu->close();
        QVERIFY(seeing);
        QList<QAction *> items;
        for (QAction *action : seeing->actions()) {
            if (action->isSeparator())
                continue;
            items << action;
            shown << (action->isEnabled() ? QString() : QStringLiteral("-")) + action->text();
        }
        if (chosen >= 0 && chosen < items.size())
            items.at(chosen)->trigger();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    QCOMPARE(shown, entries);

    QStringList players;
    for (const QDockWidget *dock : window.findChildren<QDockWidget *>())
        players << dock->windowTitle();
    players.removeOne(window.cameraList()->windowTitle());
    players.sort();
    opened.sort();
    QCOMPARE(players, opened);
}

// The Russian catalogue beside the plug-in reaches the texts the classes
// really produce, so its contexts match the code's.
void TestWorkstation::russianTexts()
{
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(OSTREL_BINARY_DIR "/lib/ostrel/ostrel_ru.qm")));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    LiveSystem system;
    QCOMPARE(system.window->menuBar()->actions().constFirst()->text(), QStringLiteral("&Файл"));
    QVERIFY(!system.plugin->loadVlcCamList(QStringLiteral("/nonexistent/cameras.xml")));
    QVERIFY2(system.plugin->lastError().startsWith(QStringLiteral("Ошибка открытия файла: ")),
             qPrintable(system.plugin->lastError()));
    QCOMPARE(QCoreApplication::translate("AxisTrafficStreamOverlay", "Command answer timeot"),
             QStringLiteral("Нет ответа на команду"));
    QCOMPARE(QCoreApplication::translate("CitiLogOvelay", "Message size too big"),
             QStringLiteral("Слишком большое сообщение"));
    QCoreApplication::removeTranslator(&translator);
}

QTEST_MAIN(TestWorkstation)
#include "tst_workstation.moc"
