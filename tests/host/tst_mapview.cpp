#include "osmview.h"
#include "roadnetworkitem.h"
#include "tilelayer.h"
#include "workstationwindow.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestMapView : public QObject
{
    Q_OBJECT

private slots:
    void zoomScalesAndSignals();
    void geoJsonRoads();
    void tileGrid();
    void tilesDrawnUnderTheMap();
};

void TestMapView::zoomScalesAndSignals()
{
    QGraphicsScene scene;
    OsmView view(&scene);
    QSignalSpy spy(&view, &OsmView::zoomChanged);

    view.setProperty("zoom", 14);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 14);
    QCOMPARE(view.transform().m11(), 256.0 * 16384 / 360);
    // North up: latitude grows towards the top of the screen.
    QVERIFY(view.transform().m22() < 0);

    view.setZoom(14);
    QCOMPARE(spy.count(), 1);
    view.setZoom(99);
    QCOMPARE(view.zoom(), int(OsmView::MaxZoom));

    view.setZoom(12);
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
    QCOMPARE(view.zoom(), 14);

    QCOMPARE(OsmView::graticuleStep(OsmView::pixelsPerDegree(14)), 0.01);
    QCOMPARE(OsmView::graticuleStep(1.0), 45.0);
}

void TestMapView::geoJsonRoads()
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

    QVERIFY(!RoadNetworkItem::parseGeoJson("not json", &roads));
    QVERIFY(!RoadNetworkItem::parseGeoJson("[1,2]", &roads));

    RoadNetworkItem item;
    QVERIFY(item.load(QStringLiteral(OSTREL_SOURCE_DIR "/examples/town-roads.geojson")));
    QVERIFY(item.roads().size() > 5);
    QVERIFY(item.boundingRect().contains(QPointF(37.615, 55.752)));
}

void TestMapView::tileGrid()
{
    // Level 1 splits the world into four tiles at the equator and the
    // antimeridian.
    QCOMPARE(TileLayer::tileX(-0.1, 1), 0);
    QCOMPARE(TileLayer::tileX(0.1, 1), 1);
    QCOMPARE(TileLayer::tileY(0.1, 1), 0);
    QCOMPARE(TileLayer::tileY(-0.1, 1), 1);
    QCOMPARE(TileLayer::tileX(200, 3), 7);

    for (int zoom : {5, 12, 16}) {
        const int x = TileLayer::tileX(37.615, zoom);
        const int y = TileLayer::tileY(55.752, zoom);
        const QRectF rect = TileLayer::tileRect(zoom, x, y);
        QVERIFY(rect.contains(QPointF(37.615, 55.752)));
        QVERIFY(qAbs(rect.width() - 360.0 / (1 << zoom)) < 1e-9);
    }
}

void TestMapView::tilesDrawnUnderTheMap()
{
    QTemporaryDir tiles;
    const int zoom = 14;
    const int x = TileLayer::tileX(37.615, zoom);
    const int y = TileLayer::tileY(55.752, zoom);
    QVERIFY(QDir().mkpath(tiles.filePath(QStringLiteral("%1/%2").arg(zoom).arg(x))));
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(QColor(10, 200, 30));
    QVERIFY(tile.save(tiles.filePath(QStringLiteral("%1/%2/%3.png").arg(zoom).arg(x).arg(y))));

    WorkstationWindow window;
    window.mapView()->setZoom(zoom);
    window.mapView()->setTileDirectory(tiles.path());
    window.mapView()->setGraticuleVisible(false);
    window.mapView()->centerOn(TileLayer::tileRect(zoom, x, y).center());
    window.resize(600, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QImage shot = window.mapView()->viewport()->grab().toImage();
    const QColor centre = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    QCOMPARE(centre, QColor(10, 200, 30));
}

QTEST_MAIN(TestMapView)
#include "tst_mapview.moc"
